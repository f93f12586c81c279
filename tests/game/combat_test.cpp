// The cannon, its controls, the charge and volleys; shells against ships, explosions and their
// pay-outs, bikes, ship crashes, the medic truck, and how bursts, shells and ships are drawn.
#include <gtest/gtest.h>

#include <cmath>

#include "input/clock.h"
#include "input/virtual_keys.h"
#include "render/graphics.h"
#include "scene_helpers.h"

namespace salvo {
namespace {

using namespace testing;
using CombatTest = SceneTest;

TEST_F(CombatTest, ShellHitsAShipOnlyAtItsFlyingHeight) {
  std::vector<int> hits;
  for (int updates = 1; updates <= 61; updates++) {
    shots->Clear();
    shotCount = 1;
    charge = 0.2f;
    FireVolley();
    Ref<TShot> shell = Cast<TShot>(shots->First());
    // Fly the shell `updates` times with no ship about, then put a ship over it for one pass: the
    // test sees the height of the previous update.
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
  EXPECT_EQ(Cast<TExplosion>(explosions->Last())->size, 10);
  ASSERT_TRUE(hit());
  EXPECT_EQ(ship->alive, 0);
  int before = cash;
  // The crash starts in the next frame and takes 44.
  EXPECT_EQ(FramesUntil(game, 100, [] { return CountKind(u"Ship2") == 0; }), 44);
  EXPECT_EQ(ship->spin, 176);
  EXPECT_EQ(cash, before + 65);
  EXPECT_EQ(Cast<TExplosion>(explosions->Last())->size, 60);
}

TEST_F(CombatTest, KillStreaksPayBonusesAndATripleKillCountsABike) {
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

  Place<TTroop>(u"Troop", 200, 200);
  Place<TTroop>(u"Troop", 210, 190);
  Ref<TBike> bike = Place<TBike>(u"Bike", 190, 215);
  Place<TTroop>(u"Troop", 240, 200);  // 40 away: outside the square
  int screams = game.SoundCount("scream.wav"), bonuses = game.SoundCount("bonus.wav");
  bloodDrops->Clear();
  cash = 0;
  Explode(200, 200, 32);
  EXPECT_EQ(cash, 20 + 20 + 45 + 80);
  EXPECT_EQ(messageText, u"Triple kill!");
  EXPECT_EQ(messageX, 0);
  EXPECT_EQ(bike->burnTimer, 150);
  EXPECT_EQ(CountKind(u"Troop"), 2);  // the far one and the scene's sentinel
  EXPECT_EQ(game.SoundCount("scream.wav") - screams, 2);
  EXPECT_EQ(game.SoundCount("bonus.wav") - bonuses, 1);
  EXPECT_EQ(CountOf<TBloodDrop>(bloodDrops), 52);
}

TEST_F(CombatTest, Troop2BleedsThreeTimesAndDiesAtTheFourthBlast) {
  Ref<TTroop> troop = Place<TTroop>(u"Troop2", 300, 200, 4);
  for (int blast = 1; blast <= 4; blast++) {
    bloodDrops->Clear();
    Explode(300, 200, 32);
    EXPECT_EQ(troop->hitPoints, 4 - blast);
    EXPECT_EQ(CountList(bloodDrops), blast < 4 ? 6 : 26);
    EXPECT_EQ(cash, blast < 4 ? 0 : 20);
  }
  EXPECT_EQ(CountKind(u"Troop2"), 0);
  // Drops live 1000 frames, sliding at most 40 pixels from where it died.
  auto gone = [] {
    for (Ref<TBloodDrop> drop : Each<TBloodDrop>(bloodDrops)) {
      EXPECT_LE(std::fabs(drop->x - 300), 40);
      EXPECT_LE(std::fabs(drop->y - 200), 40);
    }
    return bloodDrops->IsEmpty();
  };
  EXPECT_EQ(FramesUntil(game, 2000, gone), 1000);
}

TEST_F(CombatTest, BurningBikeIsPaidAgainWhenCaughtAgainAndBlowsUp) {
  Ref<TBike> bike = Place<TBike>(u"Bike", 300, 300);
  Explode(300, 300, 32);
  EXPECT_EQ(cash, 45);
  game.RunFrames(50);
  EXPECT_EQ(bike->burnTimer, 100);
  Explode(300, 300, 32);
  EXPECT_EQ(bike->burnTimer, 150);
  EXPECT_EQ(cash, 90);
  // 150 frames later it blows up in its own size-24 blast, which catches it once more (+45).
  EXPECT_EQ(FramesUntil(game, 400, [] { return CountKind(u"Bike") == 0; }), 151);
  EXPECT_EQ(cash, 135);
  bool sawSize24 = false;
  for (Ref<TExplosion> e : Each<TExplosion>(explosions)) sawSize24 |= e->size == 24;
  EXPECT_TRUE(sawSize24);
}

TEST_F(CombatTest, BurningBikeSmokesHarmlesslyUpTheScreen) {
  Place<TBike>(u"Bike", 300, 200)->burnTimer = 150;
  Ref<TTroop> bystander = Place<TTroop>(u"Troop", 300, 200);
  int puffs = 0;
  for (int frame = 0; frame < 120; frame++) {
    game.Frame();
    for (Ref<TExplosion> smoke : Each<TExplosion>(explosions)) {
      Ref<TParticle> first = Cast<TParticle>(smoke->particles->First());
      if (smoke->size != 1 || !first || first->life != 99) continue;
      puffs++;  // new this frame
      EXPECT_LE(std::abs(smoke->x - 300), 16);
      EXPECT_LE(std::abs(smoke->y - 200), 8);
      EXPECT_LE(std::fabs(smoke->driftX), 0.3536f);
      EXPECT_LE(smoke->driftY, 0);
      EXPECT_GE(smoke->driftY, -1);
    }
  }
  EXPECT_GT(puffs, 3);
  EXPECT_LT(puffs, 40);
  // Smoke hurts nobody and pays nothing.
  EXPECT_EQ(bystander->hitPoints, 1);
  EXPECT_EQ(CountKind(u"Troop"), 2);
  EXPECT_EQ(cash, 0);
}

TEST_F(CombatTest, BikeTurnsAtTheEdgeAndDropsARowFacingTheWayItRides) {
  // In the second frame: 658 > 656 at the right edge, -18 < -16 at the left.
  for (auto [x, speed] : {std::pair{650.0f, 4}, {-10.0f, -4}}) {
    SCOPED_TRACE(x);
    Ref<TBike> bike = Place<TBike>(u"Bike", x, 100);
    bike->speed = speed;
    game.Frame();
    EXPECT_EQ(bike->speed, speed);
    game.Frame();
    EXPECT_EQ(bike->speed, -speed);
    EXPECT_EQ(bike->y, 132);
    game.Frame();
    std::vector<DrawRecord> drawn = game.Images("bike.png");
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].ix > 0, speed > 0);  // unmirrored riding left, mirrored riding right
    enemies->Remove(bike);
  }
}

TEST_F(CombatTest, UnitsLeavingAtTheBottomCostCashAndHealth) {
  Place<TTroop>(u"Troop", 100, 480)->speed = 1;
  Place<TShip>(u"Ship", 300, 480)->speed = 1;
  Place<TBike>(u"Bike", 500, 470)->speed = 700;  // turns at once and drops below
  health = 10;
  game.Frame();
  EXPECT_EQ(cash, -10 - 30 - 25);
  EXPECT_EQ(health, 10 - 1 - 3 - 2);
}

TEST_F(CombatTest, MedicTruckComesAfterFiftySecondsAtTheFrontThenOneChanceInThreeSendsIt) {
  int start = lastMedTruckTime;
  FramesUntil(game, 60 * 70, [] { return CountOf<TMedTruck>(enemies) != 0; });
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

  // Once fifty seconds have passed, each chance sends a truck with odds of one in three: over 3,000
  // chances the count lies far from a half or a quarter.
  enemies->Clear();
  int sent = 0;
  for (int chance = 0; chance < 3000; chance++) {
    lastMedTruckTime = Millis() - 50000;
    SpawnMedTruckMaybe();
    if (lastMedTruckTime == Millis()) sent++;
  }
  EXPECT_EQ(CountOf<TMedTruck>(enemies), sent);
  EXPECT_GT(sent, 900);
  EXPECT_LT(sent, 1100);
}

TEST_F(CombatTest, BlownUpMedicTruckRechargesAndSetsOffABigBlast) {
  Place<TMedTruck>(u"", 200, 200);
  // Two troops within the truck's size-64 blast, out of the first blast.
  Place<TTroop>(u"Troop", 250, 250);
  Place<TTroop>(u"Troop", 150, 150);
  health = 3;
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
  Place<TMedTruck>(u"", 400, 300);
  Explode(400, 300, 10);
  EXPECT_EQ(messageText, u"Recharged!!");
}

TEST_F(CombatTest, MedicTruckKeepsTheRoundOpenUntilItLeavesNoneComesWhileTheMenuIsOpenThenSoon) {
  enemies->Clear();
  Place<TMedTruck>(u"", 630, 0)->speed = 0.5f;
  // 630 + 21 x 0.5 > 640 in frame 21; the menu opens in frame 22.
  EXPECT_EQ(FramesUntil(game, 100, [] { return upgradeMenuOpen != 0; }), 22);
  lastMedTruckTime = Millis() - 120000;  // long overdue
  game.RunFrames(300);
  EXPECT_TRUE(enemies->IsEmpty());
  game.Tap(VK_4);
  game.Frame();
  ASSERT_EQ(upgradeMenuOpen, 0);
  EXPECT_EQ(CountOf<TMedTruck>(enemies), 0);  // the menu closed after the check
  // One chance in three per frame.
  EXPECT_GE(FramesUntil(game, 60, [] { return CountOf<TMedTruck>(enemies) != 0; }), 1);
  EXPECT_LE(Millis() - lastMedTruckTime, 17);
  // Sent during the banner, it waits frozen at its start.
  EXPECT_EQ(Cast<TMedTruck>(enemies->First())->x, -32);
}

TEST_F(CombatTest, BurstParticlesStartInsideTheirDiscAndAreDrawnAdditively) {
  Ref<TExplosion> tiny = New<TExplosion>();
  tiny->Start(100, 100, 1);
  ASSERT_EQ(CountList(tiny->particles), 2);
  for (Ref<TParticle> p : Each<TParticle>(tiny->particles)) {
    // The centre or one of its four direct neighbours, never a diagonal one.
    EXPECT_LE(std::fabs(p->x - 100) + std::fabs(p->y - 100), 1);
    EXPECT_EQ(p->life, 100);
    EXPECT_TRUE(std::fabs(p->vx) <= 1 && std::fabs(p->vy) <= 1);
  }
  Ref<TExplosion> big = New<TExplosion>();
  big->Start(300, 200, 40);
  ASSERT_EQ(CountList(big->particles), 41);
  for (Ref<TParticle> p : Each<TParticle>(big->particles)) {
    EXPECT_TRUE(p->x == std::trunc(p->x) && p->y == std::trunc(p->y));  // on the grid
    EXPECT_LE(std::hypot(p->x - 300, p->y - 200), 40.0);
  }
  Ref<TExplosion> burst = New<TExplosion>();
  burst->Start(300, 200, 5);
  explosions->AddLast(burst);
  game.Frame();
  std::vector<DrawRecord> sparks = game.Images("particle.png");
  ASSERT_EQ(sparks.size(), 6u);
  for (const DrawRecord& spark : sparks) {
    EXPECT_EQ(spark.blend, BlendAdditive);
    EXPECT_FLOAT_EQ(spark.alpha, 0.3f);
    EXPECT_EQ(spark.Colour(), std::tuple(255, 128, 32));
    EXPECT_FLOAT_EQ(spark.ScaleX(), 1);
  }
  game.RunFrames(50);
  EXPECT_NEAR(game.Images("particle.png").at(0).ScaleX(), 0.5f, 1e-5);
  // Everything after the burst is back to alpha blending.
  EXPECT_EQ(GetBlendMode(), BlendAlpha);
}

TEST_F(CombatTest, ShellsAndShipsAreDrawnOverAHalfDarkShadowOffsetByTheirHeight) {
  Place<TShip>(u"Ship", 200, 200);
  Place<TShip>(u"Ship2", 400, 250, 2);
  shotCount = 1;
  charge = 1;
  FireVolley();
  game.RunFrames(10);
  Ref<TShot> shell = Cast<TShot>(shots->First());
  ASSERT_TRUE(shell);
  // The picture (the kinds' pictures are crossed over), where and how high, the colour.
  for (auto [picture, x, y, height, colour] :
       {std::tuple{"ship2.png", 200.0f, 200.0f, 14.0f, std::tuple{255, 255, 255}},
        {"ship.png", 400.0f, 250.0f, 14.0f, {255, 255, 255}},
        {"shot.png", shell->x, shell->y, shell->height, {255, 128, 0}}}) {
    SCOPED_TRACE(picture);
    std::vector<DrawRecord> drawn = game.Images(picture);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].Colour(), std::tuple(0, 0, 0));
    EXPECT_FLOAT_EQ(drawn[0].alpha, 0.5f);
    EXPECT_EQ(drawn[0].At(), std::pair(x + height, y - height));
    EXPECT_EQ(drawn[1].Colour(), colour);
    EXPECT_FLOAT_EQ(drawn[1].alpha, 1);
    EXPECT_EQ(drawn[1].At(), std::pair(x, y));
  }
}

