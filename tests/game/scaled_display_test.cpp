// The real `salvo` executable on a 1920 x 1080 Xvfb screen, which has no
// 640 x 480 mode: with no option it stops with "Graphics mode does not
// exist"; with --desktop or --window the title screen shows scaled, and the
// screenshots are checked pixel by pixel against the game's own 640 x 480
// picture. Also: what the game says when there is no display at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "x_session.h"

namespace {

using namespace salvo_x;

// What a shell command wrote on stdout and stderr, and its exit code.
struct Outcome {
  std::string output;
  int exitCode = -1;
};

Outcome RunCapturing(const std::string& command) {
  Outcome outcome;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return outcome;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, got);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  return outcome;
}

// The environment every game in these tests runs with: no sound card here,
// and no leak check at exit (see the end-to-end test).
std::string GameEnv() {
  return "SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0";
}

using Rgb = std::array<int, 3>;

Rgb At(const Screenshot& shot, int x, int y) {
  const auto* p = reinterpret_cast<const unsigned char*>(&shot.rgb[(y * shot.width + x) * 3]);
  return {p[0], p[1], p[2]};
}

bool Close(const Rgb& a, const Rgb& b, int tolerance) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(a[i] - b[i]) > tolerance) return false;
  }
  return true;
}

bool IsBlack(int r, int g, int b) {
  return r == 0 && g == 0 && b == 0;
}

// The game's 640 x 480 picture as it was shown.
struct Picture {
  std::vector<Rgb> pixels = std::vector<Rgb>(640 * 480);
  Rgb& operator()(int x, int y) { return pixels[y * 640 + x]; }
  const Rgb& operator()(int x, int y) const { return pixels[y * 640 + x]; }
  // The pixel and its eight neighbours have one colour: any sensible
  // scaling shows that colour around the pixel's centre.
  bool Uniform(int x, int y) const {
    if (x < 1 || y < 1 || x > 638 || y > 478) return false;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        if ((*this)(x + dx, y + dy) != (*this)(x, y)) return false;
      }
    }
    return true;
  }
};

// A game running on the server until the test ends.
class Game {
 public:
  // `extraEnv` entries come last and so win over the defaults.
  bool Start(int display, const std::vector<std::string>& options,
             const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> command = {SalvoPath()};
    command.insert(command.end(), options.begin(), options.end());
    std::vector<std::string> env = {"DISPLAY=:" + std::to_string(display), "SDL_AUDIODRIVER=dummy",
                                    "ASAN_OPTIONS=detect_leaks=0"};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    return child_.Start(command, env) && WaitForWindow(display, child_);
  }
  Child& child() { return child_; }

 private:
  Child child_;
};

// Screenshots until the title (its magenta hint line and enough light
// pixels) is in the rectangle where the picture should be.
std::optional<Screenshot> WaitForTitle(int display, int left, int top, int width, int height) {
  std::optional<Screenshot> shot;
  const bool seen = PollUntil(30000, 250, [&] {
    shot = TakeScreenshot(display);
    if (!shot || shot->width != 1920 || shot->height != 1080) return false;
    const double lit = Share(*shot, left, top, left + width, top + height,
                             [](int r, int g, int b) { return r + g + b > 60; });
    return lit > 0.02;
  });
  return seen ? shot : std::nullopt;
}

// The magenta hint line at the picture's top left, in picture coordinates.
double HintShare(const Picture& picture) {
  int hits = 0;
  for (int y = 5; y < 13; ++y) {
    for (int x = 5; x < 325; ++x) {
      const Rgb& p = picture(x, y);
      hits += (p[0] > 200 && p[1] < 80 && p[2] > 200) ? 1 : 0;
    }
  }
  return hits / (8.0 * 320);
}

// Compares a picture shown at `scale` with its top left at (left, top) with
// the 640 x 480 original, at the centre of every pixel whose neighbourhood
// is of one colour. The share of such pixels that match.
double MatchingShare(const Screenshot& shot, const Picture& picture, int left, int top,
                     double scale, int& compared) {
  int matched = 0;
  compared = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (!picture.Uniform(x, y)) continue;
      const int sx = left + static_cast<int>((x + 0.5) * scale);
      const int sy = top + static_cast<int>((y + 0.5) * scale);
      ++compared;
      matched += Close(At(shot, sx, sy), picture(x, y), 6) ? 1 : 0;
    }
  }
  return compared ? static_cast<double>(matched) / compared : 0;
}

