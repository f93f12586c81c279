#include "game/enemies.h"

#include "game/game_math.h"
#include "game/globals.h"
#include "game/shots.h"
#include "input/random.h"
#include "render/graphics.h"

namespace salvo {

bool TEnemy::Frozen() {
  return roundBanner > 0 || upgradeMenuOpen != 0;
}

float TEnemy::FadeInAlpha() {
  return 1 - roundBanner / 150.0f;
}

void TEnemy::RemoveFromEnemies() {
  enemies->Remove(Ref<Object>::Retain(this));
}

void StepWalkFrames(int& frame, int& frameTimer, int period) {
  frameTimer += 1;
  if (frameTimer < period) return;
  frame = frame == 0 ? 1 : 0;
  frameTimer = 0;
}

void TTroop::Update() {
  if (Frozen()) return;
  StepWalkFrames(frame, frameTimer, 20);
  y += speed;
  if (y > GetGraphicsHeight()) {
    RemoveFromEnemies();
    cash -= 10;
    health -= 1;
  }
}

void TTroop::Draw() {
  if (roundBanner > 0) SetAlpha(FadeInAlpha());
  if (kind == u"Troop") {
    DrawImage(troopImage, x, y, frame);
  } else if (kind == u"Troop2") {
    DrawImage(troop2Image, x, y, frame);
  }
  SetAlpha(1);
}

void TShip::Update() {
  if (Frozen()) return;
  y += speed;
  if (y > GetGraphicsHeight()) {
    RemoveFromEnemies();
    cash -= 30;
    health -= 3;
  }
  if (alive == 0) {
    spin += 4;
    altitude -= 0.3f;
    if (altitude < 1) {
      RemoveFromEnemies();
      Explode(Trunc(x), Trunc(y), 60);
      cash += 65;
    }
  }
}

void TShip::Draw() {
  // The kinds are drawn crossed: "Ship" with ship2.png, "Ship2" with ship.png.
  Ref<TImage> image = kind == u"Ship" ? ship2Image : shipImage;
  SetColor(0, 0, 0);
  SetBlendMode(BlendAlpha);
  SetAlpha(roundBanner > 0 ? FadeInAlpha() : 0.5f);
  SetRotation(static_cast<float>(spin));
  DrawImage(image, x + altitude, y - altitude, 0);
  SetColor(255, 255, 255);
  SetAlpha(roundBanner > 0 ? FadeInAlpha() : 1.0f);
  DrawImage(image, x, y, 0);
  SetRotation(0);
  SetAlpha(1);
}

void TBike::Update() {
  if (Frozen()) return;
  x += speed;
  if (x > GetGraphicsWidth() + 16 || x < -16) {
    speed = -speed;
    y += 32;
  }
  if (y > GetGraphicsHeight()) {
    RemoveFromEnemies();
    cash -= 25;
    health -= 2;
  }
  if (burnTimer == -1) return;
  burnTimer -= 1;
  if (burnTimer < 0) {
    Explode(Trunc(x), Trunc(y), 24);
    SplashBlood(Trunc(x), Trunc(y), 10);
    RemoveFromEnemies();
  }
  if (RandomInt(1, 8) == 1) {
    // A puff of smoke: two sparks drifting up, harmless.
    Ref<TExplosion> smoke = New<TExplosion>();
    smoke->driftX = static_cast<float>(CosDeg(RandomInt(-45, -135)) * 0.5);
    smoke->driftY = -RandomFloat();
    int offsetY = RandomInt(-8, 8);
    int offsetX = RandomInt(-16, 16);
    smoke->Start(Trunc(x + offsetX), Trunc(y + offsetY), 1);
    explosions->AddLast(smoke);
  }
}

void TBike::Draw() {
  if (roundBanner > 0) SetAlpha(FadeInAlpha());
  // The picture faces left; mirror it while riding right.
  if (speed > 0) SetScale(-1, 1);
  DrawImage(bikeImage, x, y, 0);
  SetScale(1, 1);
  SetAlpha(1);
}

}  // namespace salvo
