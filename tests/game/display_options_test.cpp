// From the command line's display options to the runtime's scaled output, and
// the line that tells a player why no display could be opened.
#include "game/display_options.h"

#include <gtest/gtest.h>

#include "render/graphics.h"

namespace salvo {
namespace {

TEST(DisplayOptions, WindowAndDesktopAskTheRuntimeForScaledOutput) {
  GameOptions options;
  options.display = GameOptions::Display::kWindow;
  options.windowScale = 3;
  options.scaling = GameOptions::Scaling::kInteger;
  ApplyDisplayOptions(options);
  EXPECT_EQ(DrawingContext().scaleTarget, ScaleToWindow);
  EXPECT_EQ(DrawingContext().scaleMethod, ScaleInteger);
  EXPECT_EQ(DrawingContext().scaleWindow, 3);

  options.display = GameOptions::Display::kDesktop;
  options.scaling = GameOptions::Scaling::kFit;
  ApplyDisplayOptions(options);
  EXPECT_EQ(DrawingContext().scaleTarget, ScaleToDesktop);
  EXPECT_EQ(DrawingContext().scaleMethod, ScaleFit);

  ApplyDisplayOptions(GameOptions());
  EXPECT_EQ(DrawingContext().scaleTarget, ScaleOff);
}

TEST(DisplayOptions, TheCauseNamesWhatTheSystemSaidAndWhatMayHelp) {
  const GameOptions plain;
  std::string cause = DisplayFailureCause(plain, "x11 not available", nullptr, false);
  EXPECT_EQ(
      cause.rfind("salvo: no display could be opened (x11 not available; DISPLAY is not set)", 0),
      0u)
      << cause;
  EXPECT_NE(cause.find("--window"), std::string::npos);
  EXPECT_EQ(cause.find('\n'), std::string::npos);

  cause = DisplayFailureCause(plain, "x11 not available", ":7", false);
  EXPECT_NE(cause.find("DISPLAY is :7"), std::string::npos) << cause;

  // A display without the 640 x 480 mode: the scaled options are the way out.
  cause = DisplayFailureCause(plain, "", ":0", false);
  EXPECT_NE(cause.find("no 640 x 480 mode"), std::string::npos) << cause;
  EXPECT_NE(cause.find("--desktop"), std::string::npos) << cause;

  // Nothing to add when the mode is there, or when scaled output was asked for
  // and the display itself works: the error says it all.
  EXPECT_EQ(DisplayFailureCause(plain, "", ":0", true), "");
  GameOptions desktop;
  desktop.display = GameOptions::Display::kDesktop;
  EXPECT_EQ(DisplayFailureCause(desktop, "", ":0", false), "");
}

}  // namespace
}  // namespace salvo
