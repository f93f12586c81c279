#include "game/salvo_main.h"

#include "audio/sound.h"
#include "game/display_options.h"
#include "game/frame_loop.h"
#include "game/recorded_game.h"
#include "game/runtime_modules.h"
#include "input/system_driver.h"
#include "render/gl_driver.h"
#include "render/graphics.h"
#include "runtime/error.h"
#include "runtime/object.h"

namespace salvo {

void InitRuntimeModules() {
  // The OpenGL driver becomes the drawing driver, with the modules every
  // start-up shares behind it.
  InitGLDriverModule();
  InitPlatformFreeModules();
  // The mixer-backed audio driver replaces the silent one.
  InitMixerAudioModule();
  // Clock, timers and the message pump.
  InitSystemModule();
}

// Opens the display; when that fails, first says why in the player's terms,
// then lets the runtime error end the program as usual.
static void OpenDisplay(Game& game, const GameOptions& options) {
  ApplyDisplayOptions(options);
  try {
    game.OpenDisplayAndLoadAssets();
  } catch (const RuntimeError&) {
    if (!DrawingContext().graphicsOpen) ExplainDisplayFailure(options);
    throw;
  }
}

int SalvoMain(const GameOptions& options) {
  if (const int refused = RefuseOversizedWindow(options); refused >= 0) return refused;
  if (options.mute) DisableAudioOutput();
  InitRuntimeModules();
  Game game;
  const GameSteps steps{
      [&] { OpenDisplay(game, options); },
      [&] { return game.TitleFrame(); },
      [&] { game.SetUpGame(); },
      [&] { return game.Frame(); },
  };
  const int code = PlayGame(steps, {options.recordPath, options.replayPath});
  // Objects dropped in the last pass (the one that saw Escape) go now.
  ReleaseStep();
  return code;
}

}  // namespace salvo
