// The PNG pixmap loader, on the system libpng.
#pragma once

#include "pixmap/pixmap.h"

namespace salvo {

// Decodes PNG streams into I8 (grey), RGB888 (RGB, palette) or RGBA8888 (RGB
// with alpha, palette or RGB with a transparency chunk). 16-bit channels keep
// their high byte. Grey with alpha (including grey with a transparency chunk,
// which becomes grey with alpha), anything that is not a PNG, and corrupt,
// truncated or oversized files give Null (sides up to 16384 pixels and 256
// MiB of pixels are accepted, and no more rows than the rest of the stream
// can hold).
class TPNGPixmapLoader : public TPixmapLoader {
 public:
  Ref<TPixmap> LoadPixmap(Ref<TStream> stream) override;
};

// Initialises the pixmap module, then registers one PNG loader. Runs once.
void InitPNGModule();

}  // namespace salvo
