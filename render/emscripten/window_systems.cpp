// The browser has one window system, SDL's canvas driver, and a page cannot
// lose its canvas under a running program: nothing to guard.
#include "render/gl_window.h"
#include "render/window_system_internal.h"

namespace salvo {

std::vector<std::string> WindowSystemNames() {
  return {"emscripten"};
}

void GuardWindowConnection(SDL_Window*) {}

void ReleaseWindowConnection() {}

TWindowSession DescribeWindowSession() {
  return {"", "Open the game's page in a browser with WebGL 2"};
}

}  // namespace salvo
