#include "input/random.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>

namespace salvo {
namespace {

// How often RandomInt(a, b) gives each value in `draws` draws from `seed`.
std::map<int, int> Histogram(int32_t seed, int32_t a, int32_t b, int draws) {
  SeedRandom(seed);
  std::map<int, int> counts;
  for (int i = 0; i < draws; ++i) ++counts[RandomInt(a, b)];
  return counts;
}

TEST(RandomTest,
     FloatAndDoubleTakeBitsOfTheNextStatesSeedsBecomeTheStateStepsMatch64BitArithmetic) {
  SeedRandom(0);  // 0x1234
  EXPECT_EQ(RandomFloat(), static_cast<float>((224942860 & 0x0FFFFFF0) / 268435456.0));
  SeedRandom(1);
  EXPECT_EQ(RandomFloat(), 48256.0f / 268435456.0f);
  SeedRandom(1);
  const int64_t first = 48271, second = first * 48271 % 0x7FFFFFFF;  // in 64-bit arithmetic
  EXPECT_EQ(RandomDouble(), std::ldexp(static_cast<double>(first & 0x1FFFFFFC), -29) +
                                std::ldexp(static_cast<double>(second & 0x1FFFFFF8), -56));
  EXPECT_EQ(RandomSeed(), second);
  // The seed and the initial state: the sign bit goes, and the states the generator cannot
  // use (0 and 0x7FFFFFFF) become 0x1234.
  const std::pair<int32_t, int32_t> seeds[] = {
      {0, 0x1234},      {0x7FFFFFFF, 0x1234},     {-1, 0x1234},
      {-2, 0x7FFFFFFE}, {INT32_MIN + 5, 5},       {1, 1},
      {0x1234, 0x1234}, {0x7FFFFFFE, 0x7FFFFFFE}, {44488, 44488},
      {44487, 44487},   {123456789, 123456789}};
  for (auto [seed, state] : seeds) {
    SeedRandom(seed);
    EXPECT_EQ(RandomSeed(), state) << seed;
    int64_t reference = state;
    for (int i = 0; i < 20000; ++i) {
      float f = RandomFloat();
      reference = reference * 48271 % 0x7FFFFFFF;  // in 64-bit arithmetic
      ASSERT_EQ(RandomSeed(), reference) << "seed " << seed << " step " << i;
      ASSERT_TRUE(f >= 0.0f && f < 1.0f) << f;
    }
  }
}

TEST(RandomTest, RangeTakesTwoStepsAndAcceptsReversedBounds) {
  SeedRandom(9);
  RandomRange(0, 1);
  EXPECT_EQ(RandomSeed(), 9 * 48271 * int64_t{48271} % 0x7FFFFFFF);
  for (int i = 0; i < 10000; ++i) {
    double r = RandomRange(3.0, 1.0);
    ASSERT_TRUE(r >= 1.0 && r < 3.0) << r;
  }
  EXPECT_EQ(RandomRange(2.5, 2.5), 2.5);
}

TEST(RandomIntTest, CoversExactlyTheBoundsEitherWayIsUniformAndTruncatesNegativeDrawsTowardZero) {
  // A negative range reaches its upper end plus one, never its lower end: -8 needs a draw of
  // exactly 0, and (-1, 1) collapses onto 0, which comes twice as often as any other value.
  // The seed, the bounds, the draws, the lowest and highest value drawn.
  const std::array<int32_t, 6> cases[] = {
      {11, 9, 2, 8000, 2, 9},           {11, 2, 9, 8000, 2, 9},    {3, 5, 5, 1000, 5, 5},
      {8, -45, -135, 50000, -134, -44}, {2024, 0, 2, 30000, 0, 2}, {555, -8, 8, 68000, -7, 8}};
  std::map<int, int> counts;
  for (auto [seed, a, b, draws, lowest, highest] : cases) {
    SCOPED_TRACE(::testing::Message() << a << " to " << b);
    counts = Histogram(seed, a, b, draws);
    EXPECT_EQ(counts.begin()->first, lowest);
    EXPECT_EQ(counts.rbegin()->first, highest);
    EXPECT_EQ(counts.size(), static_cast<size_t>(highest - lowest + 1));  // all in between
    if (a != 0) continue;  // 0 to 2: each value within 5 % of a third
    for (auto [value, count] : counts) EXPECT_NEAR(count, draws / 3, draws / 60) << value;
  }
  const int each = 68000 / 17;
  EXPECT_NEAR(counts[0], 2 * each, each / 5);
  EXPECT_NEAR(counts[5], each, each / 10);
  EXPECT_NEAR(counts[-5], each, each / 10);
  auto full = Histogram(99, INT32_MIN, INT32_MAX, 10000);  // no overflowing conversion
  EXPECT_TRUE(full.begin()->first < 0 && full.rbegin()->first > 0);
}

}  // namespace
}  // namespace salvo
