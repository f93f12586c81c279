// The BMP loader. Bitmap rows are stored bottom to top (unless the height is
// negative), each padded to a multiple of 4 bytes; pixels are blue, green,
// red (and a fourth byte), which BGR888 and BGRA8888 hold as they are.
#include "pixmap/bmp_loader.h"

#include <cstring>
#include <vector>

#include "pixmap/loader_io_internal.h"

namespace salvo {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;
constexpr int kUncompressed = 0;

struct Header {
  int64_t dataOffset;
  int64_t infoSize;
  int64_t width;
  int64_t height;  // negative: rows run top to bottom
  int bitCount;
  int64_t compression;
  int64_t coloursUsed;
};

bool ReadHeader(TStream& stream, Header& header) {
  uint8_t bytes[kFileHeaderBytes + kInfoHeaderBytes] = {};
  if (!ReadExactly(stream, bytes, kFileHeaderBytes)) return false;
  if (bytes[0] != 'B' || bytes[1] != 'M') return false;
  if (!ReadExactly(stream, bytes + kFileHeaderBytes, kInfoHeaderBytes)) return false;
  const uint8_t* info = bytes + kFileHeaderBytes;
  header = {ReadLE32(bytes + 10), ReadLE32(info),      ReadLE32(info + 4), ReadLE32(info + 8),
            ReadLE16(info + 14),  ReadLE32(info + 16), ReadLE32(info + 32)};
  return header.infoSize >= kInfoHeaderBytes;
}

int FormatOf(const Header& header) {
  if (header.compression == kUncompressed) {
    if (header.bitCount == 24) return PF_BGR888;
    if (header.bitCount == 32) return PF_BGRA8888;
    if (header.bitCount == 1 || header.bitCount == 4 || header.bitCount == 8) return PF_RGB888;
  }
  return PF_NONE;
}

// Palette entries stored in the file: the header's count, or all of them.
int64_t PaletteEntries(const Header& header) {
  return header.coloursUsed > 0 ? header.coloursUsed : int64_t{1} << header.bitCount;
}

// The palette as RGB triples; entries beyond the file's count stay black.
bool ReadPalette(TStream& stream, const Header& header, std::vector<uint8_t>& palette) {
  const int64_t most = int64_t{1} << header.bitCount;
  const int64_t count = PaletteEntries(header);
  if (count > most) return false;
  std::vector<uint8_t> entries(size_t(count) * 4);
  if (!ReadExactly(stream, entries.data(), int64_t(entries.size()))) return false;
  palette.assign(size_t(most) * 3, 0);
  for (int64_t i = 0; i < count; ++i) {
    palette[size_t(i) * 3 + 0] = entries[size_t(i) * 4 + 2];
    palette[size_t(i) * 3 + 1] = entries[size_t(i) * 4 + 1];
    palette[size_t(i) * 3 + 2] = entries[size_t(i) * 4 + 0];
  }
  return true;
}

// One stored row into pixmap row memory.
void StoreRow(const uint8_t* in, uint8_t* out, int width, int bitCount,
              const std::vector<uint8_t>& palette) {
  if (bitCount >= 24) {
    std::memcpy(out, in, size_t(width) * (bitCount / 8));
    return;
  }
  const int perByte = 8 / bitCount;
  const int mask = (1 << bitCount) - 1;
  for (int x = 0; x < width; ++x) {
    int shift = (perByte - 1 - x % perByte) * bitCount;  // leftmost pixel in the high bits
    int index = (in[x / perByte] >> shift) & mask;
    std::memcpy(out + x * 3, &palette[size_t(index) * 3], 3);
  }
}

// A 32-bit file whose fourth bytes are all 0 does not use them for alpha.
void MakeOpaqueIfAlphaUnused(const Ref<TPixmap>& pixmap) {
  for (int y = 0; y < pixmap->height; ++y) {
    for (int x = 0; x < pixmap->width; ++x) {
      if (GetPixelPtr(pixmap, x, y)[3] != 0) return;
    }
  }
  for (int y = 0; y < pixmap->height; ++y) {
    for (int x = 0; x < pixmap->width; ++x) GetPixelPtr(pixmap, x, y)[3] = 255;
  }
}

Ref<TPixmap> ReadRows(TStream& stream, const Header& header, int format,
                      const std::vector<uint8_t>& palette) {
  const int width = int(header.width);
  const int height = int(header.height < 0 ? -header.height : header.height);
  const size_t storedBytes = (size_t(width) * header.bitCount + 31) / 32 * 4;
  // Rows the stream cannot hold are refused before the pixmap is allocated.
  if (int64_t(storedBytes) * height > BytesLeft(stream)) return nullptr;
  std::vector<uint8_t> row(storedBytes);
  Ref<TPixmap> pixmap = CreatePixmap(width, height, format, 4);
  for (int i = 0; i < height; ++i) {
    if (!ReadExactly(stream, row.data(), int64_t(storedBytes))) return nullptr;
    int y = header.height < 0 ? i : height - 1 - i;
    StoreRow(row.data(), GetPixelPtr(pixmap, 0, y), width, header.bitCount, palette);
  }
  if (format == PF_BGRA8888) MakeOpaqueIfAlphaUnused(pixmap);
  return pixmap;
}

}  // namespace

Ref<TPixmap> TBMPPixmapLoader::LoadPixmap(Ref<TStream> stream) {
  Header header;
  if (!ReadHeader(*stream, header)) return nullptr;
  const int format = FormatOf(header);
  if (format == PF_NONE) return nullptr;
  const int64_t height = header.height < 0 ? -header.height : header.height;
  if (!PictureFitsLimits(header.width, height, 4)) return nullptr;
  // The rest of a longer info header (bit-field masks and colour space).
  if (!SkipExactly(*stream, header.infoSize - kInfoHeaderBytes)) return nullptr;
  int64_t position = kFileHeaderBytes + header.infoSize;
  std::vector<uint8_t> palette;
  if (header.bitCount <= 8) {
    if (!ReadPalette(*stream, header, palette)) return nullptr;
    position += PaletteEntries(header) * 4;
  }
  if (header.dataOffset < position) return nullptr;
  if (!SkipExactly(*stream, header.dataOffset - position)) return nullptr;
  return ReadRows(*stream, header, format, palette);
}

void InitBMPModule() {
  static bool initialised = false;
  if (initialised) return;
  initialised = true;
  InitPixmapModule();
  New<TBMPPixmapLoader>();
}

}  // namespace salvo
