// The game's command line: every option, the conflicts, and each kind of bad value, down to the
// exit codes and what reaches stdout and stderr. Then from its display options to the runtime's
// scaled output, and the line that tells a player why no display could be opened.
#include "game/command_line.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "game/display_options.h"
#include "game/game_icon.h"
#include "game/runtime_modules.h"
#include "render/gl_window.h"
#include "render/graphics.h"
#include "tests/std_regex_matcher.h"

namespace salvo {
namespace {

using Action = CommandLine::Action;
using Display = GameOptions::Display;
using Scaling = GameOptions::Scaling;

// The arguments after the program's own name.
CommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "salvo");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

// The options read: display, window scale, scaling, mute, record and replay paths.
using Fields = std::tuple<Display, int, Scaling, bool, std::string, std::string>;
Fields Of(const GameOptions& o) {
  return {o.display, o.windowScale, o.scaling, o.mute, o.recordPath, o.replayPath};
}

TEST(CommandLine, NoOptionIsTheFullScreenModeWithSoundEveryOptionIsReadAndTheLastRepeatCounts) {
  const std::pair<std::vector<const char*>, Fields> cases[] = {
      {{}, {Display::kMode, 0, Scaling::kFit, false, "", ""}},
      {{"--window"}, {Display::kWindow, 0, Scaling::kFit, false, "", ""}},
      {{"--window=3", "--scale=integer", "--mute"},
       {Display::kWindow, 3, Scaling::kInteger, true, "", ""}},
      {{"--desktop", "--scale=fit"}, {Display::kDesktop, 0, Scaling::kFit, false, "", ""}},
      {{"--window=16", "--record=game.rec"},
       {Display::kWindow, 16, Scaling::kFit, false, "game.rec", ""}},
      // The path is everything after the first '=', '=' included.
      {{"--replay=dir/a=b.rec"}, {Display::kMode, 0, Scaling::kFit, false, "", "dir/a=b.rec"}},
      {{"--window=2", "--window=4", "--scale=integer", "--scale=fit", "--record=a", "--record=b",
        "--mute", "--mute"},
       {Display::kWindow, 4, Scaling::kFit, true, "b", ""}},
      // A bare --window after a scaled one goes back to the desktop's choice.
      {{"--window=2", "--window"}, {Display::kWindow, 0, Scaling::kFit, false, "", ""}},
  };
  for (const auto& [args, fields] : cases) {
    const CommandLine line = Parse(args);
    EXPECT_EQ(line.action, Action::kRun) << line.error;
    EXPECT_EQ(Of(line.options), fields) << ::testing::PrintToString(args);
  }
}

TEST(CommandLine, HelpAndVersionWinOverOtherValidOptionsHelpListsEveryOptionVersionNamesTheGame) {
  EXPECT_EQ(Parse({"--help"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"-h"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"--mute", "--help", "--window"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"--version"}).action, Action::kVersion);
  EXPECT_EQ(Parse({"--desktop", "--version"}).action, Action::kVersion);
  // A bad option is still an error, whatever else is there.
  EXPECT_EQ(Parse({"--help", "--nonsense"}).action, Action::kError);

  const std::string help = HelpText();
  for (const char* option : {"--window[=SCALE]", "--desktop", "--scale=fit|integer", "--mute",
                             "--record=FILE", "--replay=FILE", "--help", "--version"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  for (const char* code : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  255 "}) {
    EXPECT_NE(help.find(code), std::string::npos) << "exit code" << code;
  }
  EXPECT_TRUE(std::string(VersionText()).starts_with("salvo "));
}

// The arguments must give a one-line error holding `message`.
void ExpectError(const std::vector<const char*>& args, const std::string& message) {
  const CommandLine line = Parse(args);
  const std::string shown = ::testing::PrintToString(args);
  EXPECT_EQ(line.action, Action::kError) << shown;
  EXPECT_NE(line.error.find(message), std::string::npos) << shown << " -> " << line.error;
  EXPECT_TRUE(line.error.starts_with("salvo: ")) << line.error;
  EXPECT_EQ(line.error.find('\n'), std::string::npos) << "one line: " << line.error;
}

TEST(CommandLine, EachKindOfBadInputIsAnErrorNamingIt) {
  // Errors that quote the argument or the value they refuse.
  for (std::string arg : {"--fullscreen", "-w", "--", "-", "--WINDOW"}) {
    ExpectError({arg.c_str()}, "unknown option '" + arg + "'");
  }
  for (std::string arg : {"save.rec", ""}) {
    ExpectError({arg.c_str()}, "unexpected argument '" + arg + "'");
  }
  for (std::string scale : {"0", "17", "-1", "2x", "1.5", "", "99999999999", " 2", "016"}) {
    ExpectError({("--window=" + scale).c_str()}, "bad window scale '" + scale + "'");
  }
  for (std::string scaling : {"stretch", "Fit", ""}) {
    ExpectError({"--window", ("--scale=" + scaling).c_str()}, "bad scaling '" + scaling + "'");
  }
  const std::pair<std::vector<const char*>, const char*> cases[] = {
      {{"--window", "--scale"}, "'--scale' needs a value"},
      {{"--desktop=1"}, "'--desktop' takes no value"},
      {{"--mute=yes"}, "'--mute' takes no value"},
      {{"--help=me"}, "'--help' takes no value"},
      {{"--version=2"}, "'--version' takes no value"},
      {{"--record"}, "'--record' needs a file"},
      {{"--record="}, "'--record' needs a file"},
      {{"--replay"}, "'--replay' needs a file"},
      {{"--window", "--desktop"}, "--window and --desktop cannot be combined"},
      {{"--desktop", "--window=2"}, "--window and --desktop cannot be combined"},
      {{"--record=a", "--replay=b"}, "--record and --replay cannot be combined"},
      {{"--scale=integer"}, "--scale needs --window or --desktop"},
  };
  for (const auto& [args, message] : cases) ExpectError(args, message);
}

// HandleCommandLine's effects, in a child process so stdout and stderr can be matched.
TEST(CommandLineDeathTest, HandlingPrintsAndReturnsTheExitCode) {
  auto handle = [](std::vector<const char*> args) {
    args.insert(args.begin(), "salvo");
    GameOptions options;
    std::exit(HandleCommandLine(static_cast<int>(args.size()), args.data(), options));
  };
  // Error line first, then the help, all on stderr; exit code 2.
  EXPECT_EXIT(
      handle({"--window=0"}), ::testing::ExitedWithCode(2),
      testing::ContainsStdRegex("^salvo: bad window scale '0'[^\n]*\nUsage: salvo \\[OPTION\\]"));
  EXPECT_EXIT(handle({"--bogus"}), ::testing::ExitedWithCode(2), "--scale=fit\\|integer");
  // Help and version go to stdout: nothing on stderr, exit code 0.
  EXPECT_EXIT(handle({"--help"}), ::testing::ExitedWithCode(0), "^$");
  EXPECT_EXIT(handle({"--version"}), ::testing::ExitedWithCode(0), "^$");

  GameOptions options;
  const char* argv[] = {"salvo", "--desktop", "--mute"};
  EXPECT_EQ(HandleCommandLine(3, argv, options), -1);
  EXPECT_EQ(options.display, Display::kDesktop);
  EXPECT_TRUE(options.mute);
}

GameOptions Options(Display display, int windowScale = 0, Scaling scaling = Scaling::kFit) {
  GameOptions options;
  std::tie(options.display, options.windowScale, options.scaling) =
      std::tie(display, windowScale, scaling);
  return options;
}

TEST(DisplayOptions, WindowAndDesktopAskTheRuntimeForScaledOutput) {
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

// Only a window or the desktop is named for the game; its icon is the round cannon with clear
// corners.
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
    EXPECT_TRUE(error.starts_with("salvo: --window=" + std::to_string(c.scale) + " ")) << error;
    const std::string named = "the largest scale that fits is --window=" + std::string(c.fits);
    EXPECT_TRUE(error.ends_with(named)) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
  EXPECT_EQ(OversizedWindowError(Options(Display::kDesktop), 320, 200), "");
}

// The test display is 640 x 480: only scale 1 fits it. The system's libraries may write a line of
// their own before ours while the display is asked for its size.
TEST(DisplayOptionsDeathTest, AnOversizedWindowEndsWithExitCode2BeforeAnyWindowOpens) {
  GameOptions options = Options(Display::kWindow, 1);
  EXPECT_EQ(RefuseOversizedWindow(options), -1);
  options.windowScale = 16;
  EXPECT_EXIT(std::exit(RefuseOversizedWindow(options)), ::testing::ExitedWithCode(2),
              testing::ContainsStdRegex(
                  "(^|\n)salvo: --window=16 makes a 10240 x 7680 window[^\n]*--window=1\n$"));
}

TEST(DisplayOptions, TheCauseNamesWhatTheSystemSaidAndWhatMayHelp) {
  const GameOptions plain;
  const TWindowSession x11{"DISPLAY is :7", "Start it in a session"};
  std::string cause = DisplayFailureCause(plain, "x11 not available", x11, false);
  EXPECT_TRUE(
      cause.starts_with("salvo: no display could be opened (x11 not available; DISPLAY is "
                        ":7). Start it in a session; --window"))
      << cause;
  EXPECT_EQ(cause.find('\n'), std::string::npos);
  // A platform with nothing to name leaves the parenthesis to the system's words.
  cause = DisplayFailureCause(plain, "no WGL", {"", "Start it on the desktop"}, false);
  EXPECT_TRUE(
      cause.starts_with("salvo: no display could be opened (no WGL). Start it on the desktop;"))
      << cause;

  // A display without the 640 x 480 mode: the scaled options are the way out.
  cause = DisplayFailureCause(plain, "", x11, false);
  EXPECT_NE(cause.find("no 640 x 480 mode"), std::string::npos) << cause;
  EXPECT_NE(cause.find("--desktop"), std::string::npos) << cause;

  // Nothing to add when the mode is there, or when scaled output was asked for and the display
  // itself works: the error says it all.
  EXPECT_EQ(DisplayFailureCause(plain, "", x11, true), "");
  EXPECT_EQ(DisplayFailureCause(Options(Display::kDesktop), "", x11, false), "");
}

}  // namespace
}  // namespace salvo
