#include "input/input_state.h"

#include <cstring>

namespace salvo {

InputStateBlock InputState{};

namespace {

constexpr uint32_t kCharQueueSize = 256;

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
  CountPress(key);
  CountPress(sidedKey);
}

void FeedKeyUp(int key, int sidedKey) {
  Release(key);
  Release(sidedKey);
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
}

}  // namespace salvo
