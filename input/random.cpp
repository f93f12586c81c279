#include "input/random.h"

#include <cmath>
#include <limits>

namespace salvo {
namespace {

constexpr int32_t kModulus = 0x7FFFFFFF;  // 2^31 - 1
constexpr int32_t kMultiplier = 48271;
constexpr int32_t kQuotient = kModulus / kMultiplier;   // 44488
constexpr int32_t kRemainder = kModulus % kMultiplier;  // 3399
constexpr int32_t kInitialState = 0x1234;

static_assert(kQuotient == 44488 && kRemainder == 3399);

int32_t state = kInitialState;

// One generator step: state * 48271 mod (2^31 - 1) without 64-bit products.
int32_t Step() {
  state = kMultiplier * (state % kQuotient) - kRemainder * (state / kQuotient);
  if (state < 0) state += kModulus;
  return state;
}

// Float-to-integer conversion of the runtime: truncation toward zero. Values
// outside the 32-bit range (which the draws below cannot produce) saturate
// instead of being undefined.
int32_t TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace

void SeedRandom(int32_t seed) {
  state = seed & kModulus;
  if (state == 0 || state == kModulus) state = kInitialState;
}

int32_t RandomSeed() {
  return state;
}

float RandomFloat() {
  return static_cast<float>((Step() & 0x0FFFFFF0) / 268435456.0);
}

double RandomDouble() {
  int32_t hi = Step() & 0x1FFFFFFC;
  int32_t lo = Step() & 0x1FFFFFF8;
  return (hi + lo / 134217728.0) / 536870912.0;
}

double RandomRange(double a, double b) {
  double d = RandomDouble();
  if (b > a) return d * (b - a) + a;
  return d * (a - b) + b;
}

int32_t RandomInt(int32_t a, int32_t b) {
  double range = static_cast<double>(b) - static_cast<double>(a);
  double d = RandomDouble();
  double r = range > 0 ? d * (1 + range) + a : d * (1 - range) + b;
  return TruncateToInt(r);
}

}  // namespace salvo
