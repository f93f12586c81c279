// Angles are given in degrees throughout the runtime and the game; the maths
// library wants radians.
#pragma once

namespace salvo {

inline constexpr double kRadiansPerDegree = 0.017453292519943295;  // pi / 180

}  // namespace salvo
