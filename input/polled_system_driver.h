// A system driver whose queries read the shared input state. The SDL driver
// builds on it; so can a scripted driver for tests and replays, which then
// only supplies Poll (calling the Feed functions of input_state.h), Wait and,
// if it wants its own time, Millis and Delay.
#pragma once

#include "input/system_driver.h"

namespace salvo {

class TPolledSystemDriver : public TSystemDriver {
 public:
  // The real monotonic clock and sleep.
  int Millis() override;
  void Delay(int ms) override;

  int GetChar() override;
  int KeyPressCount(int key) override;
  int KeyDown(int key) override;
  void ResetKeys() override;
  int MouseCoordinate(int axis) override;
  // Without a window system the pointer simply is where it is told to be.
  void MoveMouse(int x, int y) override;
};

}  // namespace salvo
