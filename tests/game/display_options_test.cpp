// From the command line's display options to the runtime's scaled output, and
// the line that tells a player why no display could be opened.
#include "game/display_options.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>

#include "game/game_icon.h"
#include "game/runtime_modules.h"
#include "render/gl_window.h"
#include "render/graphics.h"
#include "tests/std_regex_matcher.h"

namespace salvo {
namespace {

using Display = GameOptions::Display;

GameOptions Options(Display display, int windowScale = 0,
                    GameOptions::Scaling scaling = GameOptions::Scaling::kFit) {
  GameOptions options;
  options.display = display;
  options.windowScale = windowScale;
  options.scaling = scaling;
  return options;
}

TEST(DisplayOptions, WindowAndDesktopAskTheRuntimeForScaledOutput) {
  using Scaling = GameOptions::Scaling;
  // The options, then the scale target, method and window scale the runtime is asked for.
  const std::tuple<Display, int, Scaling, int, int, int> cases[] = {
      {Display::kWindow, 3, Scaling::kInteger, ScaleToWindow, ScaleInteger, 3},
      {Display::kDesktop, 3, Scaling::kFit, ScaleToDesktop, ScaleFit, 0},
      {Display::kDesktop, 0, Scaling::kInteger, ScaleToDesktop, ScaleInteger, 0},
      {Display::kMode, 2, Scaling::kInteger, ScaleOff, ScaleFit, 0},
  };
  for (const auto& [display, scale, scaling, target, method, window] : cases) {
    ApplyDisplayOptions(Options(display, scale, scaling));
    const TDrawingContext& context = DrawingContext();
    EXPECT_EQ(std::tuple(context.scaleTarget, context.scaleMethod, context.scaleWindow),
              std::tuple(target, method, window))
        << static_cast<int>(display);
  }
}

// Only a window or the desktop is named for the game; its icon is the round
// cannon with clear corners.
TEST(DisplayOptions, AWindowOrDesktopIsTitledSalvoWithTheCannonIcon) {
  InitPlatformFreeModules();
  const std::pair<Display, const char*> cases[] = {{Display::kWindow, "Salvo"},
                                                   {Display::kDesktop, "Salvo"},
                                                   {Display::kMode, "QuarnGL Window"}};
  for (const auto& [display, title] : cases) {
    ApplyDisplayOptions(Options(display));
    ASSERT_EQ(OpenGLWindow(640, 480, 0, 0, GLWindowResizable), 1) << LastWindowError();
    EXPECT_STREQ(SDL_GetWindowTitle(SDL_GL_GetCurrentWindow()), title);
    CloseGLWindow();
  }
  ApplyDisplayOptions(GameOptions());
  const Ref<TPixmap> icon = MakeGameIcon();
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon->width, 32);
  ASSERT_EQ(icon->height, 32);
  int opaque = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint32_t alpha = ReadPixel(icon, x, y) >> 24;
      opaque += alpha == 255;
      if ((x == 0 || x == 31) && (y == 0 || y == 31)) {
        EXPECT_EQ(alpha, 0u) << "corner " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(ReadPixel(icon, 16, 16) >> 24, 255u);
  EXPECT_GT(opaque, 32 * 32 / 2);  // a round cannon filling most of the square
  EXPECT_LT(opaque, 32 * 32);
}

TEST(DisplayOptions, AWindowLargerThanTheDesktopIsRefusedNamingTheLargestScaleThatFits) {
  struct Case {
    int scale, usableWidth, usableHeight;
    const char* fits;  // the scale named, nullptr when the window is accepted
  };
  const Case cases[] = {{16, 640, 480, "1"},      {2, 640, 480, "1"},     {3, 1920, 1080, "2"},
                        {4, 2560, 1400, "2"},     {2, 1280, 959, "1"},    {2, 1280, 960, nullptr},
                        {3, 1920, 1440, nullptr}, {1, 320, 200, nullptr}, {0, 320, 200, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.scale) + " on " + std::to_string(c.usableWidth) + " x " +
                 std::to_string(c.usableHeight));
    const std::string error =
        OversizedWindowError(Options(Display::kWindow, c.scale), c.usableWidth, c.usableHeight);
    if (!c.fits) {
      EXPECT_EQ(error, "");
      continue;
    }
    EXPECT_EQ(error.rfind("salvo: --window=" + std::to_string(c.scale) + " ", 0), 0u) << error;
    const std::string named = "the largest scale that fits is --window=" + std::string(c.fits);
    EXPECT_EQ(error.substr(error.size() - std::min(error.size(), named.size())), named) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
  EXPECT_EQ(OversizedWindowError(Options(Display::kDesktop), 320, 200), "");
}

// The test display is 640 x 480: only scale 1 fits it.
TEST(DisplayOptionsDeathTest, AnOversizedWindowEndsWithExitCode2BeforeAnyWindowOpens) {
  GameOptions options = Options(Display::kWindow, 1);
  EXPECT_EQ(RefuseOversizedWindow(options), -1);
  options.windowScale = 16;
  EXPECT_EXIT(std::exit(RefuseOversizedWindow(options)), ::testing::ExitedWithCode(2),
              testing::ContainsStdRegex(
                  "^salvo: --window=16 makes a 10240 x 7680 window[^\n]*--window=1\n$"));
}

TEST(DisplayOptions, TheCauseNamesWhatTheSystemSaidAndWhatMayHelp) {
  const GameOptions plain;
  const TWindowSession x11{"DISPLAY is :7", "Start it in a session"};
  std::string cause = DisplayFailureCause(plain, "x11 not available", x11, false);
  EXPECT_EQ(cause.rfind("salvo: no display could be opened (x11 not available; DISPLAY is :7). "
                        "Start it in a session; --window",
                        0),
            0u)
      << cause;
  EXPECT_EQ(cause.find('\n'), std::string::npos);
  // A platform with nothing to name leaves the parenthesis to the system's words.
  cause = DisplayFailureCause(plain, "no WGL", {"", "Start it on the desktop"}, false);
  EXPECT_EQ(cause.rfind("salvo: no display could be opened (no WGL). Start it on the desktop;", 0),
            0u)
      << cause;

  // A display without the 640 x 480 mode: the scaled options are the way out.
  cause = DisplayFailureCause(plain, "", x11, false);
  EXPECT_NE(cause.find("no 640 x 480 mode"), std::string::npos) << cause;
  EXPECT_NE(cause.find("--desktop"), std::string::npos) << cause;

  // Nothing to add when the mode is there, or when scaled output was asked for
  // and the display itself works: the error says it all.
  EXPECT_EQ(DisplayFailureCause(plain, "", x11, true), "");
  EXPECT_EQ(DisplayFailureCause(Options(Display::kDesktop), "", x11, false), "");
}

}  // namespace
}  // namespace salvo
