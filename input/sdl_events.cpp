#include "input/sdl_events.h"

namespace salvo {
namespace {

PlatformEventHook platformEventHook = nullptr;

}  // namespace

void SetPlatformEventHook(PlatformEventHook hook) {
  platformEventHook = hook;
}

void CallPlatformEventHook(const SDL_Event& event) {
  if (platformEventHook) platformEventHook(event);
}

}  // namespace salvo
