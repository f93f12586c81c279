// The cannon, its controls, the charge and volleys.
#include "game/cannon.h"

#include <gtest/gtest.h>

#include <cmath>

#include "input/virtual_keys.h"
#include "scene_helpers.h"

namespace salvo {
namespace {

using namespace testing;
using CannonTest = testing::SceneTest;

TEST_F(CannonTest, TappedSpaceFiresAShellThatLandsOnItsSixtySecondUpdate) {
  game.Tap(VK_SPACE);
  game.Frame();
  EXPECT_FLOAT_EQ(charge, 0.2f);
  EXPECT_TRUE(shots->IsEmpty());
  game.Frame();  // released: fired in this frame's control step
  ASSERT_EQ(CountList(shots), 1);
  EXPECT_EQ(charge, 0);
  EXPECT_EQ(fireCooldown, 24);
  EXPECT_EQ(game.SoundCount("cannon.wav"), 1);
  Ref<TShot> shell = Cast<TShot>(shots->First());
  EXPECT_FLOAT_EQ(shell->vy, 0.2f);
  EXPECT_NEAR(shell->vx, 0, 1e-7);
  EXPECT_EQ(shell->vz, 3);
  EXPECT_EQ(shell->y, 444);

  EXPECT_EQ(FramesUntil(game, 100, [] { return shots->IsEmpty(); }), 62);
  // The burst is about 12 pixels above the cannon.
  ASSERT_EQ(CountList(explosions), 1);
  Ref<TExplosion> burst = Cast<TExplosion>(explosions->First());
  EXPECT_EQ(burst->y, static_cast<int>(444 - 62 * 0.2f));
  EXPECT_EQ(burst->size, 32);
  EXPECT_EQ(
      game.SoundCount("boom1.wav") + game.SoundCount("boom2.wav") + game.SoundCount("boom3.wav"),
      1);
  // The shell and its shadow were drawn in its landing frame too.
  EXPECT_EQ(game.Images("shot.png").size(), 2u);
  // The burst lives 100 frames and leaves on the 101st.
  EXPECT_EQ(FramesUntil(game, 200, [] { return explosions->IsEmpty(); }), 100);
}

TEST_F(CannonTest, ChargeReachesTenPointTwoOnTheFiftyFirstFrameAndIsCapped) {
  game.Press(VK_SPACE);
  game.RunFrames(50);
  EXPECT_LT(charge, 10);
  EXPECT_GT(charge, 9.99f);
  game.Frame();
  EXPECT_NEAR(charge, 10.2f, 1e-5);
  // The guide of that frame shows 10.2; the next charge-bar step caps it.
  game.Frame();
  EXPECT_NEAR(charge, 10.2f, 1e-5);
  for (const DrawRecord& r : game.LastFrame()) {
    if (r.kind == DrawKind::Rect && r.ty == 0 && r.tx == 0) {
      EXPECT_FLOAT_EQ(r.x1 - r.x0, 100);
      EXPECT_EQ(r.red, 200);
    }
  }
  game.Release(VK_SPACE);
  game.Frame();
  ASSERT_EQ(CountList(shots), 1);
  EXPECT_NEAR(Cast<TShot>(shots->First())->vy, 10, 1e-5);
}

TEST_F(CannonTest, AimingGuideOnlyInTheFirstThreeRounds) {
  game.Press(VK_SPACE);
  game.RunFrames(5);
  auto guide = [&] {
    int ovals = 0;
    for (const DrawRecord& r : game.LastFrame()) {
      if (r.kind != DrawKind::Oval || r.green != 255 || r.red != 0) continue;
      ovals++;
      EXPECT_FLOAT_EQ(r.alpha, 0.7f);
      EXPECT_FLOAT_EQ(r.tx, cannon->x);
      EXPECT_NEAR(r.ty, 444 - 60 * charge, 1e-3);
    }
    return ovals;
  };
  EXPECT_EQ(guide(), 1);
  salvo::round = 4;
  game.Frame();
  EXPECT_EQ(guide(), 0);
}

TEST_F(CannonTest, HoldingSpaceThroughTheCooldownChargesAgainOnTheTwentyFifthFrame) {
  game.Tap(VK_SPACE);
  game.RunFrames(2);  // fires
  ASSERT_EQ(CountList(shots), 1);
  game.Press(VK_SPACE);  // held again right away, through the cooldown
  EXPECT_EQ(FramesUntil(game, 100, [] { return charge != 0; }), 25);
  EXPECT_EQ(CountList(shots), 1);
}

TEST_F(CannonTest, HoldingRightStopsAtTheEdgeAndNeverMovesMoreThanFour) {
  game.Press(VK_RIGHT);
  float last = cannon->x;
  game.Frame();
  EXPECT_FLOAT_EQ(cannon->speed, 0.5f);
  for (int i = 0; i < 200; i++, last = cannon->x) {
    game.Frame();
    EXPECT_LE(cannon->x - last, 4.0f);
  }
  EXPECT_EQ(cannon->x, 608);
  game.Release(VK_RIGHT);
  game.Press(VK_LEFT);
  game.RunFrames(300);
  EXPECT_EQ(cannon->x, 0);
  // Mount and upward barrel drawn at the cannon.
  std::vector<DrawRecord> barrel = game.Images("gunbarrel.png");
  ASSERT_EQ(barrel.size(), 1u);
  EXPECT_NEAR(barrel[0].Rotation(), -90, 1e-3);
  EXPECT_NEAR(barrel[0].ty, 436, 1e-4);
  EXPECT_NEAR(barrel[0].tx, 0, 1e-4);
}

TEST_F(CannonTest, VolleysFanOutByFiveDegreeSteps) {
  const std::vector<std::vector<int>> spreads = {
      {0},
      {-5, 5},
      {-5, 0, 5},
      {-10, -5, 5, 10},
      {-10, -5, 0, 5, 10},
      {-15, -10, -5, 5, 10, 15},
      {-15, -10, -5, 0, 5, 10, 15},
  };
  for (int count = 1; count <= 7; count++) {
    shots->Clear();
    shotCount = count;
    charge = 5;
    FireVolley();
    ASSERT_EQ(CountList(shots), count);
    int i = 0;
    for (Ref<TShot> shell : Each<TShot>(shots)) {
      double angle = std::atan2(shell->vy, shell->vx) * 57.29577951308232;
      EXPECT_NEAR(angle, 90 + spreads[count - 1][i], 1e-4) << count << " shells, #" << i;
      EXPECT_NEAR(std::hypot(shell->vx, shell->vy), 5, 1e-5);
      i++;
    }
  }
  // A shell with a positive offset leans right: vx < 0 is subtracted.
  EXPECT_LT(Cast<TShot>(shots->Last())->vx, 0);
}

TEST_F(CannonTest, ChargeHeldWhenTheRoundEndsIsFiredAfterTheNextBanner) {
  ClearScene(false);
  Place<TTroop>(u"Troop", 100, 100);
  game.Press(VK_SPACE);
  game.RunFrames(10);
  float held = charge;
  EXPECT_NEAR(held, 2, 1e-5);
  Explode(100, 100, 32);  // the last enemy dies while space is held
  game.Frame();           // the menu opens the frame after
  ASSERT_EQ(upgradeMenuOpen, 1);
  EXPECT_EQ(menuFade, 252);
  game.Release(VK_SPACE);
  game.RunFrames(30);
  EXPECT_EQ(charge, held);
  game.Tap(VK_4);
  game.Frame();
  ASSERT_EQ(roundBanner, 149);
  game.SkipBanner();
  EXPECT_EQ(charge, held);
  EXPECT_TRUE(shots->IsEmpty());
  // The first control step after the banner fires at once.
  game.Frame();
  EXPECT_EQ(CountList(shots), 1);
  EXPECT_EQ(charge, 0);
  EXPECT_NEAR(Cast<TShot>(shots->First())->vy, held, 1e-5);
}

}  // namespace
}  // namespace salvo
