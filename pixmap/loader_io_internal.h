// Reading helpers and size limits shared by the picture loaders.
#pragma once

#include <cstdint>

#include "runtime/stream.h"

namespace salvo {

// Reads count bytes into buffer. False when the stream ends first (ReadBytes
// would stop quietly there and leave the rest of the buffer unfilled). Raises
// TStreamReadException when a read makes no progress before the end.
bool ReadExactly(TStream& stream, void* buffer, int64_t count);

// Reads and drops count bytes; false when the stream ends first.
bool SkipExactly(TStream& stream, int64_t count);

// Bytes between the stream's position and its end: the most that any data
// read from here can hold. 0 for a stream without a position.
int64_t BytesLeft(TStream& stream);

// Largest picture the loaders accept: each side at most kMaxPictureSide
// pixels and at most kMaxPictureBytes of pixel memory.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr int64_t kMaxPictureBytes = int64_t{256} << 20;
bool PictureFitsLimits(int64_t width, int64_t height, int bytesPerPixel);

// Little-endian fields of a header read into memory.
inline int ReadLE16(const uint8_t* p) {
  return p[0] | p[1] << 8;
}
inline int64_t ReadLE32(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                 uint32_t(p[3]) << 24);
}

}  // namespace salvo
