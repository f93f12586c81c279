// The real `salvo` executable on a 1920 x 1080 Xvfb screen, which has no
// 640 x 480 mode: with no option it stops with "Graphics mode does not
// exist"; with --desktop or --window the title screen shows scaled, and the
// screenshots are checked pixel by pixel against the game's own 640 x 480
// picture. Also: what the game says when there is no display at all.
#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "x_session.h"

namespace {

using namespace salvo_x;
using Rgb = std::array<int, 3>;

Rgb At(const Screenshot& shot, int x, int y) {
  const auto* p = reinterpret_cast<const unsigned char*>(&shot.rgb[(y * shot.width + x) * 3]);
  return {p[0], p[1], p[2]};
}

bool IsBlack(int r, int g, int b) {
  return r == 0 && g == 0 && b == 0;
}

// The game's 640 x 480 picture is read back from the screenshot that shows
// it at twice its size from (320, 60): pixel (x, y) of the picture.
Rgb Original(const Screenshot& picture, int x, int y) {
  return At(picture, 320 + 2 * x, 60 + 2 * y);
}

// The pixel and its eight neighbours have one colour: any sensible scaling
// shows that colour around the pixel's centre.
bool Uniform(const Screenshot& picture, int x, int y) {
  if (x < 1 || y < 1 || x > 638 || y > 478) return false;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (Original(picture, x + dx, y + dy) != Original(picture, x, y)) return false;
    }
  }
  return true;
}

// Screenshots until the title (enough light pixels) is in the rectangle
// where the picture should be.
std::optional<Screenshot> WaitForTitle(int display, int left, int top, int width, int height) {
  return WaitForScreen(display, 1920, 1080, [&](const Screenshot& shot) {
    return Share(shot, left, top, left + width, top + height,
                 [](int r, int g, int b) { return r + g + b > 60; }) > 0.02;
  });
}

// Compares a picture shown at `scale` with its top left at (left, top) with
// the 640 x 480 original, at the centre of every pixel whose neighbourhood
// is of one colour (more than half of them). The share of those that match.
double MatchingShare(const Screenshot& shot, const Screenshot& picture, int left, int top,
                     double scale) {
  int matched = 0, compared = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (!Uniform(picture, x, y)) continue;
      const Rgb shown = At(shot, left + int((x + 0.5) * scale), top + int((y + 0.5) * scale));
      const Rgb original = Original(picture, x, y);
      bool close = true;
      for (int i = 0; i < 3; ++i) close = close && std::abs(shown[i] - original[i]) <= 6;
      ++compared;
      matched += close ? 1 : 0;
    }
  }
  EXPECT_GT(compared, 640 * 480 / 2);
  return compared ? static_cast<double>(matched) / compared : 0;
}

TEST(ScaledDisplay, NoDisplayAtAllIsNamedBeforeTheUsualError) {
  ASSERT_EQ(access(SalvoPath().c_str(), X_OK), 0) << SalvoPath();
  // No DISPLAY, and one that names no server: the line says which.
  for (const auto& [display, named] : {std::pair{"env -u DISPLAY", "; DISPLAY is not set). "},
                                       std::pair{"DISPLAY=:9973", "; DISPLAY is :9973). "}}) {
    const Outcome outcome = RunShell(std::string(display) + " WAYLAND_DISPLAY= " + kGameEnv + " " +
                                     SalvoPath() + " 2>&1");
    SCOPED_TRACE(std::string(display) + ":\n" + outcome.output);
    EXPECT_EQ(outcome.exitCode, 255);
    EXPECT_NE(outcome.output.find(named), std::string::npos);
    const size_t cause = outcome.output.find("salvo: no display could be opened (");
    const size_t error = outcome.output.find("\nGraphics mode does not exist\n");
    ASSERT_NE(cause, std::string::npos);
    ASSERT_NE(error, std::string::npos);
    EXPECT_LT(cause, error);
  }
}

