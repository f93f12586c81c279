// The crowded fight of round 30 (bench/game_frames.cpp's scene: the whole
// wave, every upgrade bought, a scripted player sweeping and firing full
// volleys) drawn by the OpenGL driver in the browser. After 600 frames to
// let the crowd build up, prints how long the next 300 frames took on
// average, each one as the player sees it: from one shown frame to the next.
#include <chrono>
#include <cstdio>

#include "audio/audio_sample.h"
#include "audio/sound.h"
#include "game/frame_loop.h"
#include "game/globals.h"
#include "harness/crowded_scene.h"
#include "harness/recording_audio.h"
#include "harness/scripted_system.h"
#include "input/input_state.h"
#include "pixmap/png_loader.h"
#include "render/gl_driver.h"
#include "render/graphics.h"
#include "runtime/list.h"
#include "runtime/stream.h"

namespace {

using namespace salvo;

constexpr int kWarmUpFrames = 600;
constexpr int kTimedFrames = 300;

void StartRoundThirty() {
  StartCrowdedWave(30, 7, 64);
}

// The player never dies, and a fresh wave comes when the old one thins out.
void KeepTheFightGoing() {
  health = 10;
  if (upgradeMenuOpen != 0 || CountList(enemies) < 100) StartRoundThirty();
}

}  // namespace

int main() {
  InitStreamModule();
  InitPNGModule();
  InitAudioSampleModule();
  InitAudioModule();
  Ref<TScriptedSystemDriver> system = New<TScriptedSystemDriver>(123456);
  ResetGameGlobals();
  SetSystemDriver(system);
  SetAudioDriver(New<TRecordingAudioDriver>());
  ClearInputState();
  InstallGLDriver();
  OpenGraphics(640, 480, 0, 0);
  Game game;
  game.LoadAssets();
  game.SetUpGame();
  StartRoundThirty();

  auto start = std::chrono::steady_clock::now();
  for (int frame = 0; frame < kWarmUpFrames + kTimedFrames; ++frame) {
    if (frame == kWarmUpFrames) start = std::chrono::steady_clock::now();
    ScriptSweepingPlayer(*system, frame);
    KeepTheFightGoing();
    game.Frame();
    system->AdvanceFrame();
    system->NextPass();
  }
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::printf("round 30: %.2f ms per frame over %d frames, %d units on the field\n",
              took.count() / kTimedFrames, kTimedFrames, CountList(enemies));
  return 0;
}
