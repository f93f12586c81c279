// Translation of SDL key identifiers to the Win32 virtual-key codes the input
// state counts in (US layout).
#pragma once

#include <SDL.h>

namespace salvo {

// The virtual-key code of a key, 0 when it has none. Letters follow the
// keyboard layout (the keycode), everything else the key's position.
int VirtualKeyFor(SDL_Scancode scancode, SDL_Keycode keycode);
// 160..165 for left/right Shift, Ctrl and Alt; 0 for any other key.
int SidedModifierFor(SDL_Scancode scancode);

}  // namespace salvo
