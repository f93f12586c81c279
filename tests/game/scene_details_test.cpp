// Finer points of a scene: how bursts, shells and ships are drawn, smoke of a
// burning bike, a charge carried through the menu, and the medic truck's
// timer around the upgrade menu.
#include <gtest/gtest.h>

#include <cmath>

#include "input/clock.h"
#include "input/virtual_keys.h"
#include "render/graphics.h"
#include "scene_helpers.h"

namespace salvo {
namespace {

using testing::ClearScene;
using testing::CountKind;
using testing::CountOf;
using testing::Place;

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game.StartGame();
    game.SkipBanner();
    ClearScene();
  }
  HeadlessGame game;
};

TEST_F(SceneTest, BurstParticlesStartOnTheGridInsideTheirDisc) {
  Ref<TExplosion> tiny = New<TExplosion>();
  tiny->Start(100, 100, 1);
  ASSERT_EQ(CountList(tiny->particles), 2);
  for (Ref<TParticle> p : Each<TParticle>(tiny->particles)) {
    // The centre or one of its four direct neighbours, never a diagonal one.
    float dx = std::fabs(p->x - 100), dy = std::fabs(p->y - 100);
    EXPECT_LE(dx + dy, 1);
    EXPECT_EQ(p->life, 100);
    EXPECT_LE(std::fabs(p->vx), 1);
    EXPECT_LE(std::fabs(p->vy), 1);
  }
  Ref<TExplosion> big = New<TExplosion>();
  big->Start(300, 200, 40);
  ASSERT_EQ(CountList(big->particles), 41);
  for (Ref<TParticle> p : Each<TParticle>(big->particles)) {
    EXPECT_EQ(p->x, std::trunc(p->x));
    EXPECT_EQ(p->y, std::trunc(p->y));
    EXPECT_LE(std::hypot(p->x - 300, p->y - 200), 40.0);
  }
}

TEST_F(SceneTest, BurstIsDrawnAdditivelyAndShrinksWithItsLife) {
  Ref<TExplosion> burst = New<TExplosion>();
  burst->Start(300, 200, 5);
  explosions->AddLast(burst);
  game.Frame();
  std::vector<DrawRecord> sparks = game.Images("particle.png");
  ASSERT_EQ(sparks.size(), 6u);
  for (const DrawRecord& spark : sparks) {
    EXPECT_EQ(spark.blend, BlendAdditive);
    EXPECT_FLOAT_EQ(spark.alpha, 0.3f);
    EXPECT_EQ(spark.red, 255);
    EXPECT_EQ(spark.green, 128);
    EXPECT_EQ(spark.blue, 32);
    EXPECT_FLOAT_EQ(spark.ScaleX(), 1);
  }
  game.RunFrames(50);
  EXPECT_NEAR(game.Images("particle.png").at(0).ScaleX(), 0.5f, 1e-5);
  // Everything after the burst is back to alpha blending.
  EXPECT_EQ(GetBlendMode(), BlendAlpha);
}

TEST_F(SceneTest, ShellIsDrawnOverItsShadowOffsetByItsHeight) {
  shotCount = 1;
  charge = 1;
  FireVolley();
  game.RunFrames(10);
  Ref<TShot> shell = Cast<TShot>(shots->First());
  ASSERT_TRUE(shell);
  std::vector<DrawRecord> drawn = game.Images("shot.png");
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].red + drawn[0].green + drawn[0].blue, 0);
  EXPECT_FLOAT_EQ(drawn[0].alpha, 0.5f);
  EXPECT_FLOAT_EQ(drawn[0].tx, shell->x + shell->height);
  EXPECT_FLOAT_EQ(drawn[0].ty, shell->y - shell->height);
  EXPECT_EQ(drawn[1].red, 255);
  EXPECT_EQ(drawn[1].green, 128);
  EXPECT_EQ(drawn[1].blue, 0);
  EXPECT_FLOAT_EQ(drawn[1].alpha, 1);
  EXPECT_FLOAT_EQ(drawn[1].tx, shell->x);
  EXPECT_FLOAT_EQ(drawn[1].ty, shell->y);
}

