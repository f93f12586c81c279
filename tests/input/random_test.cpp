#include "input/random.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>

namespace salvo {
namespace {

// Reference step with 64-bit arithmetic, independent of Schrage's method.
int64_t ReferenceStep(int64_t state) {
  return state * 48271 % 0x7FFFFFFF;
}

TEST(RandomSeedTest, SeedsThatTheGeneratorCannotUseBecomeTheInitialState) {
  SeedRandom(0);
  EXPECT_EQ(RandomSeed(), 0x1234);
  SeedRandom(0x7FFFFFFF);
  EXPECT_EQ(RandomSeed(), 0x1234);
  SeedRandom(-1);
  EXPECT_EQ(RandomSeed(), 0x1234);
  SeedRandom(-2);
  EXPECT_EQ(RandomSeed(), 0x7FFFFFFE);
  SeedRandom(INT32_MIN + 5);
  EXPECT_EQ(RandomSeed(), 5);
}

TEST(RandomStepTest, KnownSteps) {
  SeedRandom(1);
  RandomFloat();
  EXPECT_EQ(RandomSeed(), 48271);
  SeedRandom(0);  // 0x1234
  RandomFloat();
  EXPECT_EQ(RandomSeed(), 224942860);
}

TEST(RandomStepTest, MatchesSixtyFourBitArithmeticOverALongRun) {
  for (int32_t seed : {1, 0x1234, 0x7FFFFFFE, 44488, 44487, 123456789}) {
    SeedRandom(seed);
    int64_t reference = seed;
    for (int i = 0; i < 20000; ++i) {
      RandomFloat();
      reference = ReferenceStep(reference);
      ASSERT_EQ(RandomSeed(), reference) << "seed " << seed << " step " << i;
      ASSERT_GE(RandomSeed(), 1);
      ASSERT_LE(RandomSeed(), 0x7FFFFFFE);
    }
  }
}

TEST(RandomFloatTest, UsesBitsFourToTwentySevenOfTheState) {
  SeedRandom(1);
  EXPECT_EQ(RandomFloat(), 48256.0f / 268435456.0f);
  SeedRandom(0);
  EXPECT_EQ(RandomFloat(), static_cast<float>((224942860 & 0x0FFFFFF0) / 268435456.0));
}

TEST(RandomFloatTest, StaysBelowOne) {
  SeedRandom(77);
  for (int i = 0; i < 100000; ++i) {
    float f = RandomFloat();
    ASSERT_GE(f, 0.0f);
    ASSERT_LT(f, 1.0f);
  }
}

TEST(RandomDoubleTest, CombinesTwoStepsExactly) {
  SeedRandom(1);
  double d = RandomDouble();
  int64_t first = 48271;
  int64_t second = ReferenceStep(first);
  double hi = static_cast<double>(first & 0x1FFFFFFC);
  double lo = static_cast<double>(second & 0x1FFFFFF8);
  EXPECT_EQ(d, std::ldexp(hi, -29) + std::ldexp(lo, -56));
  EXPECT_EQ(RandomSeed(), second);
}

TEST(RandomRangeTest, ReversedBoundsGiveTheSameInterval) {
  SeedRandom(42);
  for (int i = 0; i < 10000; ++i) {
    double r = RandomRange(3.0, 1.0);
    ASSERT_GE(r, 1.0);
    ASSERT_LT(r, 3.0);
  }
  EXPECT_EQ(RandomRange(2.5, 2.5), 2.5);
}

TEST(RandomRangeTest, TakesTwoSteps) {
  SeedRandom(9);
  RandomRange(0, 1);
  int32_t afterRange = RandomSeed();
  SeedRandom(9);
  RandomFloat();
  RandomFloat();
  EXPECT_EQ(afterRange, RandomSeed());
}

TEST(RandomIntTest, EqualBoundsAlwaysGiveThatValue) {
  SeedRandom(3);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(RandomInt(5, 5), 5);
}

TEST(RandomIntTest, EitherOrderCoversBothBounds) {
  for (auto [a, b] : {std::pair{9, 2}, std::pair{2, 9}}) {
    SeedRandom(11);
    std::map<int, int> seen;
    for (int i = 0; i < 8000; ++i) {
      int v = RandomInt(a, b);
      ASSERT_GE(v, 2);
      ASSERT_LE(v, 9);
      ++seen[v];
    }
    EXPECT_EQ(seen.size(), 8u);
  }
}

TEST(RandomIntTest, ZeroToTwoIsUniform) {
  SeedRandom(2024);
  std::array<int, 3> counts{};
  const int draws = 30000;
  for (int i = 0; i < draws; ++i) {
    int v = RandomInt(0, 2);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 2);
    ++counts[v];
  }
  for (int c : counts) EXPECT_NEAR(c, draws / 3, draws / 3 / 20);  // within 5 %
}

TEST(RandomIntTest, NegativeDrawsTruncateTowardZero) {
  SeedRandom(555);
  std::map<int, int> counts;
  const int draws = 68000;
  for (int i = 0; i < draws; ++i) ++counts[RandomInt(-8, 8)];
  // (-1, 1) collapses onto 0, so 0 comes twice as often as any other value
  // and -8 needs a draw of exactly 0.
  EXPECT_EQ(counts.count(-8), 0u);
  EXPECT_EQ(counts.begin()->first, -7);
  EXPECT_EQ(counts.rbegin()->first, 8);
  EXPECT_NEAR(counts[0], 2 * draws / 17, draws / 17 / 5);
  EXPECT_NEAR(counts[5], draws / 17, draws / 17 / 10);
  EXPECT_NEAR(counts[-5], draws / 17, draws / 17 / 10);
}

TEST(RandomIntTest, NegativeRangeReachesItsUpperEndPlusOne) {
  SeedRandom(8);
  int lowest = 0, highest = -1000;
  for (int i = 0; i < 50000; ++i) {
    int v = RandomInt(-45, -135);
    lowest = std::min(lowest, v);
    highest = std::max(highest, v);
  }
  EXPECT_EQ(highest, -44);
  EXPECT_EQ(lowest, -134);
}

TEST(RandomIntTest, FullIntegerRangeStaysInRange) {
  SeedRandom(99);
  bool negative = false, positive = false;
  for (int i = 0; i < 10000; ++i) {
    int32_t v = RandomInt(INT32_MIN, INT32_MAX);  // no overflowing conversion
    negative |= v < 0;
    positive |= v > 0;
  }
  EXPECT_TRUE(negative && positive);
}

}  // namespace
}  // namespace salvo
