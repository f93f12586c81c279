// Helpers of the input tests: a scripted system driver (not harness/scripted_system.h: these
// tests set the clock by hand and must not link the game), a scope and a fixture installing it.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "input/input.h"
#include "input/input_state.h"
#include "input/polled_system_driver.h"

namespace salvo::testing {

// A system driver whose clock only moves when told to (or when it sleeps),
// and whose pump runs the input actions queued for it.
struct ScriptedDriver : TPolledSystemDriver {
  int now = 1000;
  std::vector<int> delays;
  int polls = 0;
  int waits = 0;
  // Actions that become "pending input": the next Poll runs all of them.
  std::deque<std::function<void()>> pending;
  // What arrives while Wait blocks; runs before the Poll that ends the wait.
  std::deque<std::function<void()>> arrivals;

  int Millis() override { return now; }
  void Delay(int ms) override {
    delays.push_back(ms);
    if (ms > 0) now += ms;
  }
  void Poll() override {
    ++polls;
    while (!pending.empty()) {
      auto action = std::move(pending.front());
      pending.pop_front();
      action();
    }
  }
  void Wait() override {
    ++waits;
    if (!arrivals.empty()) {
      pending.push_back(std::move(arrivals.front()));
      arrivals.pop_front();
    }
    Poll();
  }
};

// Installs a driver for the lifetime of the scope, then restores the old one.
struct DriverScope {
  explicit DriverScope(Ref<TSystemDriver> driver) : previous(GetSystemDriver()) {
    SetSystemDriver(std::move(driver));
  }
  ~DriverScope() { SetSystemDriver(previous); }
  Ref<TSystemDriver> previous;
};

// A clear input state and a scripted driver installed, both for each test.
class ScriptedInputTest : public ::testing::Test {
 protected:
  ScriptedInputTest() { ClearInputState(); }
  ~ScriptedInputTest() override {
    AutoPump = 1;
    ClearInputState();
  }
  // Queues input that the next pump delivers.
  void Arrive(std::function<void()> action) { driver->pending.push_back(std::move(action)); }
  void Tap(int key, int times = 1) {
    Arrive([key, times] {
      for (int i = 0; i < times; ++i) {
        FeedKeyDown(key);
        FeedKeyUp(key);
      }
    });
  }

  Ref<ScriptedDriver> driver = New<ScriptedDriver>();
  DriverScope scope{driver};
};

// What `query` answers for each code in turn, to compare many keys at once.
inline std::vector<int> Results(int (*query)(int), std::initializer_list<int> codes) {
  std::vector<int> results;
  for (int code : codes) results.push_back(query(code));
  return results;
}

// Every character typed and not yet read, as UTF-16 code units.
inline std::u16string TypedText() {
  std::u16string text;
  while (int code = GetChar()) text += char16_t(code);
  return text;
}

}  // namespace salvo::testing
