#include "game/salvo_main.h"

#include "audio/audio_sample.h"
#include "audio/sound.h"
#include "game/display_options.h"
#include "game/frame_loop.h"
#include "input/system_driver.h"
#include "pixmap/bmp_loader.h"
#include "pixmap/pixmap.h"
#include "pixmap/png_loader.h"
#include "pixmap/tga_loader.h"
#include "render/gl_driver.h"
#include "render/graphics.h"
#include "render/image_font.h"
#include "runtime/error.h"
#include "runtime/object.h"
#include "runtime/stream.h"

namespace salvo {

void InitRuntimeModules() {
  // The OpenGL driver becomes the drawing driver, with the 2D front end, the
  // built-in font and pixmaps behind it.
  InitGLDriverModule();
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
  // The silent audio driver, replaced at once by the mixer-backed one.
  InitAudioModule();
  InitMixerAudioModule();
  // Clock, timers and the message pump.
  InitSystemModule();
}

// Opens the display; when that fails, first says why in the player's terms,
// then lets the runtime error end the program as usual.
void OpenDisplay(Game& game, const GameOptions& options) {
  ApplyDisplayOptions(options);
  try {
    game.OpenDisplayAndLoadAssets();
  } catch (const RuntimeError&) {
    if (!DrawingContext().graphicsOpen) ExplainDisplayFailure(options);
    throw;
  }
}

int SalvoMain(const GameOptions& options) {
  if (options.mute) DisableAudioOutput();
  InitRuntimeModules();
  Game game;
  OpenDisplay(game, options);
  while (game.TitleFrame()) {
  }
  game.SetUpGame();
  while (game.Frame()) {
  }
  // Objects dropped in the last pass (the one that saw Escape) go now.
  ReleaseStep();
  return 0;
}

}  // namespace salvo
