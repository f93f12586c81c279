// Angles are given in degrees throughout the runtime and the game; the maths
// functions want radians.
#pragma once

namespace salvo {

inline constexpr double kRadiansPerDegree = 0.017453292519943295;  // pi / 180

// Sine(degrees * kRadiansPerDegree) and Cosine(degrees * kRadiansPerDegree),
// bit for bit. Whole degrees from -360 to 360, which the game asks for many
// times a frame, come from a table those functions fill once.
double SineOfDegrees(double degrees);
double CosineOfDegrees(double degrees);

}  // namespace salvo
