#include "game/runtime_modules.h"

#include "audio/audio_sample.h"
#include "audio/sound.h"
#include "pixmap/bmp_loader.h"
#include "pixmap/pixmap.h"
#include "pixmap/png_loader.h"
#include "pixmap/tga_loader.h"
#include "render/image_font.h"
#include "runtime/stream.h"

namespace salvo {

void InitPlatformFreeModules() {
  // The built-in font and pixmaps behind the 2D front end.
  InitImageFontModule();
  InitPixmapModule();
  // Picture loaders; the last one registered is tried first.
  InitBMPModule();
  InitPNGModule();
  InitTGAModule();
  // Audio-sample loaders (WAV, Ogg Vorbis), then the stream factories with
  // the "incbin" protocol.
  InitAudioSampleModule();
  InitStreamModule();
  // The silent audio driver, until a caller installs another.
  InitAudioModule();
}

}  // namespace salvo
