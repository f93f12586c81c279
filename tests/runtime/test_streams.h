// Streams the loader tests hand out: memory streams over bytes, one that
// counts its Close calls and one that cannot tell its position; and the
// little-endian writer their files are built with.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "runtime/stream.h"

namespace salvo::testing {

// A memory stream over the bytes of a vector or string (which must outlive
// it), read-only unless told otherwise.
template <class Bytes>
Ref<TMemoryStream> StreamOver(Bytes& bytes, bool writeable = false) {
  return New<TMemoryStream>(bytes.data(), static_cast<int32_t>(bytes.size()), true, writeable);
}

// Appends each value as `size` little-endian bytes.
inline void PutLE(std::vector<uint8_t>& out, int size, std::initializer_list<int64_t> values) {
  for (int64_t value : values) {
    for (int i = 0; i < size; ++i) out.push_back(uint8_t(value >> (8 * i)));
  }
}

inline int closedStreams = 0;  // Close calls of the streams below

class CountingStream : public TMemoryStream {
 public:
  explicit CountingStream(std::vector<uint8_t>& bytes)
      : TMemoryStream(bytes.data(), static_cast<int32_t>(bytes.size()), true, false) {}
  int32_t Close() override { return ++closedStreams, 0; }
};

class UnpositionedStream : public TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Close() override { return ++closedStreams, 0; }
};

}  // namespace salvo::testing
