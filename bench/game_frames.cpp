// Frames of the game at round 30 with a player firing full 7-shell volleys
// into the wave: the game logic alone on the recording driver, and the same
// scene drawn by the OpenGL driver (Mesa under an X display; run through
// tools/with-display.sh). Both report the live object counts of the scene.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <exception>

#include "audio/audio_sample.h"
#include "audio/sound.h"
#include "game/frame_loop.h"
#include "game/globals.h"
#include "harness/headless_game.h"
#include "game/rounds.h"
#include "game/shots.h"
#include "input/input_state.h"
#include "input/system_driver.h"
#include "input/virtual_keys.h"
#include "pixmap/png_loader.h"
#include "render/gl_driver.h"
#include "render/graphics.h"
#include "runtime/list.h"
#include "runtime/object.h"
#include "runtime/stream.h"

namespace {

using namespace salvo;

constexpr int kWarmUpFrames = 600;

// The wave of round 30 (167 units), the banner already gone, every upgrade
// bought: seven shells per volley, the largest blasts.
void StartRoundThirty() {
  enemies->Clear();
  round = 29;
  StartRound();
  roundBanner = 0;
  upgradeMenuOpen = 0;
  gameOver = 0;
  shotCount = 7;
  blastRadius = 64;
}

// The scripted player: sweeps left and right along the track and fires a
// half-charged volley (bursting about 300 pixels up, among the wave) every 50
// frames. Keys are scheduled for the pass about to run.
void ScriptPlayer(TScriptedSystemDriver& system, int frame) {
  int sweep = frame % 240;
  if (sweep == 0) system.Press(VK_RIGHT);
  if (sweep == 60) system.Release(VK_RIGHT);
  if (sweep == 120) system.Press(VK_LEFT);
  if (sweep == 180) system.Release(VK_LEFT);
  if (frame % 50 == 0) system.Press(VK_SPACE);
  if (frame % 50 == 25) system.Release(VK_SPACE);
}

// Keeps the fight going: the player never dies, and a fresh wave comes when
// the old one has thinned out.
bool SceneNeedsNewWave() {
  health = 10;
  return upgradeMenuOpen != 0 || CountList(enemies) < 100;
}

int CountParticles() {
  int particles = 0;
  for (Ref<TExplosion> explosion : Each<TExplosion>(explosions)) {
    particles += CountList(explosion->particles);
  }
  return particles;
}

struct SceneTally {
  double liveObjects = 0, enemies = 0, shells = 0, explosions = 0, particles = 0, blood = 0;
  int samples = 0;

  void Sample() {
    liveObjects += static_cast<double>(LiveObjects());
    enemies += CountList(salvo::enemies);
    shells += CountList(shots);
    explosions += CountList(salvo::explosions);
    particles += CountParticles();
    blood += CountList(bloodDrops);
    samples++;
  }
  void Report(benchmark::State& state) const {
    if (samples == 0) return;
    state.counters["live_objects"] = liveObjects / samples;
    state.counters["enemies"] = enemies / samples;
    state.counters["shells"] = shells / samples;
    state.counters["explosions"] = explosions / samples;
    state.counters["particles"] = particles / samples;
    state.counters["blood_drops"] = blood / samples;
  }
};

// Runs frames of the scene; `frame` runs one pass and returns false when the
// loop ended. Objects are counted outside the timing.
template <class RunFrame>
void RunScene(benchmark::State& state, TScriptedSystemDriver& system, RunFrame frame) {
  int frameNumber = 0;
  for (; frameNumber < kWarmUpFrames; frameNumber++) {
    ScriptPlayer(system, frameNumber);
    if (SceneNeedsNewWave()) StartRoundThirty();
    frame();
  }
  SceneTally tally;
  for (auto _ : state) {
    ScriptPlayer(system, frameNumber);
    if (SceneNeedsNewWave()) {
      state.PauseTiming();
      StartRoundThirty();
      state.ResumeTiming();
    }
    if (!frame()) {
      state.SkipWithError("the frame loop ended");
      break;
    }
    frameNumber++;
    if (frameNumber % 16 == 0) {
      state.PauseTiming();
      tally.Sample();
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
  tally.Report(state);
}

// Game logic only: the whole frame loop on the recording drawing driver, the
// scripted clock and the recording audio driver. items_per_second is frames
// per second.
void BM_HeadlessFramesRoundThirty(benchmark::State& state) {
  HeadlessGame game(123456);
  game.StartGame();
  StartRoundThirty();
  RunScene(state, game.System(), [&game] { return game.Frame(); });
}
BENCHMARK(BM_HeadlessFramesRoundThirty)->Unit(benchmark::kMicrosecond);

// The same scene drawn by the OpenGL driver in an unpaced 640 x 480 window.
void BM_GLFramesRoundThirty(benchmark::State& state) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    state.SkipWithError("no X display (run through tools/with-display.sh)");
    return;
  }
  // The modules the game's loads need; the audio stays the silent driver's
  // until the recording one replaces it.
  InitStreamModule();
  InitPNGModule();
  InitAudioSampleModule();
  InitAudioModule();
  Ref<TScriptedSystemDriver> system = New<TScriptedSystemDriver>(123456);
  Ref<TRecordingAudioDriver> audio = New<TRecordingAudioDriver>();
  ResetGameGlobals();
  SetSystemDriver(system);
  SetAudioDriver(audio);
  ClearInputState();
  Game game;
  try {
    InstallGLDriver();
    OpenGraphics(640, 480, 0, 0);
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
    return;
  }
  game.LoadAssets();
  game.SetUpGame();
  StartRoundThirty();
  TScriptedSystemDriver* clock = system.Get();
  RunScene(state, *system, [&game, clock] {
    bool more = game.Frame();
    clock->AdvanceFrame();
    clock->NextPass();
    return more;
  });
  ResetGameGlobals();
  ReleaseGameAssets();
  CloseGraphics();
  ReleaseStep();
}
BENCHMARK(BM_GLFramesRoundThirty)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
