// The real `salvo` executable on Xvfb servers of its own, driven with xdotool and looked at with
// ImageMagick's `import`: a first round on a 640 x 480 screen, the title scaled on a 1920 x 1080
// one (checked pixel by pixel), and what the game says with no display at all.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "tests/unique_test_path.h"

extern char** environ;

namespace {

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Calls `done` every stepMs until it holds or timeoutMs have passed.
template <class Done>
bool PollUntil(int timeoutMs, int stepMs, Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    SleepMs(stepMs);
  }
  return true;
}

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string SalvoPath() {
  const char* dir = std::getenv("SALVO_BINARY_DIR");
  return std::string(dir && *dir ? dir : SALVO_BINARY_DIR) + "/salvo";
}

// A shell command line run in the background (exec'd, so the child is the program itself), always
// killed and reaped whatever the test does.
class Child {
 public:
  ~Child() { Kill(); }

  bool Start(const std::string& line) {
    const std::string script = "exec " + line;
    const char* argv[] = {"sh", "-c", script.c_str(), nullptr};
    status_.reset();
    if (posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
      pid_ = -1;
    }
    return pid_ > 0;
  }

  bool Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == 0) return true;
    if (done == pid_) status_ = status;
    pid_ = -1;
    return false;
  }

  // The wait status once the child has ended within timeoutMs.
  std::optional<int> WaitExit(int timeoutMs) {
    PollUntil(timeoutMs, 50, [this] { return !Running(); });
    return status_;
  }

  void Kill() {
    if (!Running()) return;
    kill(pid_, SIGTERM);
    if (WaitExit(5000)) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// What a shell command wrote on stdout, and its exit code (-1: it did not exit).
struct Outcome {
  std::string output;
  int exitCode = -1;
};

Outcome RunShell(const std::string& line) {
  Outcome outcome;
  FILE* pipe = popen(line.c_str(), "r");
  if (!pipe) return outcome;
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, got);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  return outcome;
}

// A shell command's standard output with the display set; nothing when it failed.
std::optional<std::string> RunOnDisplay(int display, const std::string& command) {
  Outcome outcome =
      RunShell("DISPLAY=:" + std::to_string(display) + " " + command + " 2>/dev/null");
  if (outcome.exitCode != 0) return std::nullopt;
  return outcome.output;
}

struct Screenshot {
  int width = 0;
  int height = 0;
  std::string rgb;
};

// The root window of the width x height screen as 8-bit RGB from `import`; nothing when that failed
// or the screen has another size.
std::optional<Screenshot> TakeScreenshot(int display, int width, int height) {
  std::optional<std::string> rgb = RunOnDisplay(display, "import -window root -depth 8 rgb:-");
  if (!rgb || rgb->size() != static_cast<size_t>(width) * height * 3) return std::nullopt;
  return Screenshot{width, height, *rgb};
}

using Rgb = std::array<int, 3>;

Rgb At(const Screenshot& shot, int x, int y) {
  const auto* p = reinterpret_cast<const unsigned char*>(&shot.rgb[(y * shot.width + x) * 3]);
  return {p[0], p[1], p[2]};
}

// Share of the pixels in the rectangle for which `test` holds.
template <class Test>
double Share(const Screenshot& shot, int left, int top, int right, int bottom, Test test) {
  int hits = 0;
  for (int y = top; y < bottom; y++) {
    for (int x = left; x < right; x++) {
      const auto [r, g, b] = At(shot, x, y);
      hits += test(r, g, b) ? 1 : 0;
    }
  }
  return static_cast<double>(hits) / ((right - left) * (bottom - top));
}

// Screenshots of the width x height screen until one passes `test` within 30 s (the game draws at
// its own pace, slower on a loaded machine).
template <class Test>
std::optional<Screenshot> WaitForScreen(int display, int width, int height, Test test) {
  std::optional<Screenshot> shot;
  const bool passed = PollUntil(30000, 250, [&] {
    shot = TakeScreenshot(display, width, height);
    return shot && test(*shot);
  });
  return passed ? shot : std::nullopt;
}

// Starts an X server of the screen size (WIDTHxHEIGHTxDEPTH) on `server`: Xvfb picks a free display
// number itself and writes it, then a newline once it is ready. The number, or -1.
int StartDisplay(Child& server, const std::string& screen = "640x480x24") {
  const std::string file = salvo::UniqueTestPath(".display");
  std::string number;
  if (server.Start("Xvfb -displayfd 1 -screen 0 " + screen + " -nolisten tcp >" + file)) {
    PollUntil(30000, 100, [&] {
      std::ifstream in(file);
      return (std::getline(in, number) && !in.eof()) || !server.Running();
    });
  }
  std::remove(file.c_str());
  return number.empty() ? -1 : std::atoi(number.c_str());
}

std::string Describe(std::optional<int> status) {
  if (!status) return "still running";
  if (WIFEXITED(*status)) return "exit code " + std::to_string(WEXITSTATUS(*status));
  if (WIFSIGNALED(*status)) return "signal " + std::to_string(WTERMSIG(*status));
  return "status " + std::to_string(*status);
}

