// Rounds, the round banner, the HUD, the upgrade menu and game over.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/hud.h"
#include "game/rounds.h"
#include "input/virtual_keys.h"
#include "scene_helpers.h"

namespace salvo {
namespace {

using testing::At;
using testing::ClearScene;
using testing::Colour;
using testing::CountKind;
using testing::FramesUntil;
using testing::Place;
using testing::TextsEqual;

// A game past its first banner with the wave cleared away.
void StartWithoutEnemies(HeadlessGame& game) {
  game.StartGame();
  game.SkipBanner();
  ClearScene(false);
}

TEST(Rounds, FirstRoundHoldsFourTroopsAndOneShipBehindTheBanner) {
  HeadlessGame game;
  game.StartGame();
  EXPECT_EQ(salvo::round, 1);
  EXPECT_EQ(CountKind(u"Troop"), 4);
  EXPECT_EQ(CountKind(u"Ship"), 1);
  EXPECT_EQ(CountList(enemies), 5);
  for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) {
    EXPECT_GE(enemy->x, 0);
    EXPECT_LE(enemy->x, 624);
    EXPECT_LE(enemy->y, 96);
    EXPECT_EQ(enemy->x, static_cast<int>(enemy->x));
  }
  std::vector<float> before;
  for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) before.push_back(enemy->y);

  game.Frame();
  EXPECT_EQ(roundBanner, 149);
  std::vector<DrawRecord> banner = TextsEqual(game, u"Round 1");
  ASSERT_EQ(banner.size(), 2u);
  EXPECT_EQ(banner[0].red, 0);  // shadow first
  EXPECT_EQ(At(banner[0]), std::pair(250.0f, 242.0f));
  EXPECT_EQ(banner[1].red, 255);
  EXPECT_EQ(At(banner[1]), std::pair(248.0f, 240.0f));
  EXPECT_FLOAT_EQ(banner[1].ScaleX(), 3);
  EXPECT_FLOAT_EQ(banner[1].alpha, 1.2f);
  // Units are frozen and fade in while the banner shows.
  game.RunFrames(100);
  size_t i = 0;
  for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) EXPECT_EQ(enemy->y, before[i++]);
  std::vector<DrawRecord> troops = game.Images("troop.png");
  ASSERT_FALSE(troops.empty());
  EXPECT_NEAR(troops[0].alpha, 1 - 50 / 150.0f, 1e-6);
  game.SkipBanner();
  game.Frame();
  EXPECT_TRUE(TextsEqual(game, u"Round 1").empty());
}

struct WaveCount {
  int round, troop, troop2, bike, ship, ship2;
};

TEST(Rounds, EnemyCountsFollowTheWaveTable) {
  HeadlessGame game;
  game.StartGame();
  const WaveCount table[] = {
      {1, 4, 0, 0, 1, 0},      {2, 7, 0, 0, 2, 0},     {3, 10, 0, 2, 2, 0},
      {4, 13, 0, 2, 3, 0},     {5, 16, 0, 3, 4, 0},    {6, 19, 0, 3, 4, 0},
      {7, 22, 0, 3, 5, 0},     {8, 25, 0, 4, 5, 0},    {9, 28, 0, 4, 6, 0},
      {10, 31, 13, 5, 7, 0},   {11, 34, 14, 5, 7, 0},  {12, 37, 15, 5, 8, 0},
      {13, 40, 16, 6, 8, 0},   {14, 43, 17, 6, 9, 0},  {15, 46, 19, 7, 10, 4},
      {16, 49, 20, 7, 10, 4},  {20, 61, 25, 9, 13, 5}, {25, 76, 31, 11, 16, 6},
      {30, 91, 37, 13, 19, 7},
  };
  for (const WaveCount& wave : table) {
    enemies->Clear();
    salvo::round = wave.round - 1;
    StartRound();
    EXPECT_EQ(salvo::round, wave.round);
    EXPECT_EQ(std::vector<int>({CountKind(u"Troop"), CountKind(u"Troop2"), CountKind(u"Bike"),
                                CountKind(u"Ship"), CountKind(u"Ship2")}),
              std::vector<int>({wave.troop, wave.troop2, wave.bike, wave.ship, wave.ship2}))
        << "round " << wave.round;
    for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) {
      EXPECT_EQ(enemy->hitPoints, enemy->kind == u"Troop2" ? 4 : enemy->kind == u"Ship2" ? 2 : 1);
      if (enemy->kind != u"Bike") continue;
      EXPECT_TRUE(enemy->speed == 3 || enemy->speed == 4);
      EXPECT_LE(enemy->y, 135);
    }
  }
}

