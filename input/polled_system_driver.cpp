#include "input/polled_system_driver.h"

#include "input/clock.h"
#include "input/input_state.h"

namespace salvo {

int TPolledSystemDriver::Millis() {
  return SystemMillis();
}

void TPolledSystemDriver::Delay(int ms) {
  SystemDelay(ms);
}

int TPolledSystemDriver::GetChar() {
  return TakeChar();
}

int TPolledSystemDriver::KeyPressCount(int key) {
  return TakeKeyHits(key);
}

int TPolledSystemDriver::KeyDown(int key) {
  return IsKeyDown(key);
}

void TPolledSystemDriver::ResetKeys() {
  ClearKeys();
}

int TPolledSystemDriver::MouseCoordinate(int axis) {
  return MouseAxis(axis);
}

void TPolledSystemDriver::MoveMouse(int x, int y) {
  FeedMouseMove(x, y);
}

}  // namespace salvo
