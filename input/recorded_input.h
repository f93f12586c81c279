// Recording and replaying a game's input, as system drivers wrapped around
// the real one. The game's loop calls BeginPass before each of its passes
// (title frames included); at that moment, and only then, input reaches the
// game: the clock is read once for the whole pass and the pending events are
// pumped into the input state. The recorder writes both to a file; the
// replayer feeds them back from one, so a replay reads exactly what the
// recorded game read, pass for pass, and plays the same game.
#pragma once

#include <functional>
#include <string>

#include "input/polled_system_driver.h"
#include "input/replay_file.h"

namespace salvo {

// Passes between two checks of the game state (one second at 60 Hz).
inline constexpr uint32_t kStateCheckPasses = 60;

// What the wrappers share: the real driver behind them, the clock of the
// running pass and the pass count. Key queries read the input state as the
// polled driver does; Poll does nothing, since input arrives at pass starts.
class TPassInputDriver : public TPolledSystemDriver {
 public:
  TPassInputDriver(Ref<TSystemDriver> inner, std::function<uint64_t()> stateHash);

  void Poll() override {}
  // The clock of the running pass; before the first pass the real clock.
  int Millis() override;
  void MoveMouse(int x, int y) override;
  void Notify(const String& text, bool serious) override;
  int Confirm(const String& text, bool serious) override;
  int Proceed(const String& text, bool serious) override;

  // Passes begun so far.
  uint32_t Passes() const { return passes_; }

 protected:
  Ref<TSystemDriver> inner_;
  std::function<uint64_t()> stateHash_;
  uint32_t passes_ = 0;
  int32_t clock_ = 0;
};

class TRecorderSystemDriver : public TPassInputDriver {
 public:
  // Creates the file (ReplayError when it cannot).
  TRecorderSystemDriver(Ref<TSystemDriver> inner, const std::string& path, uint16_t gameVersion,
                        std::function<uint64_t()> stateHash);

  // Every kStateCheckPasses passes writes the state hash; then reads the
  // clock, pumps the real driver and writes the pass's clock and key changes.
  void BeginPass();
  // The game is over: writes the end record.
  void Finish();
  // Why writing failed, "" when it did not.
  const std::string& Failure() const { return writer_.Failure(); }

  // Sleeps for real; input waits for the next pass start.
  void Wait() override;
  void WaitTimeout(int ms) override;
  void Delay(int ms) override;

 private:
  ReplayWriter writer_;
};

class TReplayerSystemDriver : public TPassInputDriver {
 public:
  TReplayerSystemDriver(Ref<TSystemDriver> inner, ReplayContents contents,
                        std::function<uint64_t()> stateHash);

  // Checks the state hash where the recording has one, waits until the pass
  // is due (the recorded clock sets the pace), pumps the real driver keeping
  // only Escape from it, and feeds the recorded clock and keys. Throws
  // ReplayError when the game differs from the recording or the recording
  // breaks off before the game ends.
  void BeginPass();
  // Escape was pressed for real during the replay.
  bool LiveEscape() const { return liveEscape_; }

  // Pacing is BeginPass's: the game's own waits and sleeps take no time.
  void Wait() override {}
  void WaitTimeout(int) override {}
  void Delay(int) override {}

 private:
  void WaitUntilDue(const PassInput& pass);
  void PumpOnlyEscape();

  ReplayContents contents_;
  int32_t firstClock_ = 0;
  int32_t liveStart_ = 0;
  bool liveEscape_ = false;
};

}  // namespace salvo
