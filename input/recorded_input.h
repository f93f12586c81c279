// Recording and replaying a game's input, as system drivers wrapped around
// the real one. The game's loop calls BeginPass before each of its passes
// (title frames included); at that moment, and only then, input reaches the
// game: the clock is read once for the whole pass and the pending events are
// pumped into the input state. The recorder writes both to a file; the
// replayer feeds them back from one, so a replay reads exactly what the
// recorded game read, pass for pass, and plays the same game.
#pragma once

#include <functional>
#include <optional>
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

  // The game is under way: the recording takes the place of the file at its
  // path (see Failure()).
  void Commit() { writer_.Commit(); }
  // Writes the pass before, now complete; every kStateCheckPasses passes the
  // state hash; then reads the clock and pumps the real driver for the new
  // pass.
  void BeginPass();
  // The game ended by its own Escape: writes its last pass and the end.
  void Finish();
  // The game was stopped from outside (a signal, a lost display), perhaps in
  // the middle of a pass: that pass is left out and the end record says the
  // game stopped at the state before it. Does nothing after Finish.
  void Stop();
  // Why writing failed, "" when it did not.
  const std::string& Failure() const { return writer_.Failure(); }

  // Sleeps for real; input waits for the next pass start.
  void Wait() override;
  void WaitTimeout(int ms) override;
  void Delay(int ms) override;

 private:
  void WritePending();

  ReplayWriter writer_;
  std::optional<PassInput> pending_;  // the running pass, written once complete
  uint32_t written_ = 0;              // passes written
  uint64_t startHash_ = 0;            // the state before the running pass
  bool ended_ = false;
};

class TReplayerSystemDriver : public TPassInputDriver {
 public:
  TReplayerSystemDriver(Ref<TSystemDriver> inner, ReplayContents contents,
                        std::function<uint64_t()> stateHash);

  // Checks the state hash where the recording has one, waits until the pass
  // is due (the recorded clock sets the pace), pumps the real driver keeping
  // only Escape from it, and feeds the recorded clock and keys. False, with
  // no pass begun, when the replay is over: Escape was pressed for real, or
  // the recording was stopped here from outside. Throws ReplayError when the
  // game went differently or the recording breaks off.
  bool BeginPass();
  // The game's loop ended by itself: throws ReplayError unless the recording
  // ends there too, in the same state.
  void Finish();
  // Escape was pressed for real during the replay.
  bool LiveEscape() const { return liveEscape_; }

  // Pacing is BeginPass's: the game's own waits and sleeps take no time.
  void Wait() override {}
  void WaitTimeout(int) override {}
  void Delay(int) override {}

 private:
  void WaitUntilDue(const PassInput& pass);
  bool PumpOnlyEscape();
  [[noreturn]] void Diverged() const;
  [[noreturn]] void BrokeOff() const;
  void CheckHash(uint64_t recorded) const;

  ReplayContents contents_;
  int32_t firstClock_ = 0;
  int32_t liveStart_ = 0;
  bool liveEscape_ = false;
};

}  // namespace salvo
