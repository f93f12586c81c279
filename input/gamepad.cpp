#include "input/gamepad.h"

#include "input/input_state.h"
#include "input/virtual_keys.h"

namespace salvo {

namespace {

int startKey = VK_RETURN;

}  // namespace

GamepadMapper::~GamepadMapper() {
  ReleaseAll();
}

void GamepadMapper::Hold(Control control, bool down) {
  static constexpr int kKeys[kControlCount] = {
      VK_SPACE, '3',     '1',      '2',     VK_ESCAPE, 0 /* start key */,
      '4',      VK_LEFT, VK_RIGHT, VK_LEFT, VK_RIGHT,  VK_SPACE};
  int& held = heldKey_[control];
  if (down && held == 0) {
    // Start keeps the key it pressed, even if the start key changes meanwhile.
    held = control == kControlStart ? startKey : kKeys[control];
    FeedHeldKey(held, true);
  } else if (!down && held != 0) {
    FeedHeldKey(held, false);
    held = 0;
  }
}

void GamepadMapper::Analogue(Control control, int value) {
  if (value >= kPadPressTravel) {
    Hold(control, true);
  } else if (value < kPadReleaseTravel) {
    Hold(control, false);
  }
}

void GamepadMapper::Button(PadButton button, bool down) {
  switch (button) {
    case PadButton::kA:
      return Hold(kControlA, down);
    case PadButton::kB:
      return Hold(kControlB, down);
    case PadButton::kX:
      return Hold(kControlX, down);
    case PadButton::kY:
      return Hold(kControlY, down);
    case PadButton::kBack:
      return Hold(kControlBack, down);
    case PadButton::kStart:
      return Hold(kControlStart, down);
    case PadButton::kRightShoulder:
      return Hold(kControlShoulder, down);
    case PadButton::kDpadLeft:
      return Hold(kControlDpadLeft, down);
    case PadButton::kDpadRight:
      return Hold(kControlDpadRight, down);
    case PadButton::kOther:
      return;
  }
}

void GamepadMapper::Axis(PadAxis axis, int value) {
  switch (axis) {
    case PadAxis::kLeftX:
      Analogue(kControlStickLeft, -value);
      Analogue(kControlStickRight, value);
      return;
    case PadAxis::kRightTrigger:
      return Analogue(kControlTrigger, value);
    case PadAxis::kOther:
      return;
  }
}

void GamepadMapper::ReleaseAll() {
  for (int control = 0; control < kControlCount; ++control) {
    Hold(static_cast<Control>(control), false);
  }
}

void SetGamepadStartKey(int key) {
  if (key >= 1 && key <= 255) startKey = key;
}

int GamepadStartKey() {
  return startKey;
}

}  // namespace salvo
