// The BMP pixmap loader.
#pragma once

#include "pixmap/pixmap.h"

namespace salvo {

// Decodes uncompressed Windows bitmaps: 24-bit into BGR888, 32-bit into
// BGRA8888 (opaque when the file leaves every alpha byte 0), and 1-, 4- and
// 8-bit palette pictures into RGB888; top row first. Data that does not start
// with "BM", compressed bitmaps and files cut short give Null.
class TBMPPixmapLoader : public TPixmapLoader {
 public:
  Ref<TPixmap> LoadPixmap(Ref<TStream> stream) override;
};

// Initialises the pixmap module, then registers one BMP loader. Runs once.
void InitBMPModule();

}  // namespace salvo