TEST(Rounds, GroundChangesWithTheRound) {
  HeadlessGame game;
  game.StartGame();
  const std::pair<int, const char*> grounds[] = {
      {1, "grass.png"}, {6, "grass.png"}, {7, "snow.png"},   {13, "snow.png"},
      {14, "sand.png"}, {20, "sand.png"}, {21, "grass.png"}, {30, "grass.png"},
  };
  for (const auto& [roundNumber, name] : grounds) {
    salvo::round = roundNumber;
    game.Frame();
    std::vector<DrawRecord> tiles = game.Images(name);
    ASSERT_FALSE(tiles.empty()) << roundNumber;
    // The tiles cover the whole 640 x 480 screen.
    float left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    for (const DrawRecord& tile : tiles) {
      left = std::min(left, tile.tx + tile.x0);
      top = std::min(top, tile.ty + tile.y0);
      right = std::max(right, tile.tx + tile.x1);
      bottom = std::max(bottom, tile.ty + tile.y1);
    }
    EXPECT_LE(left, 0);
    EXPECT_LE(top, 0);
    EXPECT_GE(right, 640);
    EXPECT_GE(bottom, 480);
    for (const char* other : {"grass.png", "snow.png", "sand.png"}) {
      if (std::string(other) != name) {
        EXPECT_TRUE(game.Images(other).empty()) << roundNumber;
      }
    }
  }
  // The track row: fourteen pieces at y = 444.
  std::vector<DrawRecord> track = game.Images("tracks.png");
  ASSERT_EQ(track.size(), 14u);
  EXPECT_FLOAT_EQ(track[13].tx, 13 * 48);
  EXPECT_FLOAT_EQ(track[13].ty, 444);
}

TEST(Rounds, TwoDigitBannerMovesLeftByTwentyFour) {
  HeadlessGame game;
  game.StartGame();
  enemies->Clear();
  salvo::round = 9;
  StartRound();
  game.Frame();
  EXPECT_FLOAT_EQ(TextsEqual(game, u"Round 10").at(1).tx, 224);
}

TEST(Rounds, MenuOpensTheFrameAfterTheLastEnemyDies) {
  HeadlessGame game;
  StartWithoutEnemies(game);
  Place<TTroop>(u"Troop", 300, 200);
  game.Frame();
  EXPECT_EQ(upgradeMenuOpen, 0);
  Explode(300, 200, 32);
  EXPECT_TRUE(enemies->IsEmpty());
  game.Frame();
  EXPECT_EQ(upgradeMenuOpen, 1);
  EXPECT_EQ(menuFade, 252);
}

