// A system driver for tests, benchmarks and replays: its clock runs only when the harness says so
// (one 60 Hz frame per present, in the exact 16/17/17 ms pattern), and its key presses and releases
// come from a script keyed by the pass of the frame loop instead of from a window.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "input/input_state.h"
#include "input/polled_system_driver.h"

namespace salvo {

// Keys, characters and the mouse are read from the shared input state as the polled driver reads
// them; only the clock and the event source are scripted.
class TScriptedSystemDriver : public TPolledSystemDriver {
 public:
  explicit TScriptedSystemDriver(int startMillis = 100000) : startMillis_(startMillis) {}

  // Feeds the events due by now into the input state.
  void Poll() override {
    while (!script_.empty() && script_.begin()->first <= pass_) {
      const auto [key, down] = script_.begin()->second;
      script_.erase(script_.begin());
      down ? FeedKeyDown(key) : FeedKeyUp(key);
    }
  }
  void Wait() override { Poll(); }
  void WaitTimeout(int ms) override {
    timedWaits_ += 1;
    timedWaitMs_ += ms;
    extraMs_ += ms;
    Poll();
  }
  // Integer deadlines give the 16/17/17 pattern without drift.
  int Millis() override {
    const int64_t ms = startMillis_ + static_cast<int64_t>(frames_) * 1000 / 60 + extraMs_;
    return static_cast<int>(static_cast<uint32_t>(ms));
  }
  // Sleeping moves the scripted clock on; nothing really sleeps.
  void Delay(int ms) override { extraMs_ += ms > 0 ? ms : 0; }

  // One presented frame: the clock advances to start + frames x 1000 / 60.
  void AdvanceFrame() { frames_ += 1; }
  // Queues an event for the pass `pass` (0-based); passes are counted by NextPass.
  void Schedule(int pass, int key, bool down) { script_.emplace(pass, std::pair(key, down)); }
  // Queues an event for the current pass.
  void Press(int key) { Schedule(pass_, key, true); }
  void Release(int key) { Schedule(pass_, key, false); }
  // Marks the start of the next pass of the loop (title frames included).
  void NextPass() { pass_ += 1; }

  int Pass() const { return pass_; }
  int TimedWaits() const { return timedWaits_; }
  int TimedWaitMs() const { return timedWaitMs_; }

 private:
  int startMillis_;
  int frames_ = 0;
  int extraMs_ = 0;
  int pass_ = 0;
  int timedWaits_ = 0;
  int timedWaitMs_ = 0;
  std::multimap<int, std::pair<int, bool>> script_;  // pass -> key, pressed
};

}  // namespace salvo
