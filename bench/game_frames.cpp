// Frames of the game at round 30 with a player firing full 7-shell volleys
// into the wave: the game logic alone on the recording driver, and the same
// scene drawn by the OpenGL driver (Mesa under an X display; run through
// tools/with-display.sh), with and without each of the driver's drawing
// shortcuts. Both report the live object counts of the scene.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "audio/audio_sample.h"
#include "audio/sound.h"
#include "game/frame_loop.h"
#include "game/globals.h"
#include "game/rounds.h"
#include "game/shots.h"
#include "harness/crowded_scene.h"
#include "harness/headless_game.h"
#include "input/input_state.h"
#include "input/system_driver.h"
#include "input/virtual_keys.h"
#include "pixmap/png_loader.h"
#include "render/gl_driver_internal.h"
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
  StartCrowdedWave(30, 7, 64);
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
void RunScene(benchmark::State& state, TScriptedSystemDriver& system, int& frameNumber,
              int warmUpFrames, RunFrame frame) {
  for (const int end = frameNumber + warmUpFrames; frameNumber < end; frameNumber++) {
    ScriptSweepingPlayer(system, frameNumber);
    if (SceneNeedsNewWave()) StartRoundThirty();
    frame();
  }
  SceneTally tally;
  for (auto _ : state) {
    ScriptSweepingPlayer(system, frameNumber);
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
  int frameNumber = 0;
  RunScene(state, game.System(), frameNumber, kWarmUpFrames, [&game] { return game.Frame(); });
}
BENCHMARK(BM_HeadlessFramesRoundThirty)->Unit(benchmark::kMicrosecond);

// The scene drawn by the OpenGL driver in an unpaced 640 x 480 window.
struct GLScene {
  Ref<TScriptedSystemDriver> system;
  Ref<TRecordingAudioDriver> audio;
  Game game;
  int frameNumber = 0;
};

// Ends the scene and the graphics it drew into.
void CloseGLScene(GLScene* scene) {
  ResetGameGlobals();
  ReleaseGameAssets();
  CloseGraphics();
  delete scene;
  ReleaseStep();
}

// A new scene for every run, so that every run draws the same frames: the
// game is deterministic, and the crowd grows for a long while after the
// wave starts, so a scene carried on from run to run would make each run
// draw more than the one before.
GLScene* OpenGLScene(benchmark::State& state) {
  static GLScene* scene = nullptr;
  static std::string failure;
  if (!failure.empty()) {
    state.SkipWithError(failure.c_str());
    return nullptr;
  }
  if (scene) CloseGLScene(scene);
  scene = nullptr;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    failure = "no X display (run through tools/with-display.sh)";
    state.SkipWithError(failure.c_str());
    return nullptr;
  }
  // The modules the game's loads need; the audio stays the silent driver's
  // until the recording one replaces it.
  InitStreamModule();
  InitPNGModule();
  InitAudioSampleModule();
  InitAudioModule();
  auto* fresh = new GLScene;
  fresh->system = New<TScriptedSystemDriver>(123456);
  fresh->audio = New<TRecordingAudioDriver>();
  ResetGameGlobals();
  SetSystemDriver(fresh->system);
  SetAudioDriver(fresh->audio);
  ClearInputState();
  try {
    InstallGLDriver();
    OpenGraphics(640, 480, 0, 0);
  } catch (const std::exception& error) {
    failure = error.what();
    state.SkipWithError(failure.c_str());
    delete fresh;
    return nullptr;
  }
  fresh->game.LoadAssets();
  fresh->game.SetUpGame();
  StartRoundThirty();
  scene = fresh;
  return scene;
}

// The driver's shortcuts as a bit mask: 1 batching, 2 unblended opaque
// draws, 4 nearest sampling for texel-for-pixel draws. 0 is the plain path.
void UseShortcuts(int mask) {
  GLShortcuts& shortcuts = GLState().shortcuts;
  shortcuts.batching = (mask & 1) != 0;
  shortcuts.opaqueUnblended = (mask & 2) != 0;
  shortcuts.exactNearest = (mask & 4) != 0;
}

