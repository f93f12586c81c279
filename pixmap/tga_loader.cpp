// The TGA loader. TGA stores blue, green, red (and alpha), which are the
// BGR888 and BGRA8888 formats as they are, so rows are copied unconverted.
#include "pixmap/tga_loader.h"

#include <cstring>
#include <vector>

#include "pixmap/loader_io_internal.h"

namespace salvo {
namespace {

constexpr int kHeaderBytes = 18;
constexpr int kTrueColour = 2;
constexpr int kGrey = 3;
constexpr int kRunLength = 8;       // added to the kind for RLE data
constexpr int kTopToBottom = 0x20;  // descriptor bit: row 0 is the top row
constexpr int kRightToLeft = 0x10;

struct Header {
  int idLength;
  int colourMapType;
  int kind;
  int width;
  int height;
  int depth;
  int descriptor;
};

Header ParseHeader(const uint8_t* h) {
  return {h[0], h[1], h[2], ReadLE16(h + 12), ReadLE16(h + 14), h[16], h[17]};
}

int FormatOf(const Header& header) {
  int kind = header.kind & ~kRunLength;
  if (kind == kTrueColour && header.depth == 24) return PF_BGR888;
  if (kind == kTrueColour && header.depth == 32) return PF_BGRA8888;
  if (kind == kGrey && header.depth == 8) return PF_I8;
  return PF_NONE;
}

// Run-length packets: a header byte, then either one pixel repeated
// (header & 127) + 1 times (top bit set) or that many literal pixels.
// Packets may run on from one row into the next.
bool ReadRunLength(TStream& stream, uint8_t* out, int64_t pixels, int bytes) {
  while (pixels > 0) {
    uint8_t packet = 0;
    if (!ReadExactly(stream, &packet, 1)) return false;
    int64_t count = (packet & 127) + 1;
    if (count > pixels) return false;
    if (packet & 128) {
      if (!ReadExactly(stream, out, bytes)) return false;
      for (int64_t i = 1; i < count; ++i) std::memcpy(out + i * bytes, out, size_t(bytes));
    } else if (!ReadExactly(stream, out, count * bytes)) {
      return false;
    }
    out += count * bytes;
    pixels -= count;
  }
  return true;
}

// Whether the bytes left in the stream can hold the picture the header
// claims, checked before any pixel memory is allocated. A run-length packet
// of at least 1 + bytes bytes gives at most 128 pixels.
bool StreamCanHold(TStream& stream, const Header& header, int bytes) {
  const int64_t pixels = int64_t(header.width) * header.height;
  const int64_t left = BytesLeft(stream);
  if (header.kind & kRunLength) return pixels <= left / (1 + bytes) * 128;
  return pixels * bytes <= left;
}

Ref<TPixmap> ReadPixels(TStream& stream, const Header& header, int format) {
  const int bytes = BytesPerPixel(format);
  if (!StreamCanHold(stream, header, bytes)) return nullptr;
  const size_t rowBytes = size_t(header.width) * bytes;
  std::vector<uint8_t> data(rowBytes * header.height);
  bool complete =
      header.kind & kRunLength
          ? ReadRunLength(stream, data.data(), int64_t(header.width) * header.height, bytes)
          : ReadExactly(stream, data.data(), int64_t(data.size()));
  if (!complete) return nullptr;
  Ref<TPixmap> pixmap = CreatePixmap(header.width, header.height, format, 4);
  const bool topFirst = header.descriptor & kTopToBottom;
  for (int y = 0; y < header.height; ++y) {
    int source = topFirst ? y : header.height - 1 - y;
    std::memcpy(GetPixelPtr(pixmap, 0, y), &data[size_t(source) * rowBytes], rowBytes);
  }
  return pixmap;
}

}  // namespace

Ref<TPixmap> TTGAPixmapLoader::LoadPixmap(Ref<TStream> stream) {
  uint8_t bytes[kHeaderBytes] = {};
  if (!ReadExactly(*stream, bytes, kHeaderBytes)) return nullptr;
  const Header header = ParseHeader(bytes);
  if (header.colourMapType != 0) return nullptr;
  const int format = FormatOf(header);
  if (format == PF_NONE || (header.descriptor & kRightToLeft)) return nullptr;
  if (!PictureFitsLimits(header.width, header.height, BytesPerPixel(format))) return nullptr;
  if (!SkipExactly(*stream, header.idLength)) return nullptr;
  return ReadPixels(*stream, header, format);
}

void InitTGAModule() {
  static bool initialised = false;
  if (initialised) return;
  initialised = true;
  InitPixmapModule();
  New<TTGAPixmapLoader>();
}

}  // namespace salvo
