// Test helper: SDL keycodes of a US keyboard without a keyboard device.
#pragma once

#include <SDL.h>

namespace salvo::testing {

// The US-layout keycode of a key, as SDL reports it with a keyboard.
inline SDL_Keycode UsKeycode(SDL_Scancode scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return SDLK_a + (scancode - SDL_SCANCODE_A);
  }
  return SDL_SCANCODE_TO_KEYCODE(scancode);
}

}  // namespace salvo::testing