double ThreadCpuMillis() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Runs one frame of the scene and returns how long it took, in milliseconds;
// `cpu` gets the calling thread's processor time for it (all of the frame's
// work when Mesa rasterises on this thread: LP_NUM_THREADS=0).
double TimedFrame(GLScene& scene, double* cpu = nullptr) {
  ScriptSweepingPlayer(*scene.system, scene.frameNumber);
  if (SceneNeedsNewWave()) StartRoundThirty();
  const double cpuStart = ThreadCpuMillis();
  const auto start = std::chrono::steady_clock::now();
  scene.game.Frame();
  scene.system->AdvanceFrame();
  scene.system->NextPass();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  if (cpu) *cpu = ThreadCpuMillis() - cpuStart;
  scene.frameNumber++;
  return took.count();
}

void WarmUp(GLScene& scene) {
  while (scene.frameNumber < kWarmUpFrames) TimedFrame(scene);
}

// Whole frames with one set of the driver's shortcuts (the argument, as a
// mask; -1 is the driver's defaults, as the game runs). 0, the plain path, is
// the figure to compare with: it draws as the driver did before any shortcut.
// Each shortcut runs alone (1, 2, 4) and is left out of all three (6, 5, 3),
// which shows what it adds on its own and what it adds to the others. Every
// run draws frames 600 to 899 of a fresh scene.
void BM_GLFramesRoundThirty(benchmark::State& state) {
  GLScene* scene = OpenGLScene(state);
  if (!scene) return;
  GLState().shortcuts = GLShortcuts{};
  if (state.range(0) >= 0) UseShortcuts(static_cast<int>(state.range(0)));
  WarmUp(*scene);
  SceneTally tally;
  for (auto _ : state) {
    state.SetIterationTime(TimedFrame(*scene) / 1000.0);
    if (scene->frameNumber % 16 == 0) tally.Sample();
  }
  state.SetItemsProcessed(state.iterations());
  tally.Report(state);
  GLState().shortcuts = GLShortcuts{};
}
BENCHMARK(BM_GLFramesRoundThirty)
    ->ArgName("shortcuts")
    ->Args({0})
    ->Args({1})
    ->Args({2})
    ->Args({4})
    ->Args({6})
    ->Args({5})
    ->Args({3})
    ->Args({7})
    ->Args({-1})
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// None, each shortcut on its own, batching with each of the others, and all,
// frame by frame in turn on the same scene, so that every variant sees the
// same scene and the same load of the machine. Counters: each variant's
// median frame time in milliseconds (_ms) and in processor time of the main
// thread (_cpu), and all / plain. Beware: part of a frame's cost can land in
// the next frame, so a variant's figure here is coloured by its neighbour;
// whole runs of one variant (BM_GLFramesRoundThirty with the shortcuts set)
// are the figures to trust.
void BM_GLShortcutsInterleaved(benchmark::State& state) {
  GLScene* scene = OpenGLScene(state);
  if (!scene) return;
  WarmUp(*scene);
  constexpr int kVariants = 7;
  const int masks[kVariants] = {0, 1, 2, 4, 3, 5, 7};
  const char* names[kVariants] = {"plain_ms",        "batching_ms",      "opaque_ms", "nearest_ms",
                                  "batch+opaque_ms", "batch+nearest_ms", "all_ms"};
  const char* cpuNames[kVariants] = {"plain_cpu",   "batching_cpu",     "opaque_cpu",
                                     "nearest_cpu", "batch+opaque_cpu", "batch+nearest_cpu",
                                     "all_cpu"};
  std::vector<double> times[kVariants];
  std::vector<double> cpuTimes[kVariants];
  for (auto _ : state) {
    for (int i = 0; i < kVariants; ++i) {
      UseShortcuts(masks[i]);
      double cpu = 0;
      times[i].push_back(TimedFrame(*scene, &cpu));
      cpuTimes[i].push_back(cpu);
    }
  }
  GLState().shortcuts = GLShortcuts{};
  for (int i = 0; i < kVariants; ++i) {
    state.counters[names[i]] = Median(times[i]);
    state.counters[cpuNames[i]] = Median(cpuTimes[i]);
  }
  state.counters["all_over_plain"] = Median(times[kVariants - 1]) / Median(times[0]);
  state.counters["all_over_plain_cpu"] = Median(cpuTimes[kVariants - 1]) / Median(cpuTimes[0]);
}
BENCHMARK(BM_GLShortcutsInterleaved)->Unit(benchmark::kMillisecond)->Iterations(40);

}  // namespace

BENCHMARK_MAIN();
