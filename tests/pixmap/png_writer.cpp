#include "png_writer.h"

#include <algorithm>
#include <csetjmp>

namespace salvo::test {
namespace {

void AppendBytes(png_structp png, png_bytep data, size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

void NoFlush(png_structp) {}

size_t RowBytes(const PNGImage& image) {
  int channels = 1;
  if (image.colorType == PNG_COLOR_TYPE_RGB) channels = 3;
  if (image.colorType == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
  if (image.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
  return (size_t(image.width) * channels * image.bitDepth + 7) / 8;
}

// Plain pointers only across the setjmp.
bool Write(png_structp png, png_infop info, const PNGImage* image, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, image->width, image->height, image->bitDepth, image->colorType,
               image->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
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

uint32_t ReadBigEndian(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void WriteBigEndian(uint8_t* p, uint32_t value) {
  p[0] = uint8_t(value >> 24);
  p[1] = uint8_t(value >> 16);
  p[2] = uint8_t(value >> 8);
  p[3] = uint8_t(value);
}

}  // namespace

std::vector<uint8_t> EncodePNG(const PNGImage& image) {
  std::vector<uint8_t> out;
  std::vector<png_bytep> rows;
  auto* pixels = const_cast<uint8_t*>(image.pixels.data());
  for (int y = 0; y < image.height; ++y) rows.push_back(pixels + y * RowBytes(image));
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, AppendBytes, NoFlush);
  bool written = Write(png, info, &image, rows.data());
  png_destroy_write_struct(&png, &info);
  if (!written) out.clear();
  return out;
}

uint32_t ChunkCRC(const uint8_t* typeAndData, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= typeAndData[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

size_t FindChunk(const std::vector<uint8_t>& png, const char* type) {
  size_t offset = 8;
  while (offset + 12 <= png.size()) {
    uint32_t length = ReadBigEndian(&png[offset]);
    if (std::equal(type, type + 4, &png[offset + 4])) return offset;
    offset += 12 + length;
  }
  return 0;
}

void FixChunkCRC(std::vector<uint8_t>& png, size_t offset) {
  uint32_t length = ReadBigEndian(&png[offset]);
  WriteBigEndian(&png[offset + 8 + length], ChunkCRC(&png[offset + 4], length + 4));
}

void PatchHeaderSize(std::vector<uint8_t>& png, uint32_t width, uint32_t height) {
  size_t header = FindChunk(png, "IHDR");
  WriteBigEndian(&png[header + 8], width);
  WriteBigEndian(&png[header + 12], height);
  FixChunkCRC(png, header);
}

}  // namespace salvo::test
