#include "game/recorded_game.h"

#include <cstdio>
#include <utility>

#include "game/state_hash.h"
#include "input/gamepad.h"
#include "input/recorded_input.h"
#include "input/system_driver.h"
#include "input/virtual_keys.h"
#include "runtime/object.h"

namespace salvo {

namespace {

// Runs the title, the set-up and the frame loop, calling beginPass before
// every pass.
void RunPasses(const GameSteps& steps, const std::function<void()>& beginPass) {
  SetGamepadStartKey(VK_RETURN);
  do {
    beginPass();
  } while (steps.titleFrame());
  // From here on the gamepad's Start pauses instead of starting.
  SetGamepadStartKey(VK_P);
  steps.setUp();
  do {
    beginPass();
  } while (steps.frame());
  SetGamepadStartKey(VK_RETURN);
}

// Puts the wrapped driver back however the game ends.
class DriverSwap {
 public:
  DriverSwap(Ref<TSystemDriver> previous, Ref<TSystemDriver> wrapper)
      : previous_(std::move(previous)) {
    SetSystemDriver(std::move(wrapper));
  }
  ~DriverSwap() { SetSystemDriver(previous_); }

 private:
  Ref<TSystemDriver> previous_;
};

int Fail(const std::string& path, const std::string& why) {
  std::fprintf(stderr, "salvo: %s: %s\n", path.c_str(), why.c_str());
  std::fflush(stderr);
  return 2;
}

int Record(const GameSteps& steps, const std::string& path) {
  CurrentSystemDriver();  // starts the system module when needed
  Ref<TSystemDriver> live = GetSystemDriver();
  Ref<TRecorderSystemDriver> recorder;
  try {
    recorder = New<TRecorderSystemDriver>(live, path, kGameRulesVersion, HashGameState);
  } catch (const ReplayError& error) {
    return Fail(path, error.what());
  }
  DriverSwap swap(live, recorder);
  steps.openDisplay();
  RunPasses(steps, [&] { recorder->BeginPass(); });
  recorder->Finish();
  if (!recorder->Failure().empty())
    return Fail(path, "the recording is incomplete: " + recorder->Failure());
  return 0;
}

int Replay(const GameSteps& steps, const std::string& path) {
  CurrentSystemDriver();  // starts the system module when needed
  Ref<TSystemDriver> live = GetSystemDriver();
  Ref<TReplayerSystemDriver> replayer;
  try {
    replayer =
        New<TReplayerSystemDriver>(live, ReadReplayFile(path, kGameRulesVersion), HashGameState);
  } catch (const ReplayError& error) {
    return Fail(path, error.what());
  }
  DriverSwap swap(live, replayer);
  steps.openDisplay();
  try {
    RunPasses(steps, [&] { replayer->BeginPass(); });
  } catch (const ReplayError& error) {
    return Fail(path, error.what());
  }
  return 0;
}

}  // namespace

int PlayGame(const GameSteps& steps, const GameRecording& recording) {
  if (!recording.recordPath.empty() && !recording.replayPath.empty()) {
    return Fail(recording.replayPath, "a replay cannot be recorded at the same time");
  }
  if (!recording.recordPath.empty()) return Record(steps, recording.recordPath);
  if (!recording.replayPath.empty()) return Replay(steps, recording.replayPath);
  steps.openDisplay();
  RunPasses(steps, [] {});
  return 0;
}

}  // namespace salvo
