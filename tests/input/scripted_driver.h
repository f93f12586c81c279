// A system driver for tests: its clock only moves when told to (or when it
// sleeps), and its pump runs the input actions queued for it.
#pragma once

#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "input/polled_system_driver.h"

namespace salvo::testing {

class ScriptedDriver : public TPolledSystemDriver {
 public:
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
class DriverScope {
 public:
  explicit DriverScope(Ref<TSystemDriver> driver) : previous_(GetSystemDriver()) {
    SetSystemDriver(std::move(driver));
  }
  ~DriverScope() { SetSystemDriver(previous_); }

 private:
  Ref<TSystemDriver> previous_;
};

}  // namespace salvo::testing
