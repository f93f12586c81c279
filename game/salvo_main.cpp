#include "game/salvo_main.h"

#include "audio/audio_sample.h"
#include "audio/sound.h"
#include "game/frame_loop.h"
#include "input/system_driver.h"
#include "pixmap/pixmap.h"
#include "pixmap/png_loader.h"
#include "render/gl_driver.h"
#include "render/image_font.h"
#include "runtime/object.h"
#include "runtime/stream.h"

namespace salvo {

void InitRuntimeModules() {
  InitStreamModule();
  InitSystemModule();
  InitPixmapModule();
  InitPNGModule();
  InitGLDriverModule();
  InitImageFontModule();
  InitAudioSampleModule();
  InitAudioModule();
  InitMixerAudioModule();
}

int SalvoMain() {
  InitRuntimeModules();
  Game game;
  game.OpenDisplayAndLoadAssets();
  while (game.TitleFrame()) {
  }
  game.SetUpGame();
  while (game.Frame()) {
  }
  ReleaseStep();
  return 0;
}

}  // namespace salvo
