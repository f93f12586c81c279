// The title screen, the frame loop, pause and determinism; rounds, the round banner, the HUD, the
// upgrade menu and game over.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "game/rounds.h"
#include "input/virtual_keys.h"
#include "render/graphics.h"
#include "scene_helpers.h"

namespace salvo {
namespace {

using namespace testing;

// Escape on the title is left to the game's first pass, which it ends before anything is drawn.
TEST(TitleScreen, WaitsForEnterThenFadesOverAHundredFramesAndEscapeOnItEndsTheFirstPass) {
  HeadlessGame game;
  game.Tap(VK_ESCAPE);
  for (int i = 0; i < 30; i++) ASSERT_TRUE(game.TitleFrame());
  // Until Enter the title is drawn fully opaque, texts in their places.
  std::vector<DrawRecord> title = game.Images("title.png");
  ASSERT_EQ(title.size(), 1u);
  EXPECT_EQ(title[0].At(), std::pair(320.0f, 160.0f));
  EXPECT_FLOAT_EQ(title[0].alpha, 1);
  EXPECT_EQ(PlacesOf(game, u"Press ENTER to begin"), (Places{{230, 330}}));
  DrawRecord credits = TextsEqual(game, u"Programming: Tamsic").at(0);
  EXPECT_EQ(credits.green, 255);
  EXPECT_FLOAT_EQ(credits.ty, 448);
  DrawRecord hint = TextsEqual(game, u"Hint: Hold spacebar to charge up a shot!").at(0);
  EXPECT_EQ(hint.Colour(), std::tuple(255, 0, 255));

  // Holding Enter counts once; the frame that sees it already fades, the next is drawn at 0.99.
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
  game.SetUpWithoutTitle();
  int presents = game.Drawing().Presents();
  EXPECT_FALSE(game.Frame());
  EXPECT_EQ(game.Drawing().Presents(), presents);
}

TEST(FrameLoop,
     POnTheTitleStartsPausedAndWaitsPauseFreezesEveryObjectIgnoresHeldKeysAndKeepsADigit) {
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

  // Paused in the game: nothing moves, held keys do nothing.
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
  presents = game.Drawing().Presents();
  game.RunFrames(40);
  EXPECT_EQ(game.Drawing().Presents(), presents);
  EXPECT_EQ(shell->y, shellY);
  EXPECT_EQ(troop->y, troopY);
  EXPECT_EQ(cannon->x, cannonX);
  EXPECT_EQ(charge, 0);
  // Escape still acts at once while paused.
  game.Tap(VK_ESCAPE);
  EXPECT_FALSE(game.Frame());

  // The digit pressed during the pause acts when the menu opens, which takes it at once.
  game.Release(VK_RIGHT);
  game.Release(VK_SPACE);
  game.Tap(VK_P);
  game.Frame();
  ClearScene(false);
  cash = 5000;
  game.Frame();
  EXPECT_EQ(upgradeMenuOpen, 1);
  EXPECT_EQ(shotCount, 2);
  EXPECT_EQ(cash, 4000);
}

TEST(FrameLoop, DrawingStateIsRestoredBetweenSteps) {
  HeadlessGame game;
  game.StartGame();
  game.Frame();  // the title faded out to nothing, yet the first frame draws its ground opaque
  EXPECT_EQ(game.LastFrame().at(1).alpha, 1);
  game.Press(VK_SPACE);
  game.RunFrames(200);
  // Only the barrel is drawn turned: its turn must not carry over to what follows it.
  for (const DrawRecord& record : game.LastFrame()) {
    EXPECT_EQ(record.Rotation(), record.image == "gunbarrel.png" ? -90 : 0) << record.image;
  }
  EXPECT_EQ(GetAlpha(), 1);
  EXPECT_EQ(GetBlendMode(), BlendAlpha);
  EXPECT_EQ(GetRotation(), 0);
  int r, g, b;
  float sx, sy;
  GetColor(r, g, b);
  GetScale(sx, sy);
  EXPECT_EQ(std::tuple(r + g + b, sx, sy), std::tuple(765, 1.0f, 1.0f));
}

// A game at its first banner; the menu and game-over tests start past it and clear the wave away.
class StartedGame : public ::testing::Test {
 protected:
  void SetUp() override { game.StartGame(); }
  HeadlessGame game;
};
using Rounds = StartedGame;
using Hud = StartedGame;
using UpgradeMenu = SceneTest;
using GameOver = SceneTest;

TEST_F(Rounds, FirstRoundHoldsFourTroopsAndOneShipBehindTheBanner) {
  EXPECT_EQ(salvo::round, 1);
  EXPECT_EQ(CountList(enemies), 5);  // which kinds: the wave table's first row below
  std::vector<float> before;
  for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) {
    EXPECT_TRUE(enemy->x >= 0 && enemy->x <= 624 && enemy->y <= 96) << enemy->x << ", " << enemy->y;
    EXPECT_EQ(enemy->x, static_cast<int>(enemy->x));
    before.push_back(enemy->y);
  }