TEST(ScaledDisplay, NoDisplayAtAllIsNamedBeforeTheUsualError) {
  ASSERT_EQ(access(SalvoPath().c_str(), X_OK), 0) << SalvoPath();
  // No DISPLAY, and one that names no server.
  for (const char* display : {"env -u DISPLAY", "DISPLAY=:9973"}) {
    const Outcome outcome =
        RunCapturing(std::string(display) + " WAYLAND_DISPLAY= " + GameEnv() + " " + SalvoPath());
    SCOPED_TRACE(std::string(display) + ":\n" + outcome.output);
    EXPECT_EQ(outcome.exitCode, 255);
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
  const std::string on = "DISPLAY=:" + std::to_string(n) + " " + GameEnv() + " ";

  // No option: the screen has no 640 x 480 mode.
  {
    const Outcome outcome = RunCapturing(on + SalvoPath());
    EXPECT_EQ(outcome.exitCode, 255) << outcome.output;
    EXPECT_NE(outcome.output.find("Graphics mode does not exist"), std::string::npos)
        << outcome.output;
    EXPECT_NE(outcome.output.find("--window or --desktop"), std::string::npos) << outcome.output;
  }

  // --desktop --scale=integer: twice the size, centred at (320, 60). Every
  // picture pixel is a 2 x 2 block, so the picture can be read back exactly.
  Picture picture;
  {
    Game game;
    ASSERT_TRUE(game.Start(n, {"--desktop", "--scale=integer"}))
        << Describe(game.child().WaitExit(0));
    std::optional<Screenshot> shot = WaitForTitle(n, 320, 60, 1280, 960);
    ASSERT_TRUE(shot) << "no title in the centre";
    EXPECT_EQ(Share(*shot, 0, 0, 1920, 60, IsBlack), 1.0) << "bar above";
    EXPECT_EQ(Share(*shot, 0, 1020, 1920, 1080, IsBlack), 1.0) << "bar below";
    EXPECT_EQ(Share(*shot, 0, 0, 320, 1080, IsBlack), 1.0) << "bar left";
    EXPECT_EQ(Share(*shot, 1600, 0, 1920, 1080, IsBlack), 1.0) << "bar right";
    int uneven = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        const Rgb p = At(*shot, 320 + 2 * x, 60 + 2 * y);
        picture(x, y) = p;
        uneven +=
            (At(*shot, 321 + 2 * x, 60 + 2 * y) != p || At(*shot, 320 + 2 * x, 61 + 2 * y) != p ||
             At(*shot, 321 + 2 * x, 61 + 2 * y) != p)
                ? 1
                : 0;
      }
    }
    EXPECT_EQ(uneven, 0) << "picture pixels that are not whole 2 x 2 blocks";
    EXPECT_GT(HintShare(picture), 0.05) << "the hint line at the picture's top left";
  }

  // --desktop (fit): 2.25 times, 1440 x 1080 from x 240, bars left and right.
  {
    Game game;
    ASSERT_TRUE(game.Start(n, {"--desktop"})) << Describe(game.child().WaitExit(0));
    std::optional<Screenshot> shot = WaitForTitle(n, 240, 0, 1440, 1080);
    ASSERT_TRUE(shot) << "no title";
    EXPECT_EQ(Share(*shot, 0, 0, 240, 1080, IsBlack), 1.0) << "bar left";
    EXPECT_EQ(Share(*shot, 1680, 0, 1920, 1080, IsBlack), 1.0) << "bar right";
    int compared = 0;
    EXPECT_GT(MatchingShare(*shot, picture, 240, 0, 2.25, compared), 0.98);
    EXPECT_GT(compared, 640 * 480 / 2);
    // The picture does reach the edges of its 1440 x 1080 area: the credits
    // sit near its bottom left.
    EXPECT_GT(
        Share(*shot, 240, 1000, 700, 1080, [](int r, int g, int b) { return r + g + b > 150; }),
        0.01);
  }

  // --window: the largest whole scale that fits 1920 x 1080 is 2, so a
  // 1280 x 960 window showing the picture at twice its size.
  {
    Game game;
    ASSERT_TRUE(game.Start(n, {"--window"})) << Describe(game.child().WaitExit(0));
    std::optional<std::string> geometry = RunOnDisplay(n,
                                                       "xdotool search --name QuarnGL "
                                                       "getwindowgeometry --shell");
    ASSERT_TRUE(geometry);
    int x = -1, y = -1, width = 0, height = 0;
    for (const char* key : {"X=", "Y=", "WIDTH=", "HEIGHT="}) {
      const size_t at = geometry->find(key);
      ASSERT_NE(at, std::string::npos) << *geometry;
      const int value = std::atoi(geometry->c_str() + at + std::string(key).size());
      if (key[0] == 'X') x = value;
      if (key[0] == 'Y') y = value;
      if (key[0] == 'W') width = value;
      if (key[0] == 'H') height = value;
    }
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 960);
    ASSERT_GE(x, 0);
    ASSERT_GE(y, 0);
    ASSERT_LE(x + 1280, 1920);
    ASSERT_LE(y + 960, 1080);
    std::optional<Screenshot> shot = WaitForTitle(n, x, y, 1280, 960);
    ASSERT_TRUE(shot) << "no title in the window";
    int compared = 0;
    EXPECT_GT(MatchingShare(*shot, picture, x, y, 2.0, compared), 0.98);
    EXPECT_GT(compared, 640 * 480 / 2);
  }

  // --mute opens no audio device: SDL's disk driver, which creates its file
  // when a device is opened, writes nothing. Without --mute it does.
  for (bool mute : {true, false}) {
    char path[] = "/tmp/salvo-audio-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_NE(fd, -1);
    close(fd);
    unlink(path);
    std::vector<std::string> options = {"--desktop"};
    if (mute) options.push_back("--mute");
    Game game;
    ASSERT_TRUE(
        game.Start(n, options, {"SDL_AUDIODRIVER=disk", std::string("SDL_DISKAUDIOFILE=") + path}))
        << Describe(game.child().WaitExit(0));
    ASSERT_TRUE(WaitForTitle(n, 240, 0, 1440, 1080)) << "no title";
    EXPECT_EQ(access(path, F_OK) == 0, !mute) << (mute ? "--mute" : "no --mute");
    game.child().Kill();
    unlink(path);
  }
}

}  // namespace
