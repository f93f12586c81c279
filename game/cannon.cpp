#include "game/cannon.h"

#include <algorithm>

#include "game/game_math.h"
#include "game/globals.h"
#include "game/shots.h"
#include "input/input.h"
#include "render/graphics.h"

namespace salvo {

namespace {

constexpr int kKeySpace = 32;
constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;

}  // namespace

void TCannon::Update() {
  speed = std::max(-4.0f, std::min(speed, 4.0f));
  x = x + speed;
  speed = speed * 0.9f;
  x = std::max(0.0f, std::min(x, static_cast<float>(GetGraphicsWidth() - 32)));
  DrawImage(gunMountImage, x, static_cast<float>(y), 0);
  SetRotation(-90);
  DrawImage(gunBarrelImage, static_cast<float>(x + 8 * CosDeg(-90)),
            static_cast<float>(y + 8 * SinDeg(-90)), 0);
  SetRotation(0);
}

void RunControlStep() {
  if (KeyDown(kKeyRight)) cannon->speed += 0.5f;
  if (KeyDown(kKeyLeft)) cannon->speed -= 0.5f;
  if (KeyDown(kKeySpace) && fireCooldown == 0) {
    charge += 0.2f;
  } else if (charge > 0) {
    FireVolley();
  }
  fireCooldown = std::max(0, fireCooldown - 1);
}

int SpreadOffset(int count, int index) {
  // Shells fan out in 5 degree steps; an odd volley has one straight up in
  // the middle, an even one leaves the middle out.
  static const int kOffsets[7][7] = {
      {0},
      {-5, 5},
      {-5, 0, 5},
      {-10, -5, 5, 10},
      {-10, -5, 0, 5, 10},
      {-15, -10, -5, 5, 10, 15},
      {-15, -10, -5, 0, 5, 10, 15},
  };
  if (count < 1 || count > 7 || index < 1 || index > count) return 0;
  return kOffsets[count - 1][index - 1];
}

void FireVolley() {
  for (int i = 1; i <= shotCount; i++) {
    Ref<TShot> shot = New<TShot>();
    shot->x = cannon->x;
    shot->y = static_cast<float>(cannon->y);
    shot->vz = 3;
    shot->height = 0;
    double angle = 90 + SpreadOffset(shotCount, i);
    shot->vx = static_cast<float>(CosDeg(angle) * charge);
    shot->vy = static_cast<float>(SinDeg(angle) * charge);
    shots->AddLast(shot);
  }
  fireCooldown = 25;
  charge = 0;
  PlaySound(cannonSound);
}

void DrawChargeBar() {
  charge = std::min(10.0f, charge);
  SetColor(Trunc(charge * 20), 0, 0);
  DrawRect(0, 0, charge * 10, 16);
  SetColor(255, 255, 255);
}

void DrawAimingGuide() {
  float x = cannon->x;
  int y = cannon->y;
  SetAlpha(0.7f);
  SetColor(0, 128, 0);
  DrawLine(x + 3, static_cast<float>(y), x + 3, y - 60 * charge + 4, 1);
  SetColor(0, 255, 0);
  DrawOval(x, y - 60 * charge, 7, 7);
  SetColor(255, 255, 255);
  SetAlpha(1);
}

void DrawTrack() {
  int width = GetGraphicsWidth();
  int height = GetGraphicsHeight();
  for (int i = 0; i <= width / 48; i++) {
    DrawImage(tracksImage, static_cast<float>(i * 48), static_cast<float>(height - 36), 0);
  }
}

}  // namespace salvo
