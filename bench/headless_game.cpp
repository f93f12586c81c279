// Frames per second of the whole game run headless (no window, GPU or sound
// card; draws are counted, not recorded) in scenes at rounds 1, 10 and 30:
// the round's full wave on the track, a scripted player sweeping and firing a
// volley every 50 frames, the upgrades a player would have bought by then, and
// a fresh wave whenever the old one has thinned out. Prints one table: frames
// per second and how many times faster than the game's 60 frames per second.
//
// Usage: headless_game [seconds per round, default 1] [only this round]
#include "harness/headless_game.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "game/globals.h"
#include "game/rounds.h"
#include "harness/crowded_scene.h"
#include "input/virtual_keys.h"
#include "runtime/list.h"

namespace {

using namespace salvo;
using Clock = std::chrono::steady_clock;

constexpr int kWarmUpFrames = 600;
constexpr int kFramesPerClockCheck = 32;

struct Scene {
  int round;
  int shotCount;
  int blastRadius;
};

// Round 1 with the starting cannon, round 10 half upgraded, round 30 with
// every upgrade (seven-shell volleys, the largest blasts).
constexpr Scene kScenes[] = {{1, 1, 32}, {10, 4, 48}, {30, 7, 64}};

// The wave of the scene's round, the banner already gone.
int StartWave(const Scene& scene) {
  return StartCrowdedWave(scene.round, scene.shotCount, scene.blastRadius);
}

// Frames per second of one scene, measured for at least `seconds`.
double MeasureScene(const Scene& scene, double seconds) {
  HeadlessGame game(123456, HeadlessDrawing::Count);
  game.StartGame();
  int waveSize = StartWave(scene);
  int frame = 0;
  auto runFrame = [&] {
    ScriptSweepingPlayer(game.System(), frame);
    // The player never dies; a new wave comes when 60 % of the old one is left.
    health = 10;
    if (upgradeMenuOpen != 0 || CountList(enemies) * 5 < waveSize * 3) StartWave(scene);
    if (!game.Frame()) {
      std::fprintf(stderr, "the frame loop ended at round %d\n", scene.round);
      std::exit(1);
    }
    frame++;
  };
  for (int i = 0; i < kWarmUpFrames; i++) runFrame();
  int timed = 0;
  Clock::time_point start = Clock::now();
  double elapsed = 0;
  while (elapsed < seconds) {
    for (int i = 0; i < kFramesPerClockCheck; i++) runFrame();
    timed += kFramesPerClockCheck;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  return timed / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
  int only = argc > 2 ? std::atoi(argv[2]) : 0;
  if (seconds <= 0) {
    std::fprintf(stderr, "usage: %s [seconds per round] [only this round]\n", argv[0]);
    return 2;
  }
  std::printf("%-6s %12s %14s\n", "round", "frames/s", "x real time");
  for (const Scene& scene : kScenes) {
    if (only != 0 && scene.round != only) continue;
    double fps = MeasureScene(scene, seconds);
    std::printf("%-6d %12.0f %14.1f\n", scene.round, fps, fps / 60.0);
    std::fflush(stdout);
  }
  return 0;
}