TEST(Hud, CashAndHealthBlocks) {
  HeadlessGame game;
  game.StartGame();
  cash = -35;
  game.Frame();
  std::vector<DrawRecord> cashTexts = TextsEqual(game, u"Cash: $-35");
  ASSERT_EQ(cashTexts.size(), 2u);
  EXPECT_EQ(cashTexts[0].red, 0);
  EXPECT_EQ(std::pair(cashTexts[0].tx, cashTexts[1].tx), std::pair(6.0f, 5.0f));
  std::vector<DrawRecord> label = TextsEqual(game, u"Health");
  ASSERT_EQ(label.size(), 2u);
  EXPECT_EQ(At(label[0]), std::pair(472.0f, 3.0f));
  EXPECT_FLOAT_EQ(label[1].tx, 470);

  struct Shade {
    int health, red, green;
  };
  for (Shade shade : {Shade{10, 0, 255}, Shade{7, 0, 255}, Shade{6, 255, 255}, Shade{4, 255, 255},
                      Shade{3, 255, 0}, Shade{1, 255, 0}}) {
    health = shade.health;
    game.Frame();
    std::vector<DrawRecord> blocks;
    for (const DrawRecord& r : game.LastFrame()) {
      if (r.kind == DrawKind::Rect && r.ty == 20) blocks.push_back(r);
    }
    ASSERT_EQ(blocks.size(), static_cast<size_t>(shade.health));
    EXPECT_FLOAT_EQ(blocks[0].tx, 482);
    EXPECT_EQ(Colour(blocks[0]), std::tuple(shade.red, shade.green, 0));
    EXPECT_FLOAT_EQ(blocks[0].x1 - blocks[0].x0, 8);
    EXPECT_FLOAT_EQ(blocks[0].y1 - blocks[0].y0, 20);
  }
}

TEST(UpgradeMenu, PricesLimitsAndKeys) {
  HeadlessGame game;
  StartWithoutEnemies(game);
  game.Frame();
  ASSERT_EQ(upgradeMenuOpen, 1);
  // Invisible in the frame it opened, opaque from its 86th frame.
  std::vector<DrawRecord> title = TextsEqual(game, u"Upgrade Menu");
  ASSERT_EQ(title.size(), 1u);
  EXPECT_FLOAT_EQ(title[0].alpha, 0);
  EXPECT_FLOAT_EQ(title[0].tx, 390);
  EXPECT_FLOAT_EQ(title[0].ScaleX(), 1.5f);

  cash = 1000;  // exactly the price
  game.Tap(VK_1);
  game.Frame();
  EXPECT_EQ(cash, 0);
  EXPECT_EQ(shotCount, 2);
  EXPECT_EQ(game.SoundCount("bought.wav"), 1);

  // The prices each key meets, pressing it `times` times.
  auto buy = [&](int key, int item, int times) {
    std::vector<int> prices;
    for (int i = 0; i < times; i++) {
      prices.push_back(upgradePrices[item]);
      game.Tap(key);
      game.RunFrames(2);
    }
    return prices;
  };
  cash = 1000000;
  EXPECT_EQ(buy(VK_1, 0, 8),
            (std::vector<int>{1700, 2890, 4913, 8352, 14198, 24136, 24136, 24136}));
  EXPECT_EQ(shotCount, 7);
  std::vector<int> prices2 = buy(VK_2, 1, 18);
  EXPECT_EQ(blastRadius, 64);
  EXPECT_EQ(std::vector<int>(prices2.begin(), prices2.begin() + 16),
            (std::vector<int>{500, 600, 720, 864, 1036, 1243, 1491, 1789, 2146, 2575, 3090, 3708,
                              4449, 5338, 6405, 7686}));
  EXPECT_EQ(game.SoundCount("bought.wav"), 1 + 5 + 16);
  // Health: only while below 10, the price never changes.
  health = 9;
  buy(VK_3, 2, 2);
  EXPECT_EQ(health, 10);
  EXPECT_EQ(upgradePrices[2], 500);

  for (int i = 0; i < 90; i++) game.Frame();
  EXPECT_EQ(TextsEqual(game, u"Upgrade Menu").at(0).alpha, 1);
  EXPECT_EQ(TextsEqual(game, u"(1)      Number of shots   - $----").size(), 1u);
  EXPECT_EQ(TextsEqual(game, u"(2)      Explosion radius  - $----").size(), 1u);
  EXPECT_EQ(At(TextsEqual(game, u"(3)      Restore 1 health  - $500").at(0)),
            std::pair(350.0f, 270.0f));
  EXPECT_FLOAT_EQ(TextsEqual(game, u"(4)      Done").at(0).ty, 310);
  EXPECT_EQ(At(game.Images("p_radius.png").at(0)), std::pair(400.0f, 230.0f));

  // A purchase and key 4 in one frame: purchase first, then round 2.
  health = 5;
  int before = cash;
  game.Tap(VK_3);
  game.Tap(VK_4);
  game.Frame();
  EXPECT_EQ(health, 6);
  EXPECT_EQ(cash, before - 500);
  EXPECT_EQ(upgradeMenuOpen, 0);
  EXPECT_EQ(salvo::round, 2);
  EXPECT_EQ(CountList(enemies), 9);
  EXPECT_EQ(TextsEqual(game, u"Round 2").size(), 2u);
}

