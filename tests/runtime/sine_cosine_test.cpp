#include "runtime/sine_cosine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "runtime/degrees.h"

namespace salvo {
namespace {

uint64_t Bits(double value) {
  uint64_t bits;  // std::bit_cast is missing from the web build's standard library
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// glibc 2.36's sin and cos (x86-64, FMA variant) at the arguments where the
// platforms' libraries part ways: multiples of 90 degrees, where the result
// is the tiny remainder of pi's rounding; whole degrees where glibc itself is
// an ulp from the true value ("off"); one where glibc's variants for
// processors with and without FMA differ (342); one where musl differs
// (-123); and one argument of each of the reductions.
struct HardCase {
  double radians;
  uint64_t sine, cosine;
};

constexpr HardCase kHardCases[] = {
    {-0x1.921fb54442d18p+0, 0xbff0000000000000, 0x3c91a62633145c07},   // -90 degrees
    {0x1.921fb54442d18p+0, 0x3ff0000000000000, 0x3c91a62633145c07},    // 90
    {0x1.921fb54442d18p+1, 0x3ca1a62633145c07, 0xbff0000000000000},    // 180
    {0x1.2d97c7f3321d2p+2, 0xbff0000000000000, 0xbcaa79394c9e8a0a},    // 270
    {0x1.921fb54442d18p+2, 0xbcb1a62633145c07, 0x3ff0000000000000},    // 360
    {-0x1.921fb54442d18p+3, 0x3cc1a62633145c07, 0x3ff0000000000000},   // -720
    {0x1.4bc08f251d867p+2, 0xbfec83201d3d2c6e, 0x3fdd0e2e2b44ddfe},    // 297, sine off
    {0x1.7e0485cda5e0ap+2, 0xbfd3c6ef372fe953, 0x3fee6f0e134454ff},    // 342
    {-0x1.88121d88f4591p+2, 0x3fc4060b67a8537e, 0x3fef9b24942fe45b},   // -351, sine off
    {-0x1.7c57972e6e21ep+3, 0x3fe4236484487ac3, 0x3fe8de613515a324},   // -681, cosine off
    {-0x1.12c8ddffb6315p+1, 0xbfead663a8ae2fdb, 0xbfe16daed770771d},   // -123
    {0x1.921fb54442d18p-1, 0x3fe6a09e667f3bcc, 0x3fe6a09e667f3bcd},    // 45
    {0x1.10b519ab12753p+14, 0xbfef9b24942feb79, 0x3fc4060b67a79fd2},   // 999999
    {0x1.1df46a2529d39p+18, 0x3fe63aa430e0f045, 0xbfe704d4e6a4d44f},   // 16777216
    {0x1.12e0be826d695p-30, 0x3e112e0be826d695, 0x3ff0000000000000},   // 1e-9 radians
    {0x1p-1, 0x3fdeaee8744b05f0, 0x3fec1528065b7d50},                  // 0.5
    {0x1p+1, 0x3fed18f6ead1b446, 0xbfdaa22657537205},                  // 2
    {0x1.921fb38p+26, 0xbfe694fde498005a, 0x3fe6ac38f1ff7755},         // 105414350
    {0x1.0f0cf064dd592p+73, 0xbfeb453ab76bf397, 0x3fe0be2cef01c8f4},   // 1e22
    {0x1.7e43c8800759cp+996, 0xbfea2c16b010e385, 0xbfe2699022adc4c1},  // 1e300
    {-0x0p+0, 0x8000000000000000, 0x3ff0000000000000},                 // -0
};

TEST(SineCosineTest, GivesGlibcsBitsAtTheHardArguments) {
  for (const HardCase& c : kHardCases) {
    SCOPED_TRACE(testing::Message() << std::hexfloat << c.radians);
    EXPECT_EQ(Bits(Sine(c.radians)), c.sine);
    EXPECT_EQ(Bits(Cosine(c.radians)), c.cosine);
  }
}

TEST(SineCosineTest, DegreesGiveTheBitsOfTheirRadians) {
  // Whole degrees inside the table and past its ends, halves between them,
  // and -0, whose sine is -0.
  for (double degrees = -400; degrees <= 400; degrees += 0.5) {
    SCOPED_TRACE(degrees);
    EXPECT_EQ(Bits(SineOfDegrees(degrees)), Bits(Sine(degrees * kRadiansPerDegree)));
    EXPECT_EQ(Bits(CosineOfDegrees(degrees)), Bits(Cosine(degrees * kRadiansPerDegree)));
  }
  EXPECT_EQ(Bits(SineOfDegrees(-0.0)), Bits(-0.0));
  EXPECT_EQ(Bits(CosineOfDegrees(-0.0)), Bits(1.0));
}

// Where the C library is the reference itself (glibc with its FMA variant
// agrees at every hard argument), every rotation the game uses, whole and
// quarter degrees, gives the library's bits too.
TEST(SineCosineTest, GivesTheSystemsBitsWhereTheSystemIsTheReference) {
  volatile double x = 0;  // keeps sin and cos from being evaluated at compile time
  auto same = [&](double radians) {
    x = radians;
    return Bits(Sine(radians)) == Bits(std::sin(x)) && Bits(Cosine(radians)) == Bits(std::cos(x));
  };
  for (const HardCase& c : kHardCases) {
    x = c.radians;
    if (Bits(std::sin(x)) != c.sine || Bits(std::cos(x)) != c.cosine) {
      GTEST_SKIP() << "this C library's sin and cos are not the reference";
    }
  }
  for (int quarter = -4000; quarter <= 4000; quarter++) {
    ASSERT_TRUE(same(quarter % 4 ? static_cast<float>(quarter * 0.25) * kRadiansPerDegree
                                 : quarter / 4 * kRadiansPerDegree))
        << quarter * 0.25 << " degrees";
  }
}

}  // namespace
}  // namespace salvo