  game.Frame();
  EXPECT_EQ(roundBanner, 149);
  EXPECT_EQ(PlacesOf(game, u"Round 1"), (Places{{250, 242}, {248, 240}}));
  DrawRecord banner = TextsEqual(game, u"Round 1").at(1);
  EXPECT_EQ(banner.Colour(), std::tuple(255, 255, 255));
  EXPECT_FLOAT_EQ(banner.ScaleX(), 3);
  EXPECT_FLOAT_EQ(banner.alpha, 1.2f);
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
  // A two-digit round moves left by 24.
  enemies->Clear();
  salvo::round = 9;
  StartRound();
  game.Frame();
  EXPECT_FLOAT_EQ(TextsEqual(game, u"Round 10").at(1).tx, 224);
}

TEST_F(Rounds, EnemyCountsFollowTheWaveTable) {
  // The round, then its troops, armoured troops, bikes, ships and armoured ships.
  const std::array<int, 6> table[] = {
      {1, 4, 0, 0, 1, 0},      {2, 7, 0, 0, 2, 0},     {3, 10, 0, 2, 2, 0},
      {4, 13, 0, 2, 3, 0},     {5, 16, 0, 3, 4, 0},    {6, 19, 0, 3, 4, 0},
      {7, 22, 0, 3, 5, 0},     {8, 25, 0, 4, 5, 0},    {9, 28, 0, 4, 6, 0},
      {10, 31, 13, 5, 7, 0},   {11, 34, 14, 5, 7, 0},  {12, 37, 15, 5, 8, 0},
      {13, 40, 16, 6, 8, 0},   {14, 43, 17, 6, 9, 0},  {15, 46, 19, 7, 10, 4},
      {16, 49, 20, 7, 10, 4},  {20, 61, 25, 9, 13, 5}, {25, 76, 31, 11, 16, 6},
      {30, 91, 37, 13, 19, 7},
  };
  for (const std::array<int, 6>& wave : table) {
    enemies->Clear();
    salvo::round = wave[0] - 1;
    StartRound();
    EXPECT_EQ((std::array{salvo::round, CountKind(u"Troop"), CountKind(u"Troop2"),
                          CountKind(u"Bike"), CountKind(u"Ship"), CountKind(u"Ship2")}),
              wave);
    for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) {
      EXPECT_EQ(enemy->hitPoints, enemy->kind == u"Troop2" ? 4 : enemy->kind == u"Ship2" ? 2 : 1);
      if (enemy->kind != u"Bike") continue;
      EXPECT_TRUE(enemy->speed == 3 || enemy->speed == 4);
      EXPECT_LE(enemy->y, 135);
    }
  }
}

TEST_F(Rounds, GroundChangesWithTheRound) {
  const std::pair<int, const char*> grounds[] = {
      {1, "grass.png"}, {6, "grass.png"}, {7, "snow.png"},   {13, "snow.png"},
      {14, "sand.png"}, {20, "sand.png"}, {21, "grass.png"}, {30, "grass.png"},
  };
  for (const auto& [roundNumber, name] : grounds) {
    salvo::round = roundNumber;
    game.Frame();
    std::vector<DrawRecord> tiles = game.Images(name);
    ASSERT_FALSE(tiles.empty()) << roundNumber;
    // The tiles cover the whole 640 x 480 screen, and only they are drawn.
    float left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    for (const DrawRecord& tile : tiles) {
      left = std::min(left, tile.tx + tile.x0);
      top = std::min(top, tile.ty + tile.y0);
      right = std::max(right, tile.tx + tile.x1);
      bottom = std::max(bottom, tile.ty + tile.y1);
    }
    EXPECT_TRUE(left <= 0 && top <= 0 && right >= 640 && bottom >= 480) << roundNumber;
    size_t grounds = 0;
    for (const char* any : {"grass.png", "snow.png", "sand.png"})
      grounds += game.Images(any).size();
    EXPECT_EQ(grounds, tiles.size()) << roundNumber;
  }
  // The track row: fourteen pieces at y = 444.
  std::vector<DrawRecord> track = game.Images("tracks.png");
  ASSERT_EQ(track.size(), 14u);
  EXPECT_EQ(track[13].At(), std::pair(13 * 48.0f, 444.0f));
}

