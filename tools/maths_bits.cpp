// Prints, for every whole degree from -1000 to 1000, the bits of what the
// game computes from it: the runtime's sine and cosine of the degree, the
// float velocities the game derives from them (spreads of 0.5, 1, 2 and a
// cannon's charges), and, for comparison, the platform C library's sin and
// cos. tools/compare-maths.sh builds it for Linux and Windows and compares.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "runtime/degrees.h"

namespace {

uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

uint32_t Bits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace

int main() {
  const double factors[] = {0.5, 1, 2, 3.75, 7.5, 12.25};
  for (int degrees = -1000; degrees <= 1000; degrees++) {
    const double sine = salvo::SineOfDegrees(degrees);
    const double cosine = salvo::CosineOfDegrees(degrees);
    std::printf("runtime %d %016llx %016llx", degrees, static_cast<unsigned long long>(Bits(sine)),
                static_cast<unsigned long long>(Bits(cosine)));
    for (double factor : factors) {
      std::printf(" %08x %08x", Bits(static_cast<float>(cosine * factor)),
                  Bits(static_cast<float>(sine * factor)));
    }
    const double radians = degrees * salvo::kRadiansPerDegree;
    std::printf("\nlibm %d %016llx %016llx\n", degrees,
                static_cast<unsigned long long>(Bits(std::sin(radians))),
                static_cast<unsigned long long>(Bits(std::cos(radians))));
  }
}
