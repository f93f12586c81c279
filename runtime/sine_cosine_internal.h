// Internal header of runtime/ (not part of its public API).
// The pieces of Sine and Cosine shared between their files.
#pragma once

namespace salvo {

// sin(i / 128) and cos(i / 128) for i = 0 to 109, each as a double and the
// double nearest to its remainder (these are glibc's table values; a few
// remainders differ from the correctly rounded ones in their last bit).
struct SineCosinePoint {
  double sine, sineLow, cosine, cosineLow;
};
extern const SineCosinePoint kSineCosineTable[110];

// An angle reduced by multiples of pi / 2: angle = quadrant * pi / 2 +
// (a + da) with |a + da| <= about pi / 4, a + da good to well beyond double
// precision. Only quadrant's two lowest bits count.
struct ReducedAngle {
  double a;
  double da;
  int quadrant;
};

// The reduction for |radians| >= 105414350, where two- and three-part
// multiples of pi / 2 are no longer exact enough: the argument times 2 / pi
// from 24-bit chunks of 2 / pi's binary expansion.
ReducedAngle ReduceHugeAngle(double radians);

}  // namespace salvo