TEST_F(Hud, CashAndHealthBlocksAndAMessageScrollingAcrossInFlickeringColours) {
  cash = -35;
  game.Frame();
  EXPECT_EQ(PlacesOf(game, u"Cash: $-35"), (Places{{6, 6}, {5, 5}}));
  EXPECT_EQ(TextsEqual(game, u"Cash: $-35").at(0).Colour(), std::tuple(0, 0, 0));
  EXPECT_EQ(PlacesOf(game, u"Health"), (Places{{472, 3}, {470, 5}}));

  // The health, then the blocks' red and green.
  const std::tuple<int, int, int> shades[] = {{10, 0, 255},  {7, 0, 255}, {6, 255, 255},
                                              {4, 255, 255}, {3, 255, 0}, {1, 255, 0}};
  for (auto [shown, red, green] : shades) {
    health = shown;
    game.Frame();
    std::vector<DrawRecord> blocks;
    for (const DrawRecord& r : game.LastFrame()) {
      if (r.kind == DrawKind::Rect && r.ty == 20) blocks.push_back(r);
    }
    ASSERT_EQ(blocks.size(), static_cast<size_t>(shown));
    EXPECT_FLOAT_EQ(blocks[0].tx, 482);
    EXPECT_EQ(blocks[0].Colour(), std::tuple(red, green, 0));
    EXPECT_FLOAT_EQ(blocks[0].x1 - blocks[0].x0, 8);
    EXPECT_FLOAT_EQ(blocks[0].y1 - blocks[0].y0, 20);
  }

  messageX = 0;
  messageText = u"Double kill!";
  game.Frame();
  EXPECT_EQ(PlacesOf(game, u"Double kill!"), (Places{{7, 233}, {0, 240}}));
  EXPECT_FLOAT_EQ(TextsEqual(game, u"Double kill!").at(1).ScaleX(), 4);
  EXPECT_EQ(1 + FramesUntil(game, 400, [] { return messageX == -1; }), 286);
}

TEST_F(UpgradeMenu, PricesLimitsAndKeysAndRefusesPurchasesBelowThePrice) {
  ClearScene(false);
  game.Frame();
  ASSERT_EQ(upgradeMenuOpen, 1);
  // Invisible in the frame it opened, opaque from its 86th frame.
  DrawRecord title = TextsEqual(game, u"Upgrade Menu").at(0);
  EXPECT_FLOAT_EQ(title.alpha, 0);
  EXPECT_FLOAT_EQ(title.tx, 390);
  EXPECT_FLOAT_EQ(title.ScaleX(), 1.5f);

  cash = 999;
  game.Tap(VK_1);
  game.Frame();
  EXPECT_EQ(shotCount, 1);
  EXPECT_EQ(cash, 999);
  cash = 1000;  // exactly the price, and the refused press was used up
  game.Frame();
  EXPECT_EQ(shotCount, 1);
  EXPECT_EQ(TextsEqual(game, u"(1)      Number of shots   - $1000").size(), 1u);
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
  EXPECT_EQ(PlacesOf(game, u"(3)      Restore 1 health  - $500"), (Places{{350, 270}}));
  EXPECT_FLOAT_EQ(TextsEqual(game, u"(4)      Done").at(0).ty, 310);
  EXPECT_EQ(game.Images("p_radius.png").at(0).At(), std::pair(400.0f, 230.0f));

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

TEST_F(GameOver, TextAndEffects) {
  ClearScene(false);
  Place<TTroop>(u"Troop", 100, 100);
  Place<TTroop>(u"Troop2", 400, 100, 4);
  Ref<TShip> ship = Place<TShip>(u"Ship", 300, 200);
  Ref<TBike> bike = Place<TBike>(u"Bike", 500, 300);
  health = 0;
  int before = cash;
  game.Frame();
  EXPECT_EQ(gameOver, 1);
  EXPECT_EQ(PlacesOf(game, u"Game Over"), (Places{{162, 242}, {160, 240}}));
  DrawRecord text = TextsEqual(game, u"Game Over").at(1);
  EXPECT_FLOAT_EQ(text.ScaleX(), 5);
  EXPECT_EQ(text.green, 0);
  EXPECT_GE(text.red, 1);
  // No blocks at health 0; the troop died in the first frame, the ship crashes.
  EXPECT_EQ(CountKind(u"Troop"), 0);
  EXPECT_EQ(cash, before + 20);
  EXPECT_EQ(ship->alive, 0);
  EXPECT_EQ(bike->burnTimer, -1);
  game.RunFrames(3);
  EXPECT_EQ(CountKind(u"Troop2"), 0);
  // The game never leaves the state, and no menu opens, not even once the field is empty.
  health = 10;
  game.RunFrames(200);
  ClearScene(false);
  game.RunFrames(2);
  EXPECT_EQ(gameOver, 1);
  EXPECT_EQ(upgradeMenuOpen, 0);
  EXPECT_EQ(TextsEqual(game, u"Game Over").size(), 2u);
  game.Tap(VK_ESCAPE);
  EXPECT_FALSE(game.Frame());
}

}  // namespace
}  // namespace salvo
