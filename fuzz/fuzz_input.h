// What every fuzz target needs: the fuzzer's bytes as a read-only stream, and
// the end of each run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/stream.h"

namespace salvo::fuzz {

// A stream over the input itself; no copy, since the stream never writes.
inline Ref<TMemoryStream> InputStream(const uint8_t* data, size_t size) {
  return New<TMemoryStream>(const_cast<uint8_t*>(data), static_cast<int32_t>(size), true, false);
}

// Destroys the objects the run let go of. Objects are only parked when their
// last reference goes, so without this every run would look like a leak and
// libFuzzer would stop checking each input for leaks.
struct EndOfRun {
  ~EndOfRun() { ReleaseStep(); }
};

}  // namespace salvo::fuzz
