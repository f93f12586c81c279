#include "input/input.h"

#include "input/system_driver.h"
#include "runtime/startup.h"

namespace salvo {

int AutoPump = 1;

namespace {

TSystemDriver& PumpedDriver() {
  TSystemDriver& driver = CurrentSystemDriver();
  if (AutoPump) {
    EndIfTerminationRequested();
    driver.Poll();
  }
  return driver;
}

// Buttons 1, 2, 3 are key codes 1, 2, 4; 0 for anything else.
int ButtonKey(int button) {
  switch (button) {
    case 1:
      return VK_LBUTTON;
    case 2:
      return VK_RBUTTON;
    case 3:
      return VK_MBUTTON;
    default:
      return 0;
  }
}

}  // namespace

void PumpMessages() {
  EndIfTerminationRequested();
  CurrentSystemDriver().Poll();
}

void WaitForMessages() {
  CurrentSystemDriver().Wait();
}

void WaitForMessagesTimeout(int ms) {
  CurrentSystemDriver().WaitTimeout(ms);
}

int KeyPressCount(int key) {
  return PumpedDriver().KeyPressCount(key);
}

int KeyDown(int key) {
  return PumpedDriver().KeyDown(key);
}

int GetChar() {
  return PumpedDriver().GetChar();
}

void ResetKeys() {
  PumpedDriver().ResetKeys();
}

int MouseX() {
  return PumpedDriver().MouseCoordinate(0);
}

int MouseY() {
  return PumpedDriver().MouseCoordinate(1);
}

int MouseZ() {
  return PumpedDriver().MouseCoordinate(2);
}

int MousePressCount(int button) {
  int key = ButtonKey(button);
  return key ? KeyPressCount(key) : 0;
}

int MouseDown(int button) {
  int key = ButtonKey(button);
  return key ? KeyDown(key) : 0;
}

void ResetMouseButtons() {
  PumpedDriver();
  for (int button = 1; button <= 3; ++button) MousePressCount(button);
}

void MoveMouse(int x, int y) {
  CurrentSystemDriver().MoveMouse(x, y);
}

int WaitKey() {
  ResetKeys();
  for (;;) {
    WaitForMessages();
    // One pump per wake-up is enough: read the counts without pumping again.
    for (int key = 1; key <= 255; ++key) {
      if (CurrentSystemDriver().KeyPressCount(key)) return key;
    }
  }
}

int WaitChar() {
  ResetKeys();
  for (;;) {
    WaitForMessages();
    if (int code = GetChar()) return code;
  }
}

int WaitMouse() {
  ResetMouseButtons();
  for (;;) {
    WaitForMessages();
    for (int button = 1; button <= 3; ++button) {
      if (MousePressCount(button)) return button;
    }
  }
}

}  // namespace salvo
