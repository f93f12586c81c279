// The TGA pixmap loader.
#pragma once

#include "pixmap/pixmap.h"

namespace salvo {

// Decodes uncompressed and run-length encoded true-colour (24 and 32 bits)
// and grey (8 bits) TGA pictures into BGR888, BGRA8888 or I8, top row first.
// Data with a colour map, of another kind, or cut short gives Null; so does
// every PNG (its second byte is not 0).
class TTGAPixmapLoader : public TPixmapLoader {
 public:
  Ref<TPixmap> LoadPixmap(Ref<TStream> stream) override;
};

// Initialises the pixmap module, then registers one TGA loader. Runs once.
void InitTGAModule();

}  // namespace salvo