// The game with `options` under `env` (NAME=value entries, which win over these): no sound card,
// and no leak check at exit in a sanitizer build, as the leak checker's thread tracer can crash
// while a whole game's GL and audio threads wind down (the unit suites check our code's leaks
// in-process).
std::string GameCommand(const std::string& env, const std::string& options = "") {
  return "env SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 " + env + " " + SalvoPath() + " " +
         options;
}

// Starts the game on the display and polls for its window (titled Salvo in a window or on the
// desktop, with the runtime's title otherwise) while the game runs. A game that could not reach a
// server just started gets one more try.
bool StartGame(Child& game, int display, const std::string& options = "",
               const std::string& env = "") {
  const std::string line =
      GameCommand("DISPLAY=:" + std::to_string(display) + " " + env, options) + " >/dev/null";
  for (int attempt = 0; attempt < 2; attempt++) {
    if (!game.Start(line)) return false;
    bool found = false;
    PollUntil(60000, 200, [&] {
      const auto windows = RunOnDisplay(display, "xdotool search --name '^(QuarnGL .*|Salvo)$'");
      found = windows && !windows->empty();
      return found || !game.Running();
    });
    if (found) return true;
    if (game.Running()) return false;
    std::fprintf(stderr, "game on :%d ended before its window showed (%s)\n", display,
                 Describe(game.WaitExit(0)).c_str());
    SleepMs(1000);
  }
  return false;
}

bool IsBlack(int r, int g, int b) {
  return r == 0 && g == 0 && b == 0;
}

// The game's 640 x 480 picture is read back from the screenshot that shows it at twice its size
// from (320, 60): pixel (x, y) of the picture.
Rgb Original(const Screenshot& picture, int x, int y) {
  return At(picture, 320 + 2 * x, 60 + 2 * y);
}

// The pixel and its eight neighbours have one colour, which any sensible scaling shows there.
bool Uniform(const Screenshot& picture, int x, int y) {
  if (x < 1 || y < 1 || x > 638 || y > 478) return false;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (Original(picture, x + dx, y + dy) != Original(picture, x, y)) return false;
    }
  }
  return true;
}

// Screenshots until the title (enough light pixels) is in the rectangle where the picture should
// be, on a screen of 1920 x 1080 unless told.
std::optional<Screenshot> WaitForTitle(int display, int left, int top, int width, int height,
                                       int screenWidth = 1920, int screenHeight = 1080) {
  return WaitForScreen(display, screenWidth, screenHeight, [&](const Screenshot& shot) {
    return Share(shot, left, top, left + width, top + height,
                 [](int r, int g, int b) { return r + g + b > 60; }) > 0.02;
  });
}

// The share of the uniform pixels (more than half of them) of the 640 x 480 original that a picture
// shown at `scale` from (left, top) matches at their centres.
double MatchingShare(const Screenshot& shot, const Screenshot& picture, int left, int top,
                     double scale) {
  int matched = 0, compared = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (!Uniform(picture, x, y)) continue;
      const Rgb shown = At(shot, left + int((x + 0.5) * scale), top + int((y + 0.5) * scale));
      const Rgb original = Original(picture, x, y);
      ++compared;
      matched += std::abs(shown[0] - original[0]) <= 6 && std::abs(shown[1] - original[1]) <= 6 &&
                 std::abs(shown[2] - original[2]) <= 6;
    }
  }
  EXPECT_GT(compared, 640 * 480 / 2);
  return compared ? static_cast<double>(matched) / compared : 0;
}

