// Pixmaps: rectangular pixel buffers in one of six byte formats, the
// conversions between those formats, the pixel operations built on them, and
// the registry of loaders through which a path or stream becomes a pixmap.
//
// RGBA8888 is the working format: textures, resizing and masking go through it.
// A pixel value, as ReadPixel and WritePixel see it, is a 32-bit word with
// alpha in bits 24-31, red in 16-23, green in 8-15 and blue in 0-7.
//
// Arguments are not range-checked: coordinates, window rectangles and paste
// positions must lie inside the pixmaps involved.
#pragma once

#include <cstdint>

#include "runtime/object.h"
#include "runtime/stream.h"

namespace salvo {

// Pixel format codes.
inline constexpr int PF_NONE = 0;
inline constexpr int PF_I8 = 1;        // intensity
inline constexpr int PF_A8 = 2;        // alpha
inline constexpr int PF_BGR888 = 3;    // blue, green, red
inline constexpr int PF_RGB888 = 4;    // red, green, blue
inline constexpr int PF_BGRA8888 = 5;  // blue, green, red, alpha
inline constexpr int PF_RGBA8888 = 6;  // red, green, blue, alpha
inline constexpr int PF_COUNT = 7;

// One row of the static format table.
struct PixelFormatInfo {
  int bytesPerPixel;
  int bitsPerPixel;
  int redBits;
  int greenBits;
  int blueBits;
  int alphaBits;
};

// The table row of a format; unknown codes get the row of PF_NONE (all 0).
const PixelFormatInfo& GetPixelFormatInfo(int format);
inline int BytesPerPixel(int format) {
  return GetPixelFormatInfo(format).bytesPerPixel;
}
inline bool FormatHasAlpha(int format) {
  return GetPixelFormatInfo(format).alphaBits > 0;
}

// Converts a run of count pixels from one format to another. Same formats are
// copied; RGBA8888 converts directly to and from every format; any other pair
// goes through an RGBA8888 temporary. The runs must not overlap.
void ConvertPixels(const uint8_t* source, int sourceFormat, uint8_t* destination,
                   int destinationFormat, int count);

class TPixmap : public Object {
 public:
  TPixmap(uint8_t* pixels, int width, int height, int pitch, int format, int capacity)
      : pixels(pixels),
        width(width),
        height(height),
        pitch(pitch),
        format(format),
        capacity(capacity) {}
  // Frees the pixel memory when the pixmap owns it (capacity >= 0).
  ~TPixmap() override;

  uint8_t* pixels = nullptr;  // first byte of row 0; rows run top to bottom
  int width = 0;
  int height = 0;
  int pitch = 0;  // bytes from one row to the next
  int format = PF_NONE;
  int capacity = 0;  // bytes owned and freed on destruction; -1 for borrowed memory
};

// New pixmap owning uninitialised memory. pitch = width x bytes per pixel
// rounded up to a multiple of alignment; capacity = pitch x height. Raises the
// runtime error "Pixmap size out of range" for a negative size, an alignment
// below 1 or a capacity that does not fit the 32-bit capacity field, and
// "Out of memory for pixmap" when the allocation fails. Loaders bound the
// sizes they read from files before calling it.
Ref<TPixmap> CreatePixmap(int width, int height, int format, int alignment = 4);
// New pixmap over memory it does not own and never frees.
Ref<TPixmap> CreateStaticPixmap(uint8_t* pixels, int width, int height, int pitch, int format);
// A static pixmap over the rectangle at (x, y) of the pixmap, sharing its
// pixels, pitch and format: writes through it change the parent. It does NOT
// keep the parent alive; whoever makes a window must keep the parent too.
Ref<TPixmap> PixmapWindow(const Ref<TPixmap>& pixmap, int x, int y, int width, int height);
// New pixmap (alignment 4) with the same size, format and pixels.
Ref<TPixmap> CopyPixmap(const Ref<TPixmap>& pixmap);
// Writes the whole source into the destination at (x, y), converting each row
// to the destination's format. No clipping.
void PastePixmap(const Ref<TPixmap>& destination, const Ref<TPixmap>& source, int x, int y);
// New pixmap (alignment 4) of the same size in the given format.
Ref<TPixmap> ConvertPixmap(const Ref<TPixmap>& pixmap, int format);

uint8_t* GetPixelPtr(const Ref<TPixmap>& pixmap, int x, int y);
// The pixel as 0xAARRGGBB; 0 for format none or unknown.
uint32_t ReadPixel(const Ref<TPixmap>& pixmap, int x, int y);
// Stores 0xAARRGGBB in the pixmap's format (I8 keeps (r + g + b) / 3).
void WritePixel(const Ref<TPixmap>& pixmap, int x, int y, uint32_t value);

// New pixmaps (same format, alignment 4) mirrored left to right / top to bottom.
Ref<TPixmap> XFlipPixmap(const Ref<TPixmap>& pixmap);
Ref<TPixmap> YFlipPixmap(const Ref<TPixmap>& pixmap);
// New pixmap of the given size in the source's format, filtered bilinearly
// with edge clamping; halving a size averages each 2 x 2 block.
Ref<TPixmap> ResizePixmap(const Ref<TPixmap>& pixmap, int width, int height);
// New RGBA8888 pixmap: pixels of the key colour become transparent and take
// the average colour of their non-key neighbours; all others become opaque.
Ref<TPixmap> MaskPixmap(const Ref<TPixmap>& pixmap, int red, int green, int blue);

// A decoder for one picture format. Constructing a loader links it at the
// head of the process-wide loader list, so the newest loader is tried first.
// Loaders are never removed. Create them with New: the list holds a counted
// reference from the constructor on.
class TPixmapLoader : public Object {
 public:
  TPixmapLoader();
  // The decoded pixmap, or Null when the data is not this loader's format.
  // Reads from the stream's current position.
  virtual Ref<TPixmap> LoadPixmap(Ref<TStream> stream) = 0;

  Ref<TPixmapLoader> next;
};

// The loader tried first (the most recently constructed), or Null.
Ref<TPixmapLoader> FirstPixmapLoader();

// Opens the source (a URL such as "incbin::ship.png", or an open stream, which
// stays open) and offers it to every loader in turn, each from the same start
// position. Null when nothing can open or decode it; a stream error inside a
// loader counts as that loader failing, other errors pass to the caller.
Ref<TPixmap> LoadPixmap(const StreamSource& source);

// Prepares the module (the stream factories it opens URLs with). Runs once.
void InitPixmapModule();

}  // namespace salvo
