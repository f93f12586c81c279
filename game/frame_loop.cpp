#include "game/frame_loop.h"

#include "game/cannon.h"
#include "game/enemies.h"
#include "game/game_assets.h"
#include "game/globals.h"
#include "game/hud.h"
#include "game/rounds.h"
#include "game/shots.h"
#include "game/text.h"
#include "input/clock.h"
#include "input/input.h"
#include "input/random.h"
#include "render/graphics.h"
#include "runtime/object.h"

namespace salvo {

namespace {

constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;
constexpr int kKeyP = 80;

void UpdateBloodDrops() {
  for (Ref<TBloodDrop> drop : Each<TBloodDrop>(bloodDrops)) {
    drop->Update();
    if (drop->life < 1) bloodDrops->Remove(drop);
  }
}

void UpdateEnemies() {
  for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) {
    enemy->Update();
    enemy->Draw();
    for (Ref<TShot> shot : Each<TShot>(shots)) TestShellAgainstShip(enemy, shot);
  }
}

void UpdateShots() {
  for (Ref<TShot> shot : Each<TShot>(shots)) shot->Update();
}

void UpdateExplosions() {
  for (Ref<TExplosion> explosion : Each<TExplosion>(explosions)) {
    explosion->Update();
    if (explosion->particles->IsEmpty()) explosions->Remove(explosion);
  }
}

}  // namespace

void Game::OpenDisplayAndLoadAssets() {
  OpenGraphics(640, 480, 16, 60);
  LoadAssets();
}

void Game::LoadAssets() {
  SetAutoCentreHandle(1);
  RegisterGameFiles();
  SetMaskColor(255, 0, 255);
  LoadGameAssets();
  SetBlendMode(BlendAlpha);
  SetAlpha(1);
}

bool Game::TitleFrame() {
  int width = GetGraphicsWidth();
  int height = GetGraphicsHeight();
  ClearScreen();
  if (titleFade_ != -1) SetAlpha(titleFade_);
  DrawImage(titleImage, static_cast<float>(width / 2), static_cast<float>(height / 3), 0);
  DrawGameText(u"Press ENTER to begin", static_cast<float>(width / 2 - 90),
               static_cast<float>(height - 150));
  SetColor(0, 255, 0);
  DrawGameText(u"Programming: Tamsic", 5, static_cast<float>(height - 32));
  SetColor(255, 128, 0);
  DrawGameText(u"Artwork: Orvelle", 5, static_cast<float>(height - 16));
  SetColor(255, 0, 255);
  DrawGameText(u"Hint: Hold spacebar to charge up a shot!", 5, 5);
  SetColor(255, 255, 255);
  // Read every frame, so presses made while fading are used up.
  if (KeyPressCount(kKeyEnter) != 0 && titleFade_ == -1) titleFade_ = 1.0f;
  if (titleFade_ != -1) titleFade_ = titleFade_ - 0.01f;
  PresentFrame();
  return titleFade_ > 0 || titleFade_ == -1;
}

void Game::SetUpGame() {
  SetAlpha(1);
  cannon = New<TCannon>();
  cannon->x = static_cast<float>(GetGraphicsWidth() / 2);
  cannon->y = GetGraphicsHeight() - 32 - 4;
  enemies = New<TList>();
  shots = New<TList>();
  explosions = New<TList>();
  bloodDrops = New<TList>();
  upgradePrices = {1000, 500, 500};
  lastMedTruckTime = Millis();
  HideMouse();
  SeedRandom(Millis());
  StartRound();
}

bool Game::Frame() {
  if (KeyPressCount(kKeyEscape) != 0) return false;
  if (KeyPressCount(kKeyP) != 0) paused = paused == 0 ? 1 : 0;
  if (paused != 0) {
    // Nothing changes while paused: wait for input instead of spinning, a
    // few milliseconds at a time, so Escape and P still act at once.
    WaitForMessagesTimeout(kPausedWaitMs);
    return true;
  }
  ClearScreen();
  CheckRoundEnd();
  DrawBackground();
  cannon->Update();
  UpdateBloodDrops();
  UpdateEnemies();
  UpdateShots();
  UpdateExplosions();
  DrawChargeBar();
  if (upgradeMenuOpen != 0) RunUpgradeMenuKeys();
  if (roundBanner == 0 && gameOver == 0 && upgradeMenuOpen == 0) RunControlStep();
  if (round < 4 && charge > 0) DrawAimingGuide();
  if (roundBanner > 0) DrawRoundBanner();
  DrawCash();
  DrawHealthBar();
  DrawUpgradeMenu();
  DrawMessage();
  CheckGameOver();
  PresentFrame();
  ReleaseStep();
  return true;
}

}  // namespace salvo
