// The reduction of huge angles for Sine and Cosine, operation for operation
// that of glibc's branred.c (the IBM Accurate Mathematical Library, LGPL 2.1
// or later), whose rounding Sine and Cosine must share. Compiled with
// -ffp-contract=off like glibc's own, which x86-64 builds without FMA.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "runtime/sine_cosine_internal.h"

namespace salvo {
namespace {

// 2 / pi in base 2^24: digit i is floor(2 / pi * 2^(24 (i + 1))) mod 2^24.
constexpr double kTwoOverPiDigits[75] = {
    10680707.0, 7228996.0,  1387004.0,  2578385.0,  16069853.0, 12639074.0, 9804092.0,  4427841.0,
    16666979.0, 11263675.0, 12935607.0, 2387514.0,  4345298.0,  14681673.0, 3074569.0,  13734428.0,
    16653803.0, 1880361.0,  10960616.0, 8533493.0,  3062596.0,  8710556.0,  7349940.0,  6258241.0,
    3772886.0,  3769171.0,  3798172.0,  8675211.0,  12450088.0, 3874808.0,  9961438.0,  366607.0,
    15675153.0, 9132554.0,  7151469.0,  3571407.0,  2607881.0,  12013382.0, 4155038.0,  6285869.0,
    7677882.0,  13102053.0, 15825725.0, 473591.0,   9065106.0,  15363067.0, 6271263.0,  9264392.0,
    5636912.0,  4652155.0,  7056368.0,  13614112.0, 10155062.0, 1944035.0,  9527646.0,  15080200.0,
    6658437.0,  6231200.0,  6832269.0,  16767104.0, 5075751.0,  3212806.0,  1398474.0,  7579849.0,
    6349435.0,  12618859.0, 4703257.0,  12806093.0, 14477321.0, 2786137.0,  12875403.0, 9837734.0,
    14528324.0, 13719321.0, 343717.0,
};

constexpr double kSplitter = 134217729.0;             // 2^27 + 1
constexpr double kRoundToInteger = 0x1.8p52;          // adding it rounds to an integer
constexpr double kRoundToFour = 0x1.8p54;             // ... to a multiple of 4
constexpr double kHalfPi = 0x1.921fb54442d18p0;       // pi / 2, nearest double
constexpr double kHalfPiLow = 0x1.1a62633145c07p-54;  // pi / 2 minus kHalfPi
// pi / 2 in two parts short enough for exact products with 26-bit halves.
constexpr double kHalfPiPart1 = 0x1.921fb58p0;
constexpr double kHalfPiPart2 = -0x1.dde974p-27;

double Power2(int exponent) {  // 2^exponent for normal results
  const uint64_t bits = static_cast<uint64_t>(exponent + 1023) << 52;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// part * 2 / pi as sum (a whole number, reduced modulo 4) + b + bb, with
// |b| <= 1/2, from the six digits of 2 / pi that matter at part's exponent.
struct Quarters {
  double sum, b, bb;
};

Quarters TimesTwoOverPi(double part) {
  uint64_t bits;
  std::memcpy(&bits, &part, sizeof bits);
  int k = (static_cast<int>(bits >> 52 & 2047) - 450) / 24;
  if (k < 0) k = 0;
  double scale = Power2(576 - 24 * k);
  double r[6];
  for (int i = 0; i < 6; i++) {
    r[i] = part * kTwoOverPiDigits[k + i] * scale;
    scale *= 0x1p-24;
  }
  double sum = 0;
  for (int i = 0; i < 3; i++) {
    const double whole = (r[i] + kRoundToInteger) - kRoundToInteger;
    sum += whole;
    r[i] -= whole;
  }
  double t = 0;
  for (int i = 0; i < 6; i++) t += r[5 - i];
  double bb = (((((r[0] - t) + r[1]) + r[2]) + r[3]) + r[4]) + r[5];
  const double whole = (t + kRoundToInteger) - kRoundToInteger;
  sum += whole;
  t -= whole;
  const double b = t + bb;
  bb = (t - b) + bb;
  sum -= (sum + kRoundToFour) - kRoundToFour;
  return {sum, b, bb};
}

}  // namespace

ReducedAngle ReduceHugeAngle(double radians) {
  // Scaled down first so that the digits' products stay in range; the
  // digits' scale makes up for it.
  const double x = radians * 0x1p-600;
  const double t0 = x * kSplitter;
  const double x1 = t0 - (t0 - x);
  const double x2 = x - x1;
  const Quarters q1 = TimesTwoOverPi(x1);
  const Quarters q2 = TimesTwoOverPi(x2);

  double sum = q1.sum + q2.sum;
  double b = q1.b + q2.b;
  double bb = std::fabs(q1.b) > std::fabs(q2.b) ? (q1.b - b) + q2.b : (q2.b - b) + q1.b;
  if (b > 0.5) {
    b -= 1.0;
    sum += 1.0;
  } else if (b < -0.5) {
    b += 1.0;
    sum -= 1.0;
  }
  // The fraction of a quarter turn, s + t, times pi / 2.
  double s = b + (bb + q1.bb + q2.bb);
  const double t = ((b - s) + bb) + (q1.bb + q2.bb);
  b = s * kSplitter;
  const double t1 = b - (b - s);
  const double t2 = s - t1;
  b = s * kHalfPi;
  bb = (((t1 * kHalfPiPart1 - b) + t1 * kHalfPiPart2) + t2 * kHalfPiPart1) +
       (t2 * kHalfPiPart2 + s * kHalfPiLow + t * kHalfPi);
  s = b + bb;
  return {s, (b - s) + bb, static_cast<int>(sum) & 3};
}

}  // namespace salvo
