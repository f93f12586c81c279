// TGA and BMP files built byte by byte for the loader tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace salvo::test {

using Bytes = std::vector<uint8_t>;

// Appends each value as `size` little-endian bytes.
inline void PutLE(Bytes& out, int size, std::initializer_list<int64_t> values) {
  for (int64_t value : values) {
    for (int i = 0; i < size; ++i) out.push_back(uint8_t(value >> (8 * i)));
  }
}

inline Bytes TGA(int kind, int width, int height, int depth, int descriptor, const Bytes& data) {
  Bytes out = {3, 0, uint8_t(kind), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  PutLE(out, 2, {width, height});
  PutLE(out, 1, {depth, descriptor});
  out.insert(out.end(), {'i', 'd', '!'});  // image ID, skipped
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// rows: stored rows in file order, already padded to 4 bytes. Uncompressed.
inline Bytes BMP(int width, int height, int bitCount, const Bytes& palette, const Bytes& rows) {
  const int64_t offset = 14 + 40 + int64_t(palette.size()), size = int64_t(rows.size());
  Bytes out = {'B', 'M'};
  PutLE(out, 4, {offset + size, 0, offset, 40, width, height});
  PutLE(out, 2, {1, bitCount});
  PutLE(out, 4, {0, size, 2835, 2835, int64_t(palette.size() / 4), 0});
  out.insert(out.end(), palette.begin(), palette.end());
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

}  // namespace salvo::test
