// The window systems of a Linux desktop: X11, and Wayland where a compositor
// is named.
#include <SDL.h>

#include "render/window_system_internal.h"

namespace salvo {

std::vector<std::string> WindowSystemNames() {
  std::vector<std::string> names{"x11"};
  if (SDL_getenv("WAYLAND_DISPLAY")) names.push_back("wayland");
  return names;
}

}  // namespace salvo