using CannonTest = SceneTest;

TEST_F(CannonTest,
       TappedSpaceFiresAShellLandingOnItsSixtySecondUpdateAndHeldChargesAgainOnFrameTwentyFive) {
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
  game.Press(VK_SPACE);  // held again right away, through the cooldown
  EXPECT_EQ(FramesUntil(game, 100, [] { return charge != 0; }), 25);
  EXPECT_EQ(CountList(shots), 1);

  EXPECT_EQ(25 + FramesUntil(game, 100, [] { return shots->IsEmpty(); }), 62);
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

TEST_F(CannonTest,
       ChargeReachesTenPointTwoOnTheFiftyFirstFrameIsCappedAndAimedOnlyInTheFirstThreeRounds) {
  // The circles of the aiming guide the last frame drew.
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
  game.Press(VK_SPACE);
  game.RunFrames(50);
  EXPECT_LT(charge, 10);
  EXPECT_GT(charge, 9.99f);
  game.Frame();
  EXPECT_NEAR(charge, 10.2f, 1e-5);
  // The guide of that frame shows 10.2; the next charge-bar step caps it.
  EXPECT_EQ(guide(), 1);
  game.Frame();
  EXPECT_NEAR(charge, 10.2f, 1e-5);
  for (const DrawRecord& r : game.LastFrame()) {
    if (r.kind == DrawKind::Rect && r.ty == 0 && r.tx == 0) {
      EXPECT_FLOAT_EQ(r.x1 - r.x0, 100);
      EXPECT_EQ(r.red, 200);
    }
  }
  salvo::round = 4;
  game.Frame();
  EXPECT_EQ(guide(), 0);
  game.Release(VK_SPACE);
  game.Frame();
  ASSERT_EQ(CountList(shots), 1);
  EXPECT_NEAR(Cast<TShot>(shots->First())->vy, 10, 1e-5);
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
