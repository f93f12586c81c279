// Sine and cosine, operation for operation those of glibc 2.36
// (sysdeps/ieee754/dbl-64/s_sin.c, the IBM Accurate Mathematical Library,
// LGPL 2.1 or later) as its x86-64 FMA variant computes them: that build
// fuses most multiply-adds, so the same fusions are made here, each rounded
// once through FusedMultiplyAdd. glibc's results are not always correctly
// rounded (about one argument in 700 is an ulp off, sin(297 degrees) among
// them), so matching them means following their arithmetic, not just their
// accuracy.
//
// Outline: tiny arguments return at once; up to 0.855 the argument itself,
// up to 2.426 its distance from pi / 2, and beyond that its remainder after
// the nearest multiple of pi / 2 (as a double-double a + da) goes to a
// kernel. The kernels split the argument into the nearest i / 128, whose
// sine and cosine come from a table, and a small rest, whose sine and
// cosine come from short polynomials, and combine them by the angle-sum
// formulas.
//
// Compiled with -ffp-contract=off: every fusion is written out below.
#include "runtime/sine_cosine.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "runtime/exact_arithmetic_internal.h"
#include "runtime/sine_cosine_internal.h"

// x87 arithmetic (i686 without -mfpmath=sse) would keep intermediates in
// extended precision and round differently.
static_assert(FLT_EVAL_METHOD == 0, "Sine and Cosine need plain double arithmetic (SSE2)");

