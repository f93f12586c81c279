// Streams the loader tests hand out: memory streams over bytes, one that counts its Close calls,
// one whose reads give out part-way and one that cannot tell its position; and the little-endian
// writer their files are built with.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "runtime/error.h"
#include "runtime/stream.h"

namespace salvo::testing {

// A memory stream over the bytes of a vector or string that outlives it, read-only unless told.
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

struct CountingStream : TMemoryStream {
  explicit CountingStream(std::vector<uint8_t>& bytes)
      : TMemoryStream(bytes.data(), static_cast<int32_t>(bytes.size()), true, false) {}
  int32_t Close() override { return ++closedStreams, 0; }
};

// Reads stop at `failAt`: from there on they make no progress (a stream read
// error) or raise a runtime error. Size() still counts every byte.
struct FailingStream : TMemoryStream {
  FailingStream(std::vector<uint8_t>& bytes, int32_t failAt, bool runtimeError = false)
      : TMemoryStream(bytes.data(), static_cast<int32_t>(bytes.size()), true, false),
        failAt(failAt),
        runtimeError(runtimeError) {}
  int32_t Read(void* out, int32_t count) override {
    if (pos >= failAt) {
      if (runtimeError) ThrowRuntimeError("device gone");
      return 0;
    }
    return TMemoryStream::Read(out, std::min(count, failAt - pos));
  }
  int32_t failAt;
  bool runtimeError;
};

struct UnpositionedStream : TStream {
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Close() override { return ++closedStreams, 0; }
};

}  // namespace salvo::testing
