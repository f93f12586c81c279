// The title screen, the first passes of the frame loop, pause and determinism.
#include <gtest/gtest.h>

#include <cstring>

#include "game/cannon.h"
#include "game/frame_loop.h"
#include "input/virtual_keys.h"
#include "render/graphics.h"
#include "scene_helpers.h"

namespace salvo {
namespace {

using testing::At;
using testing::Colour;
using testing::TextsEqual;

TEST(TitleScreen, WaitsForEnterThenFadesOverAHundredFrames) {
  HeadlessGame game;
  for (int i = 0; i < 30; i++) ASSERT_TRUE(game.TitleFrame());
  // Until Enter the title is drawn fully opaque, texts in their places.
  std::vector<DrawRecord> title = game.Images("title.png");
  ASSERT_EQ(title.size(), 1u);
  EXPECT_EQ(At(title[0]), std::pair(320.0f, 160.0f));
  EXPECT_FLOAT_EQ(title[0].alpha, 1);
  std::vector<DrawRecord> prompt = TextsEqual(game, u"Press ENTER to begin");
  ASSERT_EQ(prompt.size(), 1u);
  EXPECT_EQ(At(prompt[0]), std::pair(230.0f, 330.0f));
  DrawRecord credits = TextsEqual(game, u"Programming: Tamsic").at(0);
  EXPECT_EQ(credits.green, 255);
  EXPECT_FLOAT_EQ(credits.ty, 448);
  DrawRecord hint = TextsEqual(game, u"Hint: Hold spacebar to charge up a shot!").at(0);
  EXPECT_EQ(Colour(hint), std::tuple(255, 0, 255));

  // Holding Enter counts once; the frame that sees it already fades, the
  // next is drawn at 0.99.
  game.Press(VK_RETURN);
  ASSERT_TRUE(game.TitleFrame());
  int more = 0;
  float firstAlpha = 0, previousAlpha = 2;
  while (game.TitleFrame()) {
    float alpha = game.Images("title.png").at(0).alpha;
    if (more++ == 0) firstAlpha = alpha;
    EXPECT_LT(alpha, previousAlpha);
    previousAlpha = alpha;
  }
  EXPECT_NEAR(firstAlpha, 0.99f, 1e-6);
  // 100 frames after the Enter frame, the last one with alpha near 0.
  EXPECT_EQ(more + 1, 100);
  EXPECT_GT(previousAlpha, 0);
  EXPECT_LT(previousAlpha, 0.02f);
}

TEST(FrameLoop, EscapeOnTheTitleEndsTheFirstPass) {
  HeadlessGame game;
  game.Tap(VK_ESCAPE);
  game.TitleFrame();
  game.TitleFrame();
  ASSERT_TRUE(game.TitleFrame());  // the title ignores Escape
  game.StartGame();
  int presents = game.Drawing().Presents();
  EXPECT_FALSE(game.Frame());
  EXPECT_EQ(game.Drawing().Presents(), presents);
}

TEST(FrameLoop, POnTheTitleStartsPausedAndWaitsInsteadOfSpinning) {
  HeadlessGame game;
  game.Tap(VK_P);
  game.StartGame();
  int presents = game.Drawing().Presents();
  for (int i = 0; i < 50; i++) ASSERT_TRUE(game.Frame());
  // Nothing drawn or presented; every paused pass waited for input.
  EXPECT_EQ(game.Drawing().Presents(), presents);
  EXPECT_TRUE(game.Drawing().Current().empty());
  EXPECT_EQ(game.System().TimedWaits(), 50);
  EXPECT_EQ(game.System().TimedWaitMs(), 50 * Game::kPausedWaitMs);
  EXPECT_EQ(roundBanner, 150);

  game.Tap(VK_P);
  ASSERT_TRUE(game.Frame());
  EXPECT_EQ(game.Drawing().Presents(), presents + 1);
  EXPECT_EQ(roundBanner, 149);
  EXPECT_EQ(TextsEqual(game, u"Round 1").size(), 2u);
}

TEST(FrameLoop, PauseFreezesEveryObjectAndIgnoresHeldKeys) {
  HeadlessGame game;
  game.StartGame();
  game.SkipBanner();
  game.Press(VK_SPACE);
  game.RunFrames(10);
  game.Release(VK_SPACE);
  game.RunFrames(5);  // a volley in flight
  ASSERT_FALSE(shots->IsEmpty());
  Ref<TShot> shell = Cast<TShot>(shots->First());
  Ref<TEnemy> troop = Cast<TEnemy>(enemies->First());
  float shellY = shell->y, troopY = troop->y, cannonX = cannon->x;

  game.Tap(VK_P);
  game.Frame();
  game.Press(VK_RIGHT);
  game.Press(VK_SPACE);
  game.Tap(VK_1);
  int presents = game.Drawing().Presents();
  game.RunFrames(40);
  EXPECT_EQ(game.Drawing().Presents(), presents);
  EXPECT_EQ(shell->y, shellY);
  EXPECT_EQ(troop->y, troopY);
  EXPECT_EQ(cannon->x, cannonX);
  EXPECT_EQ(charge, 0);
  // Escape still acts at once while paused.
  game.Tap(VK_ESCAPE);
  EXPECT_FALSE(game.Frame());
}

TEST(FrameLoop, DigitPressedDuringPauseActsWhenTheMenuOpens) {
  HeadlessGame game;
  game.StartGame();
  game.SkipBanner();
  cash = 5000;
  game.Tap(VK_P);
  game.Frame();
  game.Tap(VK_1);
  game.RunFrames(3);
  game.Tap(VK_P);
  game.Frame();
  testing::ClearScene(false);
  game.Frame();  // the menu opens and takes the pending press at once
  EXPECT_EQ(upgradeMenuOpen, 1);
  EXPECT_EQ(shotCount, 2);
  EXPECT_EQ(cash, 4000);
}

// A digest of everything a frame asked the drivers for.
uint64_t Digest(const std::vector<DrawRecord>& records) {
  uint64_t hash = 1469598103934665603ull;
  auto mix = [&hash](double value) {
    float f = static_cast<float>(value);
    uint32_t word;
    std::memcpy(&word, &f, sizeof word);
    hash = (hash ^ word) * 1099511628211ull;
  };
  for (const DrawRecord& r : records) {
    for (double v : {r.x0, r.y0, r.x1, r.y1, r.tx, r.ty, r.alpha, r.ix, r.iy, r.jx, r.jy}) mix(v);
    mix(static_cast<int>(r.kind) + 16 * r.blend);
    mix(r.red * 65536 + r.green * 256 + r.blue);
    for (char c : r.image) mix(c);
    for (char16_t c : r.text) mix(c);
  }
  return hash;
}

std::vector<uint64_t> PlayScript(int startMillis) {
  HeadlessGame game(startMillis);
  game.StartGame();
  std::vector<uint64_t> digests;
  for (int pass = 0; pass < 900; pass++) {
    if (pass % 90 == 0) game.Press(VK_SPACE);
    if (pass % 90 == 40) game.Release(VK_SPACE);
    if (pass % 200 == 10) game.Press(VK_RIGHT);
    if (pass % 200 == 50) game.Release(VK_RIGHT);
    if (pass % 200 == 100) game.Press(VK_LEFT);
    if (pass % 200 == 140) game.Release(VK_LEFT);
    game.Frame();
    digests.push_back(Digest(game.LastFrame()));
  }
  digests.push_back(static_cast<uint64_t>(cash));
  digests.push_back(static_cast<uint64_t>(game.Audio().events.size()));
  return digests;
}

TEST(FrameLoop, SameClockAndScriptGiveTheSameGameFrameForFrame) {
  std::vector<uint64_t> first = PlayScript(123456);
  std::vector<uint64_t> second = PlayScript(123456);
  ASSERT_EQ(first.size(), second.size());
  for (size_t i = 0; i < first.size(); i++) ASSERT_EQ(first[i], second[i]) << "frame " << i;
  EXPECT_NE(first, PlayScript(654321));
}

TEST(FrameLoop, DrawingStateIsRestoredBetweenSteps) {
  HeadlessGame game;
  game.StartGame();
  game.Press(VK_SPACE);
  game.RunFrames(200);
  EXPECT_EQ(GetAlpha(), 1);
  EXPECT_EQ(GetBlendMode(), BlendAlpha);
  EXPECT_EQ(GetRotation(), 0);
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(r + g + b, 765);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_EQ(std::pair(sx, sy), std::pair(1.0f, 1.0f));
}

}  // namespace
}  // namespace salvo
