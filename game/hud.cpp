#include "game/hud.h"

#include <algorithm>

#include "game/enemies.h"
#include "game/game_math.h"
#include "game/globals.h"
#include "game/rounds.h"
#include "game/shots.h"
#include "game/text.h"
#include "input/input.h"
#include "input/random.h"
#include "render/graphics.h"

namespace salvo {

namespace {

constexpr int kKey1 = 49;
constexpr int kKey2 = 50;
constexpr int kKey3 = 51;
constexpr int kKey4 = 52;
constexpr int kMaxShotCount = 7;
constexpr int kMaxBlastRadius = 64;
constexpr int kMaxHealth = 10;

// Text at (x, y) over its black shadow at (shadowX, shadowY), ending white.
void DrawShadowedText(const String& text, float x, float y, float shadowX, float shadowY) {
  SetColor(0, 0, 0);
  DrawGameText(text, shadowX, shadowY);
  SetColor(255, 255, 255);
  DrawGameText(text, x, y);
}

}  // namespace

void RunUpgradeMenuKeys() {
  if (KeyPressCount(kKey1) && cash >= upgradePrices[0] && shotCount < kMaxShotCount) {
    cash -= upgradePrices[0];
    shotCount += 1;
    PlaySound(boughtSound);
    upgradePrices[0] = Trunc(upgradePrices[0] * 1.7f);
  }
  if (KeyPressCount(kKey2) && cash >= upgradePrices[1] && blastRadius < kMaxBlastRadius) {
    cash -= upgradePrices[1];
    blastRadius += 2;
    PlaySound(boughtSound);
    upgradePrices[1] = Trunc(upgradePrices[1] * 1.2f);
  }
  if (KeyPressCount(kKey3) && cash >= upgradePrices[2] && health < kMaxHealth) {
    cash -= upgradePrices[2];
    health += 1;
    PlaySound(boughtSound);
  }
  if (KeyPressCount(kKey4)) {
    upgradeMenuOpen = 0;
    StartRound();
  }
}

void DrawRoundBanner() {
  String text = u"Round " + ToString(round);
  int length = static_cast<int>(text.size());
  int x = GetGraphicsWidth() / 2 - (length / 2) * 8 * 3;
  int y = GetGraphicsHeight() / 2;
  SetAlpha(roundBanner / 150.0f + 0.2f);
  SetScale(3, 3);
  DrawShadowedText(text, static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + 2),
                   static_cast<float>(y + 2));
  SetAlpha(1);
  SetScale(1, 1);
  roundBanner -= 1;
}

void DrawCash() {
  DrawShadowedText(u"Cash: $" + ToString(cash), 5, 5, 6, 6);
}

void DrawHealthBar() {
  int left = GetGraphicsWidth() - 170;
  DrawShadowedText(u"Health", static_cast<float>(left), 5, static_cast<float>(left + 2), 3);
  int red = 255, green = 0;
  if (health > 6) {
    red = 0;
    green = 255;
  } else if (health > 3) {
    green = 255;
  }
  for (int i = 1; i <= health; i++) {
    SetColor(0, 0, 0);
    DrawRect(static_cast<float>(left + 12 * i + 2), 22, 8, 20);
    SetColor(red, green, 0);
    DrawRect(static_cast<float>(left + 12 * i), 20, 8, 20);
  }
  SetColor(255, 255, 255);
}

String UpgradeMenuLine(int item) {
  switch (item) {
    case 1:
      return u"(1)      Number of shots   - $" +
             (shotCount < kMaxShotCount ? ToString(upgradePrices[0]) : String(u"----"));
    case 2:
      return u"(2)      Explosion radius  - $" +
             (blastRadius < kMaxBlastRadius ? ToString(upgradePrices[1]) : String(u"----"));
    case 3:
      return u"(3)      Restore 1 health  - $" + ToString(upgradePrices[2]);
    default:
      return u"(4)      Done";
  }
}

void DrawUpgradeMenu() {
  if (upgradeMenuOpen == 0) return;
  int width = GetGraphicsWidth();
  SetBlendMode(BlendAlpha);
  SetAlpha((255 - menuFade) / 255.0f);
  menuFade = std::max(0, menuFade - 3);
  SetScale(1.5f, 1.5f);
  DrawGameText(u"Upgrade Menu", static_cast<float>(width - 250), 125);
  SetScale(1, 1);
  SetColor(255, 255, 255);
  for (int item = 1; item <= 4; item++) {
    DrawGameText(UpgradeMenuLine(item), static_cast<float>(width - 290),
                 static_cast<float>(150 + 40 * item));
  }
  SetColor(255, 255, 255);
  float iconX = static_cast<float>(width - 240);
  DrawImage(shotIconImage, iconX, 190, 0);
  DrawImage(radiusIconImage, iconX, 230, 0);
  DrawImage(healthIconImage, iconX, 270, 0);
  SetAlpha(1);
}

void DrawMessage() {
  if (messageX == -1) return;
  int middle = GetGraphicsHeight() / 2;
  SetScale(4, 4);
  SetColor(0, 0, 0);
  DrawGameText(messageText, static_cast<float>(messageX + 7), static_cast<float>(middle - 7));
  int blue = RandomInt(255, 1);
  int green = RandomInt(255, 1);
  int red = RandomInt(255, 1);
  SetColor(red, green, blue);
  DrawGameText(messageText, static_cast<float>(messageX), static_cast<float>(middle));
  SetScale(1, 1);
  SetColor(255, 255, 255);
  messageX += 4;
  if (messageX > GetGraphicsWidth() + 500) messageX = -1;
}

void CheckGameOver() {
  if (health < 1) gameOver = 1;
  if (gameOver == 0) return;
  int width = GetGraphicsWidth();
  int height = GetGraphicsHeight();
  SetScale(5, 5);
  SetColor(0, 0, 0);
  DrawGameText(u"Game Over", static_cast<float>(width / 2 - (9 / 2) * 8 * 5 + 2),
               static_cast<float>(height / 2 + 2));
  SetColor(RandomInt(255, 1), 0, 0);
  DrawGameText(u"Game Over", static_cast<float>(width / 2 - 160), static_cast<float>(height / 2));
  SetScale(1, 1);
  SetColor(255, 255, 255);
  for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) {
    if (enemy->kind == u"Troop" || enemy->kind == u"Troop2") {
      Explode(Trunc(enemy->x), Trunc(enemy->y), 5);
    } else if (enemy->kind == u"Ship" || enemy->kind == u"Ship2") {
      Ref<TShip> ship = Cast<TShip>(enemy);
      if (ship) ship->alive = 0;
    }
  }
}

}  // namespace salvo
