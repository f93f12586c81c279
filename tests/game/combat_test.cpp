// Shells against ships, explosions and their pay-outs, bikes, ship crashes and
// the medic truck.
#include <gtest/gtest.h>

#include <cmath>

#include "game/cannon.h"
#include "game/hud.h"
#include "input/clock.h"
#include "input/virtual_keys.h"
#include "scene_helpers.h"

namespace salvo {
namespace {

using testing::ClearScene;
using testing::CountKind;
using testing::CountOf;
using testing::Place;

class CombatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game.StartGame();
    game.SkipBanner();
    ClearScene();
  }
  HeadlessGame game;
};

TEST_F(CombatTest, ShellHitsAShipOnlyAtItsFlyingHeight) {
  std::vector<int> hits;
  for (int updates = 1; updates <= 61; updates++) {
    shots->Clear();
    cash = 0;
    shotCount = 1;
    charge = 0.2f;
    FireVolley();
    Ref<TShot> shell = Cast<TShot>(shots->First());
    // Fly the shell `updates` times with no ship about, then put a ship over
    // it for one pass: the test sees the height of the previous update.
    game.RunFrames(updates);
    ASSERT_FALSE(shots->IsEmpty());
    Ref<TShip> ship = Place<TShip>(u"Ship2", shell->x, shell->y, 50);
    game.Frame();
    if (ship->hitPoints < 50) hits.push_back(updates);
    enemies->Remove(ship);
    explosions->Clear();
  }
  EXPECT_EQ(hits, (std::vector<int>{4, 5, 6, 7, 54, 55, 56, 57}));
}

TEST_F(CombatTest, TwoHitsBringAShip2DownAndItsCrashPaysSixtyFive) {
  Ref<TShip> ship = Place<TShip>(u"Ship2", 320, 300, 2);
  auto hit = [&] {
    Ref<TShot> shell = New<TShot>();
    shell->x = 320;
    shell->y = 300;
    shell->height = 14;
    shots->AddLast(shell);
    game.Frame();
    return shots->IsEmpty();
  };
  ASSERT_TRUE(hit());
  EXPECT_EQ(ship->hitPoints, 1);
  EXPECT_EQ(ship->alive, 1);
  Ref<TExplosion> small = Cast<TExplosion>(explosions->Last());
  EXPECT_EQ(small->size, 10);
  EXPECT_EQ(CountList(small->particles), 11);
  ASSERT_TRUE(hit());
  EXPECT_EQ(ship->alive, 0);
  int before = cash;
  // The crash starts in the next frame and takes 44.
  int frames = 0;
  while (CountKind(u"Ship2") != 0) {
    game.Frame();
    frames++;
    ASSERT_LT(frames, 100);
  }
  EXPECT_EQ(frames, 44);
  EXPECT_EQ(ship->spin, 176);
  EXPECT_EQ(cash, before + 65);
  EXPECT_EQ(Cast<TExplosion>(explosions->Last())->size, 60);
}

TEST_F(CombatTest, TwoTroopsAndABikeMakeATripleKill) {
  Place<TTroop>(u"Troop", 200, 200);
  Place<TTroop>(u"Troop", 210, 190);
  Ref<TBike> bike = Place<TBike>(u"Bike", 190, 215);
  Place<TTroop>(u"Troop", 240, 200);  // 40 away: outside the square
  cash = 0;
  Explode(200, 200, 32);
  EXPECT_EQ(cash, 20 + 20 + 45 + 80);
  EXPECT_EQ(messageText, u"Triple kill!");
  EXPECT_EQ(messageX, 0);
  EXPECT_EQ(bike->burnTimer, 150);
  EXPECT_EQ(CountKind(u"Troop"), 2);  // the far one and the scene's sentinel
  EXPECT_EQ(game.SoundCount("bonus.wav"), 1);
  EXPECT_EQ(game.SoundCount("scream.wav"), 2);
  EXPECT_EQ(CountOf<TBloodDrop>(bloodDrops), 52);
}

TEST_F(CombatTest, KillStreakPayouts) {
  auto blast = [&](int troops) {
    for (int i = 0; i < troops; i++) Place<TTroop>(u"Troop", 100 + i, 300);
    cash = 0;
    messageText.clear();
    Explode(100, 300, 32);
    return cash;
  };
  EXPECT_EQ(blast(1), 20);
  EXPECT_EQ(messageText, u"");
  EXPECT_EQ(blast(2), 40 + 40);
  EXPECT_EQ(messageText, u"Double kill!");
  EXPECT_EQ(blast(5), 100 + 150);
  EXPECT_EQ(messageText, u"Massacre!!!");
}

TEST_F(CombatTest, Troop2BleedsThreeTimesAndDiesAtTheFourthBlast) {
  Ref<TTroop> troop = Place<TTroop>(u"Troop2", 300, 300, 4);
  cash = 0;
  for (int blast = 1; blast <= 3; blast++) {
    bloodDrops->Clear();
    Explode(300, 300, 32);
    EXPECT_EQ(troop->hitPoints, 4 - blast);
    EXPECT_EQ(CountList(bloodDrops), 6);
    EXPECT_EQ(cash, 0);
  }
  bloodDrops->Clear();
  Explode(300, 300, 32);
  EXPECT_EQ(CountKind(u"Troop2"), 0);
  EXPECT_EQ(CountList(bloodDrops), 26);
  EXPECT_EQ(cash, 20);
  // Drops live 1000 frames, sliding at most 40 pixels.
  int frames = 0;
  while (!bloodDrops->IsEmpty()) {
    game.Frame();
    frames++;
    for (Ref<TBloodDrop> drop : Each<TBloodDrop>(bloodDrops)) {
      EXPECT_LE(std::fabs(drop->x - 300), 40);
    }
  }
  EXPECT_EQ(frames, 1000);
}

