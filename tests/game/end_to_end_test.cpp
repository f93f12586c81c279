// The real `salvo` executable on its own Xvfb server, driven with xdotool and
// looked at with ImageMagick's `import`: title, Enter, the first round, a
// volley, Escape and a clean exit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "x_session.h"

namespace {

using namespace salvo_x;

bool Grass(int r, int g, int b) {
  return g > 40 && g > b + 20 && g >= r;
}

// Screenshots of the 640 x 480 screen until one passes `test` (the game
// draws at its own pace, slower on a loaded machine); nothing when none did.
template <class Test>
std::optional<Screenshot> WaitForScreen(int display, int timeoutMs, Test test) {
  std::optional<Screenshot> shot;
  bool passed = PollUntil(timeoutMs, 250, [&] {
    shot = TakeScreenshot(display);
    return shot && shot->width == 640 && shot->height == 480 && test(*shot);
  });
  return passed ? shot : std::nullopt;
}

TEST(EndToEnd, TitleEnterRoundOneVolleyAndEscape) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool not installed";
  ASSERT_TRUE(OnPath("import")) << "ImageMagick's import is needed for the screenshots";
  ASSERT_EQ(access(SalvoPath().c_str(), X_OK), 0) << SalvoPath();

  Child server;
  int n = StartDisplay(server);
  ASSERT_NE(n, -1) << "Xvfb did not start";

  // The game reads no environment variable; SDL does. No sound card here.
  // In a sanitizer build the game keeps every address and undefined-behaviour
  // check, but not the leak check at exit: the leak checker's thread tracer
  // can crash while the GL and audio threads of a whole game wind down, which
  // would fail this test for no fault of the game. Leaks of our code are
  // checked by the unit suites, which run every module in-process.
  std::vector<std::string> env = {"DISPLAY=:" + std::to_string(n), "SDL_AUDIODRIVER=dummy",
                                  "ASAN_OPTIONS=detect_leaks=0"};
  Child game;
  ASSERT_TRUE(game.Start({SalvoPath()}, env));
  bool shown = WaitForWindow(n, game);
  if (!shown && !game.Running()) {
    // A game that could not reach a server that has only just started is
    // given one more try; a second failure is the game's own.
    std::fprintf(stderr, "game on :%d ended before its window showed (%s); starting it again\n", n,
                 Describe(game.WaitExit(0)).c_str());
    SleepMs(1000);
    ASSERT_TRUE(game.Start({SalvoPath()}, env));
    shown = WaitForWindow(n, game);
  }
  ASSERT_TRUE(shown) << "no game window on :" << n << ", game " << Describe(game.WaitExit(0));

  // The title: dark background with the artwork and the texts.
  std::optional<Screenshot> title = WaitForScreen(n, 30000, [](const Screenshot& shot) {
    return Share(shot, 0, 0, 640, 480, [](int r, int g, int b) { return r + g + b > 60; }) > 0.02;
  });
  ASSERT_TRUE(title) << "no title drawn";
  EXPECT_LT(Share(*title, 0, 0, 640, 480, Grass), 0.05);
  ASSERT_TRUE(game.Running());

  // Enter, then the fade (100 frames) into round 1 on grass.
  ASSERT_TRUE(RunOnDisplay(n, "xdotool key Return"));
  std::optional<Screenshot> round = WaitForScreen(
      n, 30000, [](const Screenshot& shot) { return Share(shot, 0, 60, 640, 420, Grass) > 0.6; });
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
  EXPECT_TRUE(TakeScreenshot(n));

  ASSERT_TRUE(RunOnDisplay(n, "xdotool key Escape"));
  std::optional<int> status = game.WaitExit(30000);
  ASSERT_TRUE(status) << "the game did not end after Escape";
  SCOPED_TRACE(Describe(status));
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

}  // namespace