TEST(ScaledDisplay, NoDisplayAtAllIsNamedBeforeTheUsualError) {
  ASSERT_EQ(access(SalvoPath().c_str(), X_OK), 0) << SalvoPath();
  // No DISPLAY, and one that names no server: the line says which.
  for (const auto& [display, named] : {std::pair{"env -u DISPLAY ", "; DISPLAY is not set). "},
                                       std::pair{"DISPLAY=:9973 ", "; DISPLAY is :9973). "}}) {
    const Outcome outcome = RunShell(display + GameCommand("WAYLAND_DISPLAY=") + " 2>&1");
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
  const Outcome outcome = RunShell(GameCommand("DISPLAY=:" + std::to_string(n)) + " 2>&1");
  EXPECT_EQ(outcome.exitCode, 255) << outcome.output;
  EXPECT_NE(outcome.output.find("Graphics mode does not exist"), std::string::npos)
      << outcome.output;
  EXPECT_NE(outcome.output.find("--window or --desktop"), std::string::npos) << outcome.output;

  // --desktop --scale=integer: twice the size, centred at (320, 60). Every picture pixel is a 2 x 2
  // block, so the picture can be read back exactly.
  Screenshot picture;
  {
    Child game;
    ASSERT_TRUE(StartGame(game, n, "--desktop --scale=integer")) << Describe(game.WaitExit(0));
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

  // --desktop (fit): 2.25 times, 1440 x 1080 from x 240, bars left and right. With sound, SDL's
  // disk driver, which creates its file when a device is opened, writes it; --mute opens no audio
  // device, and nothing is written.
  for (bool mute : {false, true}) {
    const std::string path = "/tmp/salvo-audio-" + std::to_string(getpid()) + (mute ? "m" : "");
    unlink(path.c_str());
    Child game;
    ASSERT_TRUE(StartGame(game, n, mute ? "--desktop --mute" : "--desktop",
                          "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + path))
        << Describe(game.WaitExit(0));
    std::optional<Screenshot> shot = WaitForTitle(n, 240, 0, 1440, 1080);
    ASSERT_TRUE(shot) << "no title";
    EXPECT_EQ(access(path.c_str(), F_OK) == 0, !mute) << (mute ? "--mute" : "no --mute");
    game.Kill();
    unlink(path.c_str());
    if (mute) continue;
    EXPECT_EQ(Share(*shot, 0, 0, 240, 1080, IsBlack), 1.0) << "bar left";
    EXPECT_EQ(Share(*shot, 1680, 0, 1920, 1080, IsBlack), 1.0) << "bar right";
    EXPECT_GT(MatchingShare(*shot, picture, 240, 0, 2.25), 0.98);
    // The picture does reach the edges of its 1440 x 1080 area: the credits sit near its bottom
    // left.
    EXPECT_GT(
        Share(*shot, 240, 1000, 700, 1080, [](int r, int g, int b) { return r + g + b > 150; }),
        0.01);
  }

  // --window: the largest whole scale that fits 1920 x 1080 is 2, so a 1280 x 960 window showing
  // the picture at twice its size, named Salvo.
  {
    Child game;
    ASSERT_TRUE(StartGame(game, n, "--window")) << Describe(game.WaitExit(0));
    // The window can be found by its name a moment before it can be asked for its geometry, in a
    // slow (sanitizer) build on a busy machine.
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
}

bool Grass(int r, int g, int b) {
  return g > 40 && g > b + 20 && g >= r;
}

TEST(EndToEnd, TitleEnterRoundOneVolleyAndEscape) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool not installed";
  ASSERT_TRUE(OnPath("import")) << "ImageMagick's import is needed for the screenshots";
  ASSERT_EQ(access(SalvoPath().c_str(), X_OK), 0) << SalvoPath();
  Child server, game;
  const int n = StartDisplay(server);
  ASSERT_NE(n, -1) << "Xvfb did not start";
  ASSERT_TRUE(StartGame(game, n)) << "no game window on :" << n << ", game "
                                  << Describe(game.WaitExit(0));

  // The title: dark background with the artwork and the texts.
  std::optional<Screenshot> title = WaitForTitle(n, 0, 0, 640, 480, 640, 480);
  ASSERT_TRUE(title) << "no title drawn";
  EXPECT_LT(Share(*title, 0, 0, 640, 480, Grass), 0.05);
  ASSERT_TRUE(game.Running());

  // Enter, then the fade (100 frames) into round 1 on grass.
  ASSERT_TRUE(RunOnDisplay(n, "xdotool key Return"));
  std::optional<Screenshot> round = WaitForScreen(n, 640, 480, [](const Screenshot& shot) {
    return Share(shot, 0, 60, 640, 420, Grass) > 0.6;
  });
  ASSERT_TRUE(round) << "no playfield of grass";
  ASSERT_TRUE(game.Running());
  EXPECT_LT(Share(*round, 0, 0, 640, 480, [](int r, int g, int b) { return r + g + b < 30; }), 0.5)
      << "all but black";
  // The track row across the bottom: grey rails on every stretch of it.
  auto grey = [](int r, int g, int b) {
    return std::abs(r - g) < 24 && std::abs(g - b) < 24 && r > 90;
  };
  for (int left = 0; left < 640; left += 160) {
    EXPECT_GT(Share(*round, left, 426, left + 160, 462, grey), 0.05) << "track at " << left;
  }
  // The health blocks in bright green, the cash text in white.
  EXPECT_GT(Share(*round, 482, 20, 590, 40,
                  [](int r, int g, int b) { return g > 200 && r < 60 && b < 60; }),
            0.4)
      << "health bar";
  EXPECT_GT(Share(*round, 5, 5, 120, 20, [](int r, int g, int b) { return r + g + b > 600; }), 0.05)
      << "cash";

  // A volley once the banner (150 frames) is gone: press, hold, release.
  SleepMs(3000);
  ASSERT_TRUE(RunOnDisplay(n, "xdotool keydown space"));
  SleepMs(250);
  ASSERT_TRUE(RunOnDisplay(n, "xdotool keyup space"));
  SleepMs(1500);
  ASSERT_TRUE(game.Running());
  EXPECT_TRUE(TakeScreenshot(n, 640, 480));

  ASSERT_TRUE(RunOnDisplay(n, "xdotool key Escape"));
  std::optional<int> status = game.WaitExit(30000);
  ASSERT_TRUE(status) << "the game did not end after Escape";
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

}  // namespace