TEST(ScaledDisplay, OnA1920x1080ScreenTheTitleIsScaledIntoTheDesktopAndAWindow) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool not installed";
  ASSERT_TRUE(OnPath("import")) << "ImageMagick's import is needed for the screenshots";
  ASSERT_EQ(access(SalvoPath().c_str(), X_OK), 0) << SalvoPath();
  Child server;
  const int n = StartDisplay(server, "1920x1080x24");
  ASSERT_NE(n, -1) << "Xvfb did not start";

  // No option: the screen has no 640 x 480 mode.
  const Outcome outcome =
      RunShell("DISPLAY=:" + std::to_string(n) + " " + kGameEnv + " " + SalvoPath() + " 2>&1");
  EXPECT_EQ(outcome.exitCode, 255) << outcome.output;
  EXPECT_NE(outcome.output.find("Graphics mode does not exist"), std::string::npos)
      << outcome.output;
  EXPECT_NE(outcome.output.find("--window or --desktop"), std::string::npos) << outcome.output;

  // --desktop --scale=integer: twice the size, centred at (320, 60). Every
  // picture pixel is a 2 x 2 block, so the picture can be read back exactly.
  Screenshot picture;
  {
    Child game;
    ASSERT_TRUE(StartGame(game, n, {"--desktop", "--scale=integer"})) << Describe(game.WaitExit(0));
    std::optional<Screenshot> shot = WaitForTitle(n, 320, 60, 1280, 960);
    ASSERT_TRUE(shot) << "no title in the centre";
    picture = *shot;
    EXPECT_EQ(Share(picture, 0, 0, 1920, 60, IsBlack), 1.0) << "bar above";
    EXPECT_EQ(Share(picture, 0, 1020, 1920, 1080, IsBlack), 1.0) << "bar below";
    EXPECT_EQ(Share(picture, 0, 0, 320, 1080, IsBlack), 1.0) << "bar left";
    EXPECT_EQ(Share(picture, 1600, 0, 1920, 1080, IsBlack), 1.0) << "bar right";
    int uneven = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        const Rgb p = Original(picture, x, y);
        uneven += At(picture, 321 + 2 * x, 60 + 2 * y) != p ||
                  At(picture, 320 + 2 * x, 61 + 2 * y) != p ||
                  At(picture, 321 + 2 * x, 61 + 2 * y) != p;
      }
    }
    EXPECT_EQ(uneven, 0) << "picture pixels that are not whole 2 x 2 blocks";
    // The magenta hint line at the picture's top left: its pixels 5..325 x 5..13.
    EXPECT_GT(Share(picture, 330, 70, 970, 86,
                    [](int r, int g, int b) { return r > 200 && g < 80 && b > 200; }),
              0.05)
        << "the hint line at the picture's top left";
  }

  // --desktop (fit): 2.25 times, 1440 x 1080 from x 240, bars left and right.
  {
    Child game;
    ASSERT_TRUE(StartGame(game, n, {"--desktop"})) << Describe(game.WaitExit(0));
    std::optional<Screenshot> shot = WaitForTitle(n, 240, 0, 1440, 1080);
    ASSERT_TRUE(shot) << "no title";
    EXPECT_EQ(Share(*shot, 0, 0, 240, 1080, IsBlack), 1.0) << "bar left";
    EXPECT_EQ(Share(*shot, 1680, 0, 1920, 1080, IsBlack), 1.0) << "bar right";
    EXPECT_GT(MatchingShare(*shot, picture, 240, 0, 2.25), 0.98);
    // The picture does reach the edges of its 1440 x 1080 area: the credits
    // sit near its bottom left.
    EXPECT_GT(
        Share(*shot, 240, 1000, 700, 1080, [](int r, int g, int b) { return r + g + b > 150; }),
        0.01);
  }

  // --window: the largest whole scale that fits 1920 x 1080 is 2, so a
  // 1280 x 960 window showing the picture at twice its size, named Salvo.
  {
    Child game;
    ASSERT_TRUE(StartGame(game, n, {"--window"})) << Describe(game.WaitExit(0));
    // The window can be found by its name a moment before it can be asked
    // for its geometry, in a slow (sanitizer) build on a busy machine.
    std::optional<std::string> geometry;
    int x = -1, y = -1, width = 0, height = 0;
    const bool parsed = PollUntil(30000, 200, [&] {
      geometry = RunOnDisplay(n, "xdotool search --name '^Salvo$' getwindowgeometry --shell");
      return geometry && std::sscanf(geometry->c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d",
                                     &x, &y, &width, &height) == 4;
    });
    ASSERT_TRUE(parsed) << (geometry ? *geometry : "no geometry for the window named Salvo");
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 960);
    ASSERT_TRUE(x >= 0 && y >= 0 && x + 1280 <= 1920 && y + 960 <= 1080) << *geometry;
    std::optional<Screenshot> shot = WaitForTitle(n, x, y, 1280, 960);
    ASSERT_TRUE(shot) << "no title in the window";
    EXPECT_GT(MatchingShare(*shot, picture, x, y, 2.0), 0.98);
  }

  // --mute opens no audio device: SDL's disk driver, which creates its file
  // when a device is opened, writes nothing. Without --mute it does.
  for (bool mute : {true, false}) {
    const std::string path = "/tmp/salvo-audio-" + std::to_string(getpid()) + (mute ? "m" : "");
    unlink(path.c_str());
    std::vector<std::string> options = {"--desktop"};
    if (mute) options.push_back("--mute");
    Child game;
    ASSERT_TRUE(StartGame(game, n, options, {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + path}))
        << Describe(game.WaitExit(0));
    ASSERT_TRUE(WaitForTitle(n, 240, 0, 1440, 1080)) << "no title";
    EXPECT_EQ(access(path.c_str(), F_OK) == 0, !mute) << (mute ? "--mute" : "no --mute");
    game.Kill();
    unlink(path.c_str());
  }
}

}  // namespace