TEST(UpgradeMenu, RefusesPurchasesBelowThePrice) {
  HeadlessGame game;
  StartWithoutEnemies(game);
  game.Frame();
  cash = 999;
  game.Tap(VK_1);
  game.Frame();
  EXPECT_EQ(shotCount, 1);
  EXPECT_EQ(cash, 999);
  cash = 5000;  // the refused press was used up
  game.Frame();
  EXPECT_EQ(shotCount, 1);
  EXPECT_EQ(TextsEqual(game, u"(1)      Number of shots   - $1000").size(), 1u);
}

TEST(Message, ScrollsAcrossInFlickeringColours) {
  HeadlessGame game;
  game.StartGame();
  messageX = 0;
  messageText = u"Double kill!";
  game.Frame();
  std::vector<DrawRecord> texts = TextsEqual(game, u"Double kill!");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(At(texts[0]), std::pair(7.0f, 233.0f));
  EXPECT_FLOAT_EQ(texts[1].tx, 0);
  EXPECT_FLOAT_EQ(texts[1].ScaleX(), 4);
  EXPECT_EQ(1 + FramesUntil(game, [] { return messageX == -1; }), 286);
}

TEST(GameOver, TextAndEffects) {
  HeadlessGame game;
  StartWithoutEnemies(game);
  Place<TTroop>(u"Troop", 100, 100);
  Place<TTroop>(u"Troop2", 400, 100, 4)->speed = 0;
  Ref<TShip> ship = Place<TShip>(u"Ship", 300, 200);
  Ref<TBike> bike = Place<TBike>(u"Bike", 500, 300);
  bike->speed = 0;
  health = 0;
  int before = cash;
  game.Frame();
  EXPECT_EQ(gameOver, 1);
  std::vector<DrawRecord> texts = TextsEqual(game, u"Game Over");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(At(texts[0]), std::pair(162.0f, 242.0f));
  EXPECT_EQ(At(texts[1]), std::pair(160.0f, 240.0f));
  EXPECT_FLOAT_EQ(texts[1].ScaleX(), 5);
  EXPECT_EQ(texts[1].green, 0);
  EXPECT_GE(texts[1].red, 1);
  // No blocks at health 0; the troop died in the first frame, the ship crashes.
  EXPECT_EQ(CountKind(u"Troop"), 0);
  EXPECT_EQ(cash, before + 20);
  EXPECT_EQ(ship->alive, 0);
  EXPECT_EQ(bike->burnTimer, -1);
  game.RunFrames(3);
  EXPECT_EQ(CountKind(u"Troop2"), 0);
  // The game never leaves the state, and no menu opens.
  health = 10;
  game.RunFrames(200);
  EXPECT_EQ(gameOver, 1);
  EXPECT_EQ(upgradeMenuOpen, 0);
  EXPECT_EQ(TextsEqual(game, u"Game Over").size(), 2u);
  game.Tap(VK_ESCAPE);
  EXPECT_FALSE(game.Frame());
}

}  // namespace
}  // namespace salvo
