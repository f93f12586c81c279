#include "harness/scripted_system.h"

#include <cstdint>

#include "input/input_state.h"

namespace salvo {

void TScriptedSystemDriver::Poll() {
  while (!script_.empty() && script_.begin()->first <= pass_) {
    KeyEvent event = script_.begin()->second;
    script_.erase(script_.begin());
    if (event.down) {
      FeedKeyDown(event.key);
    } else {
      FeedKeyUp(event.key);
    }
  }
}

void TScriptedSystemDriver::Wait() {
  Poll();
}

void TScriptedSystemDriver::WaitTimeout(int ms) {
  timedWaits_ += 1;
  timedWaitMs_ += ms;
  extraMs_ += ms;
  Poll();
}

int TScriptedSystemDriver::Millis() {
  // Integer deadlines give the 16/17/17 pattern without drift.
  int64_t ms = startMillis_ + static_cast<int64_t>(frames_) * 1000 / 60 + extraMs_;
  return static_cast<int>(static_cast<uint32_t>(ms));
}

void TScriptedSystemDriver::Delay(int ms) {
  if (ms > 0) extraMs_ += ms;
}

void TScriptedSystemDriver::AdvanceFrame() {
  frames_ += 1;
}

void TScriptedSystemDriver::Schedule(int pass, int key, bool down) {
  script_.emplace(pass, KeyEvent{key, down});
}

}  // namespace salvo
