// Windows has one window system, and its windows cannot lose their display
// under a running program: nothing to guard.
#include "render/gl_window.h"
#include "render/window_system_internal.h"

namespace salvo {

std::vector<std::string> WindowSystemNames() {
  return {"windows"};
}

void GuardWindowConnection(SDL_Window*) {}

void ReleaseWindowConnection() {}

// Windows opens windows on the signed-in user's desktop only (not in a
// service or over some remote sessions), and full screen needs the graphics
// card's own OpenGL driver.
TWindowSession DescribeWindowSession() {
  return {"", "Start the game from the Windows desktop, with the graphics card's driver installed"};
}

}  // namespace salvo
