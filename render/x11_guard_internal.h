// Internal header of render/ (not part of its public API).
// Ending the game cleanly when its X display goes away. Xlib's own handlers
// end the process through exit(), whose exit handlers then talk to the dead
// connection and never return; SDL's handler for protocol errors makes a
// request from inside the handler and waits forever on Xlib's lock. These
// handlers replace both for the game's window: one line on stderr, then the
// process ends at once without touching the connection again.
#pragma once

#include <SDL.h>

namespace salvo {

// Exit code of a game whose display was lost.
inline constexpr int kDisplayLostExitCode = 1;

// Installs the handlers for the connection of `window` (an X11 window; any
// other video driver is left alone). Call after the window exists; calling it
// again for a new window moves the guard to that window.
void GuardX11Window(SDL_Window* window);
// The window is about to be destroyed by the program itself: errors about it
// are no longer fatal.
void ReleaseX11Window();

}  // namespace salvo