TEST_F(SceneTest, ShipKindsAreDrawnWithCrossedPicturesOverAHalfDarkShadow) {
  Place<TShip>(u"Ship", 200, 200);
  Place<TShip>(u"Ship2", 400, 250, 2);
  game.Frame();
  struct Expected {
    const char* picture;
    float x, y;
  };
  for (Expected ship : {Expected{"ship2.png", 200, 200}, Expected{"ship.png", 400, 250}}) {
    std::vector<DrawRecord> drawn = game.Images(ship.picture);
    ASSERT_EQ(drawn.size(), 2u) << ship.picture;
    EXPECT_EQ(drawn[0].red + drawn[0].green + drawn[0].blue, 0);
    EXPECT_FLOAT_EQ(drawn[0].alpha, 0.5f);
    EXPECT_FLOAT_EQ(drawn[0].tx, ship.x + 14);
    EXPECT_FLOAT_EQ(drawn[0].ty, ship.y - 14);
    EXPECT_EQ(drawn[1].red + drawn[1].green + drawn[1].blue, 765);
    EXPECT_FLOAT_EQ(drawn[1].alpha, 1);
    EXPECT_FLOAT_EQ(drawn[1].tx, ship.x);
  }
}

TEST_F(SceneTest, BurningBikeSmokesHarmlesslyUpTheScreen) {
  Ref<TBike> bike = Place<TBike>(u"Bike", 300, 200);
  bike->speed = 0;
  bike->burnTimer = 150;
  Ref<TTroop> bystander = Place<TTroop>(u"Troop", 300, 200);
  bystander->speed = 0;
  cash = 0;
  int puffs = 0;
  for (int frame = 0; frame < 120; frame++) {
    game.Frame();
    for (Ref<TExplosion> smoke : Each<TExplosion>(explosions)) {
      if (smoke->size != 1) continue;
      Ref<TParticle> first = Cast<TParticle>(smoke->particles->First());
      if (first && first->life == 99) {
        puffs++;  // drawn once: new this frame
        EXPECT_LE(std::abs(smoke->x - 300), 16);
        EXPECT_LE(std::abs(smoke->y - 200), 8);
        EXPECT_LE(std::fabs(smoke->driftX), 0.3536f);
        EXPECT_LE(smoke->driftY, 0);
        EXPECT_GE(smoke->driftY, -1);
      }
    }
  }
  EXPECT_GT(puffs, 3);
  EXPECT_LT(puffs, 40);
  // Smoke hurts nobody and pays nothing.
  EXPECT_EQ(bystander->hitPoints, 1);
  EXPECT_EQ(CountKind(u"Troop"), 2);
  EXPECT_EQ(cash, 0);
}

TEST_F(SceneTest, ChargeHeldWhenTheRoundEndsIsFiredAfterTheNextBanner) {
  ClearScene(false);
  Ref<TTroop> last = Place<TTroop>(u"Troop", 100, 100);
  last->speed = 0;
  game.Press(VK_SPACE);
  game.RunFrames(10);
  float held = charge;
  EXPECT_NEAR(held, 2, 1e-5);
  Explode(100, 100, 32);  // the last enemy dies while space is held
  game.Frame();
  ASSERT_EQ(upgradeMenuOpen, 1);
  game.Release(VK_SPACE);
  game.RunFrames(30);
  EXPECT_EQ(charge, held);
  EXPECT_TRUE(shots->IsEmpty());

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

TEST_F(SceneTest, NoMedicTruckWhileTheMenuIsOpenThenSoonAfterItCloses) {
  lastMedTruckTime = Millis() - 120000;  // long overdue
  ClearScene(false);
  game.Frame();
  ASSERT_EQ(upgradeMenuOpen, 1);
  game.RunFrames(300);
  EXPECT_TRUE(enemies->IsEmpty());
  EXPECT_EQ(upgradeMenuOpen, 1);

  game.Tap(VK_4);
  game.Frame();
  ASSERT_EQ(upgradeMenuOpen, 0);
  EXPECT_EQ(CountOf<TMedTruck>(enemies), 0);  // the menu closed after the check
  int frames = 0;
  while (CountOf<TMedTruck>(enemies) == 0) {
    game.Frame();
    frames++;
    ASSERT_LT(frames, 60) << "one chance in three per frame";
  }
  EXPECT_GE(frames, 1);
  EXPECT_LE(Millis() - lastMedTruckTime, 17);
  // Sent during the banner, it waits frozen at its start.
  EXPECT_EQ(Cast<TMedTruck>(enemies->First())->x, -32);
}

}  // namespace
}  // namespace salvo
