// Checks every picture a loader returns: its memory is readable to the last
// byte of the last row, so that a wrong size or pitch shows as an overflow.
#pragma once

#include <cstdlib>

#include "pixmap/pixmap.h"

namespace salvo::fuzz {

inline void CheckPixmap(const Ref<TPixmap>& pixmap) {
  if (!pixmap) return;
  if (pixmap->width <= 0 || pixmap->height <= 0) std::abort();
  const int rowBytes = pixmap->width * BytesPerPixel(pixmap->format);
  if (pixmap->pitch < rowBytes) std::abort();
  unsigned sum = 0;
  for (int y = 0; y < pixmap->height; ++y) {
    const uint8_t* row = GetPixelPtr(pixmap, 0, y);
    for (int i = 0; i < rowBytes; ++i) sum += row[i];
  }
  // Keeps the reads from being optimised away.
  volatile unsigned sink = sum;
  (void)sink;
}

}  // namespace salvo::fuzz
