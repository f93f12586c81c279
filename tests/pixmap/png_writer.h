// Writes small PNG files into memory with libpng, so the loader tests can
// build every colour type and bit depth they need on the fly.
#pragma once

#include <png.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "pixmap/pixmap.h"
#include "runtime/stream.h"

namespace salvo::test {

struct PNGImage {
  PNGImage(int width, int height, int bitDepth, int colorType, std::vector<uint8_t> pixels = {})
      : width(width),
        height(height),
        bitDepth(bitDepth),
        colorType(colorType),
        pixels(std::move(pixels)) {}

  int width = 0;
  int height = 0;
  int bitDepth = 8;
  int colorType = PNG_COLOR_TYPE_RGB;
  std::vector<uint8_t> pixels;  // packed rows, as libpng expects them
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS for palette images
  bool greyKey = false;                // tRNS for grey images
  png_color_16 transparentGrey{};
  bool interlaced = false;
};

// The encoded file; empty when libpng refuses the image.
std::vector<uint8_t> EncodePNG(const PNGImage& image);

// CRC-32 of a chunk's type and data, as stored after the chunk.
uint32_t ChunkCRC(const uint8_t* typeAndData, size_t size);
// Replaces the IHDR width and height of an encoded file (CRC kept valid).
void PatchHeaderSize(std::vector<uint8_t>& png, uint32_t width, uint32_t height);
// Offset of the first chunk of the given type (its length field), or 0.
size_t FindChunk(const std::vector<uint8_t>& png, const char* type);
// Recomputes the CRC of the chunk whose length field starts at offset.
void FixChunkCRC(std::vector<uint8_t>& png, size_t offset);

// A read-only memory stream over the bytes (which must outlive it).
inline Ref<TStream> StreamOver(std::vector<uint8_t>& bytes) {
  return New<TMemoryStream>(bytes.data(), int32_t(bytes.size()), true, false);
}

}  // namespace salvo::test
