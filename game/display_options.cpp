#include "game/display_options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "game/game_icon.h"
#include "render/gl_window.h"
#include "render/graphics.h"

namespace salvo {

namespace {

// The picture the game draws, which a window shows whole at every scale.
constexpr int kGameWidth = 640;
constexpr int kGameHeight = 480;

}  // namespace

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
  // A window among others on a desktop is named for the game, so a taskbar,
  // Alt-Tab and a window list show what it is.
  // The full-screen mode keeps the runtime's own titles.
  if (options.display == GameOptions::Display::kMode) {
    SetGLWindowIdentity("", Ref<TPixmap>());
  } else {
    SetGLWindowIdentity("Salvo", MakeGameIcon());
  }
}

std::string OversizedWindowError(const GameOptions& options, int usableWidth, int usableHeight) {
  const int scale = options.windowScale;
  if (options.display != GameOptions::Display::kWindow || scale <= 1) return "";
  if (scale * kGameWidth <= usableWidth && scale * kGameHeight <= usableHeight) return "";
  const int fits = std::max(1, std::min(usableWidth / kGameWidth, usableHeight / kGameHeight));
  return "salvo: --window=" + std::to_string(scale) + " makes a " +
         std::to_string(scale * kGameWidth) + " x " + std::to_string(scale * kGameHeight) +
         " window, larger than the desktop's usable " + std::to_string(usableWidth) + " x " +
         std::to_string(usableHeight) +
         "; the largest scale that fits is --window=" + std::to_string(fits);
}

int RefuseOversizedWindow(const GameOptions& options) {
  if (options.display != GameOptions::Display::kWindow || options.windowScale <= 1) return -1;
  int width = 0;
  int height = 0;
  if (!GetDesktopUsableSize(width, height)) return -1;
  const std::string error = OversizedWindowError(options, width, height);
  if (error.empty()) return -1;
  std::fprintf(stderr, "%s\n", error.c_str());
  return 2;
}

std::string DisplayFailureCause(const GameOptions& options, const std::string& systemError,
                                const TWindowSession& session, bool have640x480) {
  if (!systemError.empty()) {
    const std::string where = session.reachedThrough.empty() ? "" : "; " + session.reachedThrough;
    return "salvo: no display could be opened (" + systemError + where + "). " + session.advice +
           "; --window and --desktop need one too.";
  }
  if (options.display == GameOptions::Display::kMode && !have640x480) {
    return "salvo: the screen has no 640 x 480 mode. Start the game with --window or --desktop "
           "to play it scaled to the screen.";
  }
  return "";
}

void ExplainDisplayFailure(const GameOptions& options) {
  const std::string cause = DisplayFailureCause(options, LastWindowError(), DescribeWindowSession(),
                                                GraphicsModeExists(640, 480) != 0);
  if (cause.empty()) return;
  std::fprintf(stderr, "%s\n", cause.c_str());
  std::fflush(stderr);
}

}  // namespace salvo
