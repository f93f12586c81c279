#include "input/sdl_events.h"

namespace salvo {
namespace {

PlatformEventHook platformEventHook = nullptr;
PointerMapping pointerMapping;

}  // namespace

void SetPlatformEventHook(PlatformEventHook hook) {
  platformEventHook = hook;
}

void CallPlatformEventHook(const SDL_Event& event) {
  if (platformEventHook) platformEventHook(event);
}

void SetPointerMapping(PointerMapping mapping) {
  pointerMapping = mapping;
}

void MapPointerToProgram(int& x, int& y) {
  if (pointerMapping.toProgram) pointerMapping.toProgram(x, y);
}

void MapPointerToWindow(int& x, int& y) {
  if (pointerMapping.toWindow) pointerMapping.toWindow(x, y);
}

}  // namespace salvo
