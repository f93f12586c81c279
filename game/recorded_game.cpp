#include "game/recorded_game.h"

#include <cstdio>
#include <utility>

#include "game/state_hash.h"
#include "input/gamepad.h"
#include "input/recorded_input.h"
#include "input/system_driver.h"
#include "input/virtual_keys.h"
#include "render/display_lost.h"
#include "runtime/object.h"

namespace salvo {

namespace {

// Runs passes until `frame` says the loop is over (true) or `beginPass`
// that no more passes follow (false).
bool RunLoop(const std::function<bool()>& beginPass, const std::function<bool()>& frame) {
  do {
    if (!beginPass()) return false;
  } while (frame());
  return true;
}

// Runs the title, the set-up and the frame loop, calling beginPass before
// every pass. True when the game ended by itself, false when beginPass
// stopped it.
bool RunPasses(const GameSteps& steps, const std::function<bool()>& beginPass) {
  SetGamepadStartKey(VK_RETURN);
  bool ended = RunLoop(beginPass, steps.titleFrame);
  if (ended) {
    // From here on the gamepad's Start pauses instead of starting.
    SetGamepadStartKey(VK_P);
    steps.setUp();
    ended = RunLoop(beginPass, steps.frame);
  }
  SetGamepadStartKey(VK_RETURN);
  return ended;
}

// The recording being made, finished when the display is lost.
TRecorderSystemDriver* activeRecorder = nullptr;

void StopActiveRecording() {
  if (activeRecorder) activeRecorder->Stop();
}

// Finishes the recording however the game ends: a lost display ends the
// process at once, a signal or any other error unwinds through here.
class RecordingGuard {
 public:
  explicit RecordingGuard(TRecorderSystemDriver& recorder) : recorder_(recorder) {
    activeRecorder = &recorder;
    SetDisplayLostHook(StopActiveRecording);
  }
  ~RecordingGuard() {
    SetDisplayLostHook(nullptr);
    activeRecorder = nullptr;
    recorder_.Stop();  // nothing after Finish
  }

 private:
  TRecorderSystemDriver& recorder_;
};

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
  // A game that cannot start leaves an older file at `path` as it was.
  steps.openDisplay();
  recorder->Commit();
  if (!recorder->Failure().empty()) return Fail(path, recorder->Failure());
  {
    RecordingGuard guard(*recorder);
    if (RunPasses(steps, [&] {
          recorder->BeginPass();
          return true;
        })) {
      recorder->Finish();
    }
  }
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
    if (RunPasses(steps, [&] { return replayer->BeginPass(); })) replayer->Finish();
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
  RunPasses(steps, [] { return true; });
  return 0;
}

}  // namespace salvo
