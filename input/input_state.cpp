#include "input/input_state.h"

#include <cstring>
#include <initializer_list>

namespace salvo {

InputStateBlock InputState{};

namespace {

constexpr uint32_t kCharQueueSize = 256;

// Who holds each key besides the shared down flag: the keyboard (or mouse, or
// script) through FeedKeyDown, and how many holds of FeedHeldKey.
bool fedDown[256] = {};
int holds[256] = {};

void ForgetHolders() {
  std::memset(fedDown, 0, sizeof fedDown);
  std::memset(holds, 0, sizeof holds);
}

bool IsKeyCode(int key) {
  return key >= 1 && key <= 255;
}

void CountPress(int key) {
  if (!IsKeyCode(key) || InputState.keyDown[key]) return;
  ++InputState.keyHits[key];
  InputState.keyDown[key] = 1;
}

void Release(int key) {
  if (IsKeyCode(key)) InputState.keyDown[key] = 0;
}

}  // namespace

void FeedKeyDown(int key, int sidedKey) {
  for (int code : {key, sidedKey}) {
    if (!IsKeyCode(code)) continue;
    CountPress(code);
    fedDown[code] = true;
  }
}

void FeedKeyUp(int key, int sidedKey) {
  for (int code : {key, sidedKey}) {
    if (!IsKeyCode(code)) continue;
    fedDown[code] = false;
    if (holds[code] == 0) Release(code);
  }
}

void FeedHeldKey(int key, bool down) {
  if (!IsKeyCode(key)) return;
  if (down) {
    if (holds[key]++ == 0) CountPress(key);
  } else if (holds[key] > 0 && --holds[key] == 0 && !fedDown[key]) {
    Release(key);
  }
}

void FeedChar(char16_t code) {
  if (InputState.charPut - InputState.charGet >= kCharQueueSize) return;
  InputState.charQueue[InputState.charPut % kCharQueueSize] = code;
  ++InputState.charPut;
}

void FeedMouseMove(int x, int y) {
  InputState.mouseX = x;
  InputState.mouseY = y;
}

void FeedMouseButton(int code, bool down) {
  if (code != VK_LBUTTON && code != VK_RBUTTON && code != VK_MBUTTON) return;
  if (down) {
    CountPress(code);
  } else {
    Release(code);
  }
}

void FeedWheel(int notches) {
  // Wraps instead of overflowing, like the 32-bit field it models.
  InputState.mouseZ = static_cast<int32_t>(static_cast<uint32_t>(InputState.mouseZ) +
                                           static_cast<uint32_t>(notches));
}

void FeedWheelUnits(int units) {
  FeedWheel(units / 120);
}

int TakeKeyHits(int key) {
  if (!IsKeyCode(key)) return 0;
  int hits = InputState.keyHits[key];
  InputState.keyHits[key] = 0;
  return hits;
}

int IsKeyDown(int key) {
  return IsKeyCode(key) ? InputState.keyDown[key] : 0;
}

int TakeChar() {
  if (InputState.charGet == InputState.charPut) return 0;
  int code = InputState.charQueue[InputState.charGet % kCharQueueSize];
  ++InputState.charGet;
  return code;
}

void ClearKeys() {
  std::memset(InputState.keyHits, 0, sizeof InputState.keyHits);
  std::memset(InputState.keyDown, 0, sizeof InputState.keyDown);
  InputState.charGet = 0;
  InputState.charPut = 0;
  ForgetHolders();
}

int MouseAxis(int axis) {
  switch (axis) {
    case 0:
      return InputState.mouseX;
    case 1:
      return InputState.mouseY;
    case 2:
      return InputState.mouseZ;
    default:
      return 0;
  }
}

void ClearInputState() {
  InputState = InputStateBlock{};
  ForgetHolders();
}

}  // namespace salvo
