// Internal header of render/ (not part of its public API).
// What the graphics window needs of the platform's window system, one file
// set per platform (linux/, windows/, ...), chosen by CMake.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

namespace salvo {

// Exit code of a game whose display was lost.
inline constexpr int kDisplayLostExitCode = 1;

// SDL's names of the video drivers that reach a real screen on this
// platform, in the order to ask them (on Linux, Wayland only where a
// compositor is named: its library complains on stderr otherwise).
std::vector<std::string> WindowSystemNames();

// Ends the game cleanly when the connection to its display goes away, where
// the window system can lose it under a running program (X11): one line on
// stderr and exit code kDisplayLostExitCode. Call after the window exists;
// calling it again for a new window moves the guard to that window. Other
// platforms and window systems are left alone.
void GuardWindowConnection(SDL_Window* window);
// The window is about to be destroyed by the program itself: errors about it
// are no longer fatal.
void ReleaseWindowConnection();

}  // namespace salvo
