// The bits of a float, for comparisons and hashes that must tell -0 from 0
// and see every NaN as it is. (std::bit_cast would do; the libc++ of the web
// build's emscripten does not have it yet.)
#pragma once

#include <cstdint>
#include <cstring>

namespace salvo {

inline uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace salvo