namespace salvo {
namespace {

// Polynomial coefficients of glibc: the Taylor series of sin near 0 ...
constexpr double kS1 = -0x1.5555555555555p-3;
constexpr double kS2 = 0x1.1111111110ECEp-7;
constexpr double kS3 = -0x1.A01A019DB08B8p-13;
constexpr double kS4 = 0x1.71DE27B9A7ED9p-19;
constexpr double kS5 = -0x1.ADDFFC2FCDF59p-26;
// ... and of sin and 1 - cos of the rest after the table's point.
constexpr double kSn3 = -1.66666666666664880952546298448555E-01;
constexpr double kSn5 = 8.33333214285722277379541354343671E-03;
constexpr double kCs2 = 4.99999999999999999999950396842453E-01;
constexpr double kCs4 = -4.16666666666664434524222570944589E-02;
constexpr double kCs6 = 1.38888874007937613028114285595617E-03;

// Adding it to a number in [0, 1) rounds the number to a multiple of 1/128,
// whose count of 128ths ends up in the sum's low bits.
constexpr double kRoundTo128ths = 0x1.8p45;
// Adding it rounds to an integer, which ends up in the sum's low bits.
constexpr double kRoundToInteger = 0x1.8p52;

constexpr double kHalfPi = 0x1.921FB54442D18p0;       // pi / 2, nearest double
constexpr double kHalfPiLow = 0x1.1A62633145C07p-54;  // pi / 2 - kHalfPi
constexpr double kTwoOverPi = 0x1.45F306DC9C883p-1;
// pi / 2 in four parts, the first two short enough that their products with
// a quadrant count below 2^27 are exact.
constexpr double kHalfPiPart1 = 0x1.921FB58000000p0;
constexpr double kHalfPiPart2 = -0x1.DDE973C000000p-27;
constexpr double kHalfPiPart3 = -0x1.CB3B398000000p-55;
constexpr double kHalfPiPart4 = -0x1.d747f23e32ed7p-83;

uint32_t HighWord(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return static_cast<uint32_t>(bits >> 32);
}

uint32_t LowWord(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return static_cast<uint32_t>(bits);
}

// c - a * b, rounded once.
double FusedNegativeMultiplyAdd(double a, double b, double c) {
  return FusedMultiplyAdd(-a, b, c);
}

// sin(x + dx) for |x| < 0.126 by the Taylor series.
double SmallSine(double x, double dx) {
  const double xx = x * x;
  double p = FusedMultiplyAdd(xx, kS5, kS4);
  p = FusedMultiplyAdd(xx, p, kS3);
  p = FusedMultiplyAdd(xx, p, kS2);
  p = FusedMultiplyAdd(xx, p, kS1);
  const double t = FusedMultiplyAdd(xx, FusedMultiplyAdd(p, x, -(dx * 0.5)), dx);
  return x + t;
}

// The table's point nearest to |x| (|x| < 0.856) and the rest: |x| = point + rest.
struct TablePoint {
  const SineCosinePoint* point;
  double rest;
};

TablePoint NearestTablePoint(double absX) {
  const double rounded = absX + kRoundTo128ths;
  return {&kSineCosineTable[LowWord(rounded)], absX - (rounded - kRoundTo128ths)};
}

// sin(x + dx) for |x| < 0.856, dx tiny against x.
double SineKernel(double x, double dx) {
  if (std::fabs(x) < 0.126) return SmallSine(x, dx);
  if (x <= 0) dx = -dx;
  const TablePoint near = NearestTablePoint(std::fabs(x));
  const double r = near.rest;
  const double rr = r * r;
  const double s = r + FusedMultiplyAdd(r * rr, FusedMultiplyAdd(rr, kSn5, kSn3), dx);
  const double cPoly = FusedMultiplyAdd(rr, FusedMultiplyAdd(rr, kCs6, kCs4), kCs2);
  const double c = FusedMultiplyAdd(r, dx, rr * cPoly);  // 1 - cos(rest)
  const SineCosinePoint& p = *near.point;
  double correction = FusedMultiplyAdd(s, p.cosineLow, p.sineLow);
  correction = FusedNegativeMultiplyAdd(c, p.sine, correction);
  correction = FusedMultiplyAdd(s, p.cosine, correction);
  return std::copysign(p.sine + correction, x);
}

// cos(x + dx) for |x| < 0.856, dx tiny against x.
double CosineKernel(double x, double dx) {
  if (x < 0) dx = -dx;
  const TablePoint near = NearestTablePoint(std::fabs(x));
  const double r = near.rest + dx;
  const double rr = r * r;
  const double s = FusedMultiplyAdd(r * rr, FusedMultiplyAdd(rr, kSn5, kSn3), r);
  const double cPoly = FusedMultiplyAdd(rr, FusedMultiplyAdd(rr, kCs6, kCs4), kCs2);
  const double c = rr * cPoly;  // 1 - cos(rest)
  const SineCosinePoint& p = *near.point;
  double correction = FusedNegativeMultiplyAdd(s, p.sineLow, p.cosineLow);
  correction = FusedNegativeMultiplyAdd(c, p.cosine, correction);
  correction = FusedNegativeMultiplyAdd(s, p.sine, correction);
  return p.cosine + correction;
}

// The remainder of x after the nearest multiple of pi / 2, for
// |x| < 105414350. The quadrant count n has at most 26 bits there, so its
// products with the first three parts of pi / 2 are exact and a plain
// subtraction is the fused one.
ReducedAngle ReduceAngle(double x) {
  const double rounded = FusedMultiplyAdd(x, kTwoOverPi, kRoundToInteger);
  const double n = rounded - kRoundToInteger;
  const double y = (x - n * kHalfPiPart1) - n * kHalfPiPart2;
  const double t = y - n * kHalfPiPart3;
  double da = (y - t) - n * kHalfPiPart3;
  const double a = FusedNegativeMultiplyAdd(n, kHalfPiPart4, t);
  da += FusedNegativeMultiplyAdd(n, kHalfPiPart4, t - a);
  return {a, da, static_cast<int>(LowWord(rounded) & 3)};
}

// sin(quadrant * pi / 2 + a + da).
double QuadrantSine(const ReducedAngle& angle) {
  const double value =
      angle.quadrant & 1 ? CosineKernel(angle.a, angle.da) : SineKernel(angle.a, angle.da);
  return angle.quadrant & 2 ? -value : value;
}

ReducedAngle Reduce(double x, uint32_t magnitude) {
  return magnitude < 0x419921FB ? ReduceAngle(x) : ReduceHugeAngle(x);
}

}  // namespace

double Sine(double radians) {
  const uint32_t magnitude = HighWord(radians) & 0x7fffffff;
  if (magnitude < 0x3e500000) return radians;                 // |x| < 2^-26: sin x rounds to x
  if (magnitude < 0x3feb6000) return SineKernel(radians, 0);  // |x| < 0.855469
  if (magnitude < 0x400368fd) {                               // |x| < 2.426265
    const double t = kHalfPi - std::fabs(radians);
    return std::copysign(CosineKernel(t, kHalfPiLow), radians);
  }
  if (magnitude < 0x7ff00000) return QuadrantSine(Reduce(radians, magnitude));
  return radians / radians;  // infinity or NaN
}

double Cosine(double radians) {
  const uint32_t magnitude = HighWord(radians) & 0x7fffffff;
  if (magnitude < 0x3e400000) return 1.0;  // |x| < 2^-27: cos x rounds to 1
  if (magnitude < 0x3feb6000) return CosineKernel(radians, 0);
  if (magnitude < 0x400368fd) {
    const double y = kHalfPi - std::fabs(radians);
    const double a = y + kHalfPiLow;
    return SineKernel(a, (y - a) + kHalfPiLow);
  }
  if (magnitude < 0x7ff00000) {
    ReducedAngle angle = Reduce(radians, magnitude);
    angle.quadrant += 1;
    return QuadrantSine(angle);
  }
  return radians / radians;
}

}  // namespace salvo
