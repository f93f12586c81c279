// Internal header of runtime/ (not part of its public API).
// Error-free transformations and a fused multiply-add made of them, in plain
// double arithmetic. Every file that includes this header must be compiled
// with -ffp-contract=off: a compiler that fused a multiply and an add here
// would break the exactness everything below relies on.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace salvo {

// s + e == a + b exactly, s = a + b rounded (Knuth's two-sum).
inline void TwoSum(double a, double b, double& s, double& e) {
  s = a + b;
  const double bPart = s - a;
  e = (a - (s - bPart)) + (b - bPart);
}

// hi + lo == a exactly, each half with at most 26 significant bits
// (Veltkamp's split). Needs |a| < 2^995.
inline void Split(double a, double& hi, double& lo) {
  const double t = 134217729.0 * a;  // 2^27 + 1
  hi = t - (t - a);
  lo = a - hi;
}

// p + e == a * b exactly, p = a * b rounded (Dekker's product). Needs
// |a|, |b| < 2^995 and a product far from the subnormal range (exponent
// above -969), which the callers' operands are.
inline void TwoProduct(double a, double b, double& p, double& e) {
  double aHi, aLo, bHi, bLo;
  Split(a, aHi, aLo);
  Split(b, bHi, bLo);
  p = a * b;
  e = ((aHi * bHi - p) + aHi * bLo + aLo * bHi) + aLo * bLo;
}

// a + b rounded to odd: exact sums stay, any other gives the neighbour of
// the truncated sum whose last significand bit is 1. Rounding to odd first
// and to nearest after gives the nearest rounding of the whole, with no
// double-rounding error.
inline double AddRoundingToOdd(double a, double b) {
  double s, e;
  TwoSum(a, b, s, e);
  if (e == 0) return s;
  uint64_t bits;
  std::memcpy(&bits, &s, sizeof bits);
  if ((bits & 1) == 0) {
    // The exact sum lies between s and its neighbour towards e: away from
    // zero when e has the sign of s (s is not 0 here, as e is not).
    bits = (e > 0) == (s > 0) ? bits + 1 : bits - 1;
    std::memcpy(&s, &bits, sizeof s);
  }
  return s;
}

// a * b + c rounded once to the nearest double, like the FMA instruction
// (Boldo and Melquiond's emulation through rounding to odd), for operands
// within TwoProduct's range and c zero or above 2^-960.
inline double FusedMultiplyAdd(double a, double b, double c) {
  // Two shortcuts make sines and cosines of whole quarter turns and of
  // tiny arguments cheap. A product below |c| * 2^-55 is closer to 0 than c
  // is to the nearest midpoint between c and its neighbours, so the sum
  // rounds to c. With c = 0 the result is the product rounded (the sum
  // decides only the sign of an exact 0).
  const double rounded = a * b;
  if (std::fabs(rounded) < std::fabs(c) * 0x1p-55) return c;
  if (c == 0) return rounded + c;
  double product, productError;
  TwoProduct(a, b, product, productError);
  if (productError == 0) return product + c;  // exact product: one rounding
  double sum, sumError;
  TwoSum(c, product, sum, sumError);
  return sum + AddRoundingToOdd(sumError, productError);
}

}  // namespace salvo
