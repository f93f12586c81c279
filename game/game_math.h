// The game's arithmetic helpers: degree trigonometry through double precision
// (the runtime's own sine and cosine, so that every platform plays alike) and
// truncation toward zero.
#pragma once

#include <cmath>
#include <limits>

#include "runtime/degrees.h"

namespace salvo {

inline double CosDeg(double degrees) {
  return CosineOfDegrees(degrees);
}
inline double SinDeg(double degrees) {
  return SineOfDegrees(degrees);
}

// Float to int, truncating toward zero. Values beyond the int range (never
// met in play) are pinned to its ends instead of being undefined.
inline int Trunc(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace salvo
