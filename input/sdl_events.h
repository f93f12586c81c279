// Lets the window code see every SDL event the system driver pumps, before it
// is folded into the input state (focus changes, resizes, exposure).
#pragma once

union SDL_Event;

namespace salvo {

using PlatformEventHook = void (*)(const SDL_Event& event);

// Installs the hook (nullptr removes it). One hook at a time.
void SetPlatformEventHook(PlatformEventHook hook);
// Calls the installed hook, if any.
void CallPlatformEventHook(const SDL_Event& event);

// Pointer positions between the window's units and the program's own
// coordinates, for a window that shows the program's picture scaled. Without
// a mapping (the default, or both nullptr) positions pass unchanged.
struct PointerMapping {
  void (*toProgram)(int& x, int& y) = nullptr;
  void (*toWindow)(int& x, int& y) = nullptr;
};
void SetPointerMapping(PointerMapping mapping);
void MapPointerToProgram(int& x, int& y);
void MapPointerToWindow(int& x, int& y);

}  // namespace salvo