TEST_F(CombatTest, BurningBikeIsPaidAgainWhenCaughtAgainAndBlowsUp) {
  Ref<TBike> bike = Place<TBike>(u"Bike", 300, 300);
  bike->speed = 0;
  cash = 0;
  Explode(300, 300, 32);
  EXPECT_EQ(cash, 45);
  game.RunFrames(50);
  EXPECT_EQ(bike->burnTimer, 100);
  Explode(300, 300, 32);
  EXPECT_EQ(bike->burnTimer, 150);
  EXPECT_EQ(cash, 90);
  // 150 frames later it blows up in its own size-24 blast, which catches it
  // once more (+45), and splashes 11 drops.
  int frames = 0;
  while (CountKind(u"Bike") != 0) {
    game.Frame();
    frames++;
    ASSERT_LT(frames, 400);
  }
  EXPECT_EQ(frames, 151);
  EXPECT_EQ(cash, 135);
  bool sawSize24 = false;
  for (Ref<TExplosion> e : Each<TExplosion>(explosions)) sawSize24 |= e->size == 24;
  EXPECT_TRUE(sawSize24);
}

TEST_F(CombatTest, BikeTurnsAtTheEdgeAndDropsARow) {
  Ref<TBike> bike = Place<TBike>(u"Bike", 650, 100);
  bike->speed = 4;
  game.Frame();
  EXPECT_EQ(bike->speed, 4);
  game.Frame();  // x 658 > 656
  EXPECT_EQ(bike->speed, -4);
  EXPECT_EQ(bike->y, 132);
  game.Frame();
  std::vector<DrawRecord> drawn = game.Images("bike.png");
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_GT(drawn[0].ix, 0);  // unmirrored once riding left
}

TEST_F(CombatTest, UnitsLeavingAtTheBottomCostCashAndHealth) {
  Place<TTroop>(u"Troop", 100, 480)->speed = 1;
  Place<TShip>(u"Ship", 300, 480)->speed = 1;
  Ref<TBike> bike = Place<TBike>(u"Bike", 500, 470);
  bike->speed = 700;  // turns at once and drops below the edge
  cash = 0;
  health = 10;
  game.Frame();
  EXPECT_EQ(cash, -10 - 30 - 25);
  EXPECT_EQ(health, 10 - 1 - 3 - 2);
}

TEST_F(CombatTest, MedicTruckComesAfterFiftySecondsAtTheFront) {
  int start = lastMedTruckTime;
  int frames = 0;
  while (CountOf<TMedTruck>(enemies) == 0) {
    game.Frame();
    frames++;
    ASSERT_LT(frames, 60 * 70);
  }
  int elapsed = Millis() - start;
  EXPECT_GE(elapsed, 50000);
  EXPECT_LT(elapsed, 50000 + 1000);
  Ref<TMedTruck> truck = Cast<TMedTruck>(enemies->First());
  ASSERT_TRUE(truck);
  EXPECT_GT(truck->x, -32);  // it already moved in the frame it was sent
  EXPECT_LE(truck->y, 416);
  EXPECT_GE(lastMedTruckTime - start, 50000);
  std::vector<DrawRecord> drawn = game.Images("medtruck.png");
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_LT(drawn[0].ix, 0);  // mirrored: facing right
}

TEST_F(CombatTest, BlownUpMedicTruckRechargesAndSetsOffABigBlast) {
  Ref<TMedTruck> truck = New<TMedTruck>();
  truck->x = 200;
  truck->y = 200;
  enemies->AddFirst(truck);
  // Two troops within the truck's size-64 blast, out of the first blast.
  Place<TTroop>(u"Troop", 250, 250);
  Place<TTroop>(u"Troop", 150, 150);
  health = 3;
  cash = 0;
  Explode(180, 180, 24);
  EXPECT_EQ(health, 10);
  EXPECT_EQ(CountOf<TMedTruck>(enemies), 0);
  EXPECT_EQ(cash, 20 + 20 + 40);
  // The nested blast's own streak message replaced "Recharged!!".
  EXPECT_EQ(messageText, u"Double kill!");
  std::vector<int> sizes;
  for (Ref<TExplosion> e : Each<TExplosion>(explosions)) sizes.push_back(e->size);
  EXPECT_EQ(sizes, (std::vector<int>{24, 64}));
  EXPECT_EQ(game.SoundCount("bonus.wav"), 2);

  // Alone, the truck shows "Recharged!!".
  Ref<TMedTruck> second = New<TMedTruck>();
  second->x = 400;
  second->y = 300;
  enemies->AddFirst(second);
  Explode(400, 300, 10);
  EXPECT_EQ(messageText, u"Recharged!!");
}

TEST_F(CombatTest, MedicTruckKeepsTheRoundOpenUntilItLeaves) {
  enemies->Clear();
  Ref<TMedTruck> truck = New<TMedTruck>();
  truck->x = 630;
  truck->speed = 0.5f;
  enemies->AddFirst(truck);
  int frames = 0;
  while (upgradeMenuOpen == 0) {
    game.Frame();
    frames++;
    ASSERT_LT(frames, 100);
  }
  // 630 + 21 x 0.5 > 640 in frame 21; the menu opens in frame 22.
  EXPECT_EQ(frames, 22);
}

}  // namespace
}  // namespace salvo
