// Pictures built in memory for the loader tests: TGA and BMP files byte by
// byte, and PNG files of every colour type and bit depth with libpng, damaged
// in chosen ways; and files cut short for any loader.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <vector>

#include "../runtime/test_streams.h"
#include "pixmap/pixmap.h"

namespace salvo::test {

using Bytes = std::vector<uint8_t>;
using testing::PutLE;
using testing::StreamOver;

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

struct PNGImage {
  int width, height, bitDepth, colorType;
  Bytes pixels{};  // packed rows, as libpng expects them
  std::vector<png_color> palette{};
  Bytes paletteAlpha{};  // tRNS for palette images
  bool greyKey = false;  // tRNS for grey images
  png_color_16 transparentGrey{};
  bool interlaced = false;
};

// Plain pointers only across the setjmp.
inline bool WritePNG(png_structp png, png_infop info, const PNGImage* image, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, image->width, image->height, image->bitDepth, image->colorType,
               image->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  auto* pixels = const_cast<uint8_t*>(image->pixels.data());
  for (int y = 0; y < image->height; ++y) rows[y] = pixels + y * png_get_rowbytes(png, info);
  if (!image->palette.empty()) {
    png_set_PLTE(png, info, image->palette.data(), int(image->palette.size()));
  }
  if (!image->paletteAlpha.empty()) {
    png_set_tRNS(png, info, image->paletteAlpha.data(), int(image->paletteAlpha.size()), nullptr);
  }
  if (image->greyKey) png_set_tRNS(png, info, nullptr, 0, &image->transparentGrey);
  png_write_info(png, info);
  if (image->interlaced) png_set_interlace_handling(png);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

// The encoded file; empty when libpng refuses the image.
inline Bytes EncodePNG(const PNGImage& image) {
  std::vector<png_bytep> rows(size_t(image.height));
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  auto append = [](png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
  };
  png_set_write_fn(png, &out, append, [](png_structp) {});
  if (!WritePNG(png, info, &image, rows.data())) out.clear();
  png_destroy_write_struct(&png, &info);
  return out;
}

// Offset of the first chunk of the given type (its length field), or 0.
inline size_t FindChunk(const Bytes& png, const char* type) {
  for (size_t offset = 8; offset + 12 <= png.size(); offset += 12 + png_get_uint_32(&png[offset])) {
    if (std::equal(type, type + 4, &png[offset + 4])) return offset;
  }
  return 0;
}

// Replaces the IHDR width and height of an encoded file, and the chunk's
// CRC-32 (of its type and 13 data bytes) with the one that matches them.
inline void PatchHeaderSize(Bytes& png, uint32_t width, uint32_t height) {
  size_t header = FindChunk(png, "IHDR");
  png_save_uint_32(&png[header + 8], width);
  png_save_uint_32(&png[header + 12], height);
  png_save_uint_32(&png[header + 21], uint32_t(crc32(0, &png[header + 4], 17)));
}

// The whole file loads, and every start of it that stops short is refused.
inline ::testing::AssertionResult LoadsOnlyWhole(Bytes file, TPixmapLoader& loader) {
  auto load = [&](Bytes& bytes) { return loader.LoadPixmap(StreamOver(bytes)); };
  if (!load(file)) return ::testing::AssertionFailure() << "the whole file is refused";
  for (size_t size = 0; size < file.size(); ++size) {
    Bytes start(file.begin(), file.begin() + size);
    if (load(start)) return ::testing::AssertionFailure() << "the first " << size << " bytes load";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace salvo::test
