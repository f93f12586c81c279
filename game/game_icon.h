// The game's own icon: the cannon as it stands on its track, the barrel
// pointing up over the mount, the mask colour made transparent. The desktop
// entry's icons are made the same way from the same two pictures.
#pragma once

#include "pixmap/pixmap.h"

namespace salvo {

// A 32 x 32 RGBA8888 pixmap from the bundled cannon pictures (the pixmap
// module and its PNG loader must be running); Null when they cannot be read.
Ref<TPixmap> MakeGameIcon();

}  // namespace salvo
