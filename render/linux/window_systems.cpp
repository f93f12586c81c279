// The window systems of a Linux desktop: X11, and Wayland where a compositor
// is named.
#include <SDL.h>

#include <cstdlib>

#include "render/gl_window.h"
#include "render/window_system_internal.h"

namespace salvo {

std::vector<std::string> WindowSystemNames() {
  std::vector<std::string> names{"x11"};
  if (SDL_getenv("WAYLAND_DISPLAY")) names.push_back("wayland");
  return names;
}

TWindowSession DescribeWindowSession() {
  const char* display = std::getenv("DISPLAY");
  return {display && *display ? std::string("DISPLAY is ") + display : "DISPLAY is not set",
          "Start the game inside an X11 or Wayland desktop session"};
}

}  // namespace salvo
