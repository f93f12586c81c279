// Pixmap creation, copying, pixel access and flipping.
#include "pixmap/pixmap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "runtime/error.h"

namespace salvo {

TPixmap::~TPixmap() {
  if (capacity >= 0) std::free(pixels);
}

Ref<TPixmap> CreatePixmap(int width, int height, int format, int alignment) {
  if (width < 0 || height < 0 || alignment < 1) ThrowRuntimeError("Pixmap size out of range");
  // In 64 bits, so that no product can wrap before it is checked.
  int64_t rowBytes = int64_t{width} * BytesPerPixel(format);
  int64_t pitch = (rowBytes + alignment - 1) / alignment * alignment;
  int64_t capacity = pitch * height;
  if (pitch > std::numeric_limits<int>::max() || capacity > std::numeric_limits<int>::max()) {
    ThrowRuntimeError("Pixmap size out of range");
  }
  // At least one byte, so an empty pixmap still has a valid address.
  auto* pixels = static_cast<uint8_t*>(std::malloc(capacity > 0 ? size_t(capacity) : 1));
  if (!pixels) ThrowRuntimeError("Out of memory for pixmap");
  return New<TPixmap>(pixels, width, height, int(pitch), format, int(capacity));
}

Ref<TPixmap> CreateStaticPixmap(uint8_t* pixels, int width, int height, int pitch, int format) {
  return New<TPixmap>(pixels, width, height, pitch, format, -1);
}

Ref<TPixmap> PixmapWindow(const Ref<TPixmap>& pixmap, int x, int y, int width, int height) {
  return CreateStaticPixmap(GetPixelPtr(pixmap, x, y), width, height, pixmap->pitch,
                            pixmap->format);
}

Ref<TPixmap> CopyPixmap(const Ref<TPixmap>& pixmap) {
  Ref<TPixmap> copy = CreatePixmap(pixmap->width, pixmap->height, pixmap->format, 4);
  size_t rowBytes = size_t(pixmap->width) * BytesPerPixel(pixmap->format);
  if (rowBytes == 0) return copy;
  for (int y = 0; y < pixmap->height; ++y) {
    std::memcpy(GetPixelPtr(copy, 0, y), GetPixelPtr(pixmap, 0, y), rowBytes);
  }
  return copy;
}

void PastePixmap(const Ref<TPixmap>& destination, const Ref<TPixmap>& source, int x, int y) {
  for (int row = 0; row < source->height; ++row) {
    ConvertPixels(GetPixelPtr(source, 0, row), source->format, GetPixelPtr(destination, x, y + row),
                  destination->format, source->width);
  }
}

Ref<TPixmap> ConvertPixmap(const Ref<TPixmap>& pixmap, int format) {
  Ref<TPixmap> converted = CreatePixmap(pixmap->width, pixmap->height, format, 4);
  PastePixmap(converted, pixmap, 0, 0);
  return converted;
}

uint8_t* GetPixelPtr(const Ref<TPixmap>& pixmap, int x, int y) {
  return pixmap->pixels + ptrdiff_t(y) * pixmap->pitch +
         ptrdiff_t(x) * BytesPerPixel(pixmap->format);
}

uint32_t ReadPixel(const Ref<TPixmap>& pixmap, int x, int y) {
  const uint8_t* p = GetPixelPtr(pixmap, x, y);
  auto argb = [](uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
  };
  switch (pixmap->format) {
    case PF_A8:
      return argb(p[0], 255, 255, 255);
    case PF_I8:
      return argb(255, p[0], p[0], p[0]);
    case PF_RGB888:
      return argb(255, p[0], p[1], p[2]);
    case PF_BGR888:
      return argb(255, p[2], p[1], p[0]);
    case PF_RGBA8888:
      return argb(p[3], p[0], p[1], p[2]);
    case PF_BGRA8888:
      return argb(p[3], p[2], p[1], p[0]);
    default:
      return 0;
  }
}

void WritePixel(const Ref<TPixmap>& pixmap, int x, int y, uint32_t value) {
  // The value as RGBA8888 bytes, stored through the row conversion.
  const uint8_t rgba[4] = {uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value),
                           uint8_t(value >> 24)};
  ConvertPixels(rgba, PF_RGBA8888, GetPixelPtr(pixmap, x, y), pixmap->format, 1);
}

Ref<TPixmap> XFlipPixmap(const Ref<TPixmap>& pixmap) {
  Ref<TPixmap> flipped = CreatePixmap(pixmap->width, pixmap->height, pixmap->format, 4);
  const int bytes = BytesPerPixel(pixmap->format);
  const int last = pixmap->width - 1;
  for (int y = 0; y < pixmap->height; ++y) {
    const uint8_t* in = GetPixelPtr(pixmap, 0, y);
    uint8_t* out = GetPixelPtr(flipped, 0, y);
    for (int x = 0; x <= last; ++x) {
      std::memcpy(out + ptrdiff_t(last - x) * bytes, in + ptrdiff_t(x) * bytes, bytes);
    }
  }
  return flipped;
}

Ref<TPixmap> YFlipPixmap(const Ref<TPixmap>& pixmap) {
  Ref<TPixmap> flipped = CreatePixmap(pixmap->width, pixmap->height, pixmap->format, 4);
  size_t rowBytes = size_t(pixmap->width) * BytesPerPixel(pixmap->format);
  if (rowBytes == 0) return flipped;
  const int last = pixmap->height - 1;
  for (int y = 0; y <= last; ++y) {
    std::memcpy(GetPixelPtr(flipped, 0, last - y), GetPixelPtr(pixmap, 0, y), rowBytes);
  }
  return flipped;
}

}  // namespace salvo
