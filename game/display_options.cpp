#include "game/display_options.h"

#include <cstdio>
#include <cstdlib>

#include "render/gl_window.h"
#include "render/graphics.h"

namespace salvo {

void ApplyDisplayOptions(const GameOptions& options) {
  const int method = options.scaling == GameOptions::Scaling::kInteger ? ScaleInteger : ScaleFit;
  switch (options.display) {
    case GameOptions::Display::kMode:
      SetGraphicsScaling(ScaleOff);
      break;
    case GameOptions::Display::kWindow:
      SetGraphicsScaling(ScaleToWindow, method, options.windowScale);
      break;
    case GameOptions::Display::kDesktop:
      SetGraphicsScaling(ScaleToDesktop, method);
      break;
  }
}

std::string DisplayFailureCause(const GameOptions& options, const std::string& systemError,
                                const char* displayVariable, bool have640x480) {
  if (!systemError.empty()) {
    const std::string display = displayVariable && *displayVariable
                                    ? std::string("DISPLAY is ") + displayVariable
                                    : std::string("DISPLAY is not set");
    return "salvo: no display could be opened (" + systemError + "; " + display +
           "). Start the game inside an X11 or Wayland desktop session; --window and --desktop "
           "need one too.";
  }
  if (options.display == GameOptions::Display::kMode && !have640x480) {
    return "salvo: the screen has no 640 x 480 mode. Start the game with --window or --desktop "
           "to play it scaled to the screen.";
  }
  return "";
}

void ExplainDisplayFailure(const GameOptions& options) {
  const std::string cause = DisplayFailureCause(options, LastWindowError(), std::getenv("DISPLAY"),
                                                GraphicsModeExists(640, 480) != 0);
  if (cause.empty()) return;
  std::fprintf(stderr, "%s\n", cause.c_str());
  std::fflush(stderr);
}

}  // namespace salvo
