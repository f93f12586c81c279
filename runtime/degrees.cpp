#include "runtime/degrees.h"

#include "runtime/sine_cosine.h"

namespace salvo {
namespace {

constexpr int kTableLimit = 360;

struct WholeDegrees {
  double sine[2 * kTableLimit + 1];
  double cosine[2 * kTableLimit + 1];

  WholeDegrees() {
    for (int degrees = -kTableLimit; degrees <= kTableLimit; degrees++) {
      sine[degrees + kTableLimit] = Sine(degrees * kRadiansPerDegree);
      cosine[degrees + kTableLimit] = Cosine(degrees * kRadiansPerDegree);
    }
  }
};

const WholeDegrees& Table() {
  static const WholeDegrees table;
  return table;
}

// The table's index of degrees, or -1. 0 is left out: -0 has a sine of its
// own, and both are quick to compute.
int TableIndex(double degrees) {
  if (!(degrees >= -kTableLimit && degrees <= kTableLimit) || degrees == 0) return -1;
  const int whole = static_cast<int>(degrees);
  return whole == degrees ? whole + kTableLimit : -1;
}

}  // namespace

double SineOfDegrees(double degrees) {
  const int index = TableIndex(degrees);
  return index >= 0 ? Table().sine[index] : Sine(degrees * kRadiansPerDegree);
}

double CosineOfDegrees(double degrees) {
  const int index = TableIndex(degrees);
  return index >= 0 ? Table().cosine[index] : Cosine(degrees * kRadiansPerDegree);
}

}  // namespace salvo
