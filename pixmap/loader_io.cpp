#include "pixmap/loader_io_internal.h"

namespace salvo {

bool ReadExactly(TStream& stream, void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (stream.Eof()) return false;
    int32_t chunk = count > (1 << 30) ? (1 << 30) : int32_t(count);
    int32_t read = stream.Read(out, chunk);
    if (read <= 0) throw TStreamReadException();
    out += read;
    count -= read;
  }
  return true;
}

bool SkipExactly(TStream& stream, int64_t count) {
  uint8_t scratch[1024];
  while (count > 0) {
    int64_t chunk = count < int64_t(sizeof scratch) ? count : int64_t(sizeof scratch);
    if (!ReadExactly(stream, scratch, chunk)) return false;
    count -= chunk;
  }
  return true;
}

int64_t BytesLeft(TStream& stream) {
  const int64_t pos = stream.Pos();
  const int64_t size = stream.Size();
  return pos < 0 || size < pos ? 0 : size - pos;
}

bool PictureFitsLimits(int64_t width, int64_t height, int bytesPerPixel) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height * bytesPerPixel <= kMaxPictureBytes;
}

}  // namespace salvo
