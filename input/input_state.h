// The polled input state: one process-wide block written by the driver's
// event pump through the Feed functions and read by the queries of input.h.
//
// A scripted driver (tests, replays) calls the Feed functions from its Poll to
// press and release keys on chosen frames, exactly as the SDL driver does for
// real events.
#pragma once

#include <cstdint>

#include "input/virtual_keys.h"

namespace salvo {

struct InputStateBlock {
  uint8_t keyHits[256];  // presses since last read; wraps 255 -> 0
  uint8_t keyDown[256];  // 1 while held
  int32_t mouseX;        // pointer position in window pixels
  int32_t mouseY;
  int32_t mouseZ;           // wheel position in notches
  char16_t charQueue[256];  // ring of typed characters
  uint32_t charGet;         // free-running read counter, slot = charGet & 255
  uint32_t charPut;         // free-running write counter
};

// All zero at start; only ResetKeys (or ClearInputState) clears it.
extern InputStateBlock InputState;

// A key went down. Counts a hit on `key` (1..255) unless it is already down,
// then does the same for `sidedKey` (160..165 for Shift, Ctrl, Alt; 0 for
// none). Auto-repeat must not be fed.
void FeedKeyDown(int key, int sidedKey = 0);
// A key went up: clears keyDown of `key` and `sidedKey` unless a held source
// (FeedHeldKey) still holds it; hits stay.
void FeedKeyUp(int key, int sidedKey = 0);
// One hold of `key` by a source that shares keys with the keyboard (a pad's
// control; several may hold one key). The first hold presses the key, counted
// once however many sources press it; it stays down while the keyboard or any
// hold remains, so releasing either source leaves the key to the other.
// Releases without a hold are ignored.
void FeedHeldKey(int key, bool down);
// A typed UTF-16 code unit; dropped when 256 are already waiting.
void FeedChar(char16_t code);
void FeedMouseMove(int x, int y);
// Button code 1 (left), 2 (right) or 4 (middle), with the key rules.
void FeedMouseButton(int code, bool down);
// Adds whole wheel notches to mouseZ.
void FeedWheel(int notches);
// Adds raw wheel units, 120 per notch, truncating toward zero (-60 adds 0).
void FeedWheelUnits(int units);

// Readers used by the drivers' query slots.
// keyHits[key], then zeroes it; 0 outside 1..255.
int TakeKeyHits(int key);
// keyDown[key]; 0 outside 1..255.
int IsKeyDown(int key);
// The oldest typed character (removed), 0 when none.
int TakeChar();
// Zeroes key hits, key flags and the character ring; the mouse stays.
void ClearKeys();
// Axis 0, 1, 2: mouseX, mouseY, mouseZ; any other axis gives 0.
int MouseAxis(int axis);
// Everything back to zero, mouse included (for tests and replays).
void ClearInputState();

}  // namespace salvo
