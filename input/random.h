// The process-wide pseudo-random generator: a multiplicative congruential
// generator modulo 2^31 - 1 with multiplier 48271, stepped with Schrage's
// method so that no intermediate product leaves 32 bits. The same seed gives
// the same sequence on every machine.
#pragma once

#include <cstdint>

namespace salvo {

// Sets the state to the seed's low 31 bits; 0 and 0x7FFFFFFF (which the
// generator can never leave) are replaced by the initial state 0x1234.
void SeedRandom(int32_t seed);
// The current state, 1 .. 0x7FFFFFFE.
int32_t RandomSeed();
// A multiple of 2^-24 in [0, 1). One step.
float RandomFloat();
// A double in [0, 1) built from two steps.
double RandomDouble();
// A double in [min(a, b), max(a, b)); a when a == b. Two steps.
double RandomRange(double a, double b);
// An integer between a and b, both included, in either order. The draw is
// truncated toward zero, so (-1, 1) maps to 0 and a negative lower bound is
// reached only when the underlying double is exactly 0. Two steps.
int32_t RandomInt(int32_t a, int32_t b);

}  // namespace salvo
