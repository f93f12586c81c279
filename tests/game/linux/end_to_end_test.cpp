// The real `salvo` executable on its own Xvfb server, driven with xdotool and
// looked at with ImageMagick's `import`: title, Enter, the first round, a
// volley, Escape and a clean exit.
#include <gtest/gtest.h>

#include "x_session.h"

namespace {

using namespace salvo_x;

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
  std::optional<Screenshot> title = WaitForScreen(n, 640, 480, [](const Screenshot& shot) {
    return Share(shot, 0, 0, 640, 480, [](int r, int g, int b) { return r + g + b > 60; }) > 0.02;
  });
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
  EXPECT_TRUE(TakeScreenshot(n));

  ASSERT_TRUE(RunOnDisplay(n, "xdotool key Escape"));
  std::optional<int> status = game.WaitExit(30000);
  ASSERT_TRUE(status) << "the game did not end after Escape";
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

}  // namespace
