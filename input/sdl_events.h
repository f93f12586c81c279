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

}  // namespace salvo
