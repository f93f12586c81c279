#include "game/shots.h"

#include <cmath>
#include <string_view>

#include "game/enemies.h"
#include "game/game_math.h"
#include "game/globals.h"
#include "game/med_truck.h"
#include "input/random.h"
#include "render/collision.h"
#include "render/graphics.h"

namespace salvo {

namespace {

bool Caught(const TEnemy& unit, int x, int y, int size) {
  return std::fabs(unit.x - static_cast<float>(x)) < static_cast<float>(size) &&
         std::fabs(unit.y - static_cast<float>(y)) < static_cast<float>(size);
}

void StartMessage(const String& text) {
  messageX = 0;
  messageText = text;
}

void PayKillStreak(int kills) {
  if (kills == 2) {
    StartMessage(u"Double kill!");
    cash += 40;
  } else if (kills == 3) {
    StartMessage(u"Triple kill!");
    cash += 80;
  } else if (kills >= 4) {
    StartMessage(u"Massacre!!!");
    cash += 30 * kills;
  } else {
    return;
  }
  PlaySound(bonusSound);
}

}  // namespace

void TShot::Update() {
  x -= vx;
  y -= vy;
  height += vz;
  vz -= 0.1f;
  if (height < 0) {
    shots->Remove(Ref<Object>::Retain(this));
    Explode(Trunc(x), Trunc(y), blastRadius);
  }
  SetColor(0, 0, 0);
  SetAlpha(0.5f);
  DrawImage(shotImage, x + height, y - height, 0);
  SetColor(255, 128, 0);
  SetAlpha(1);
  DrawImage(shotImage, x, y, 0);
  SetColor(255, 255, 255);
}

void TParticle::Update() {
  SetColor(255, 128, 32);
  SetBlendMode(BlendAdditive);
  SetAlpha(0.3f);
  float scale = life / 100.0f;
  SetScale(scale, scale);
  DrawImage(particleImage, x, y, 0);
  SetScale(1, 1);
  SetAlpha(1);
  SetBlendMode(BlendAlpha);
  SetColor(255, 255, 255);
  life -= 1;
  x += vx;
  y += vy;
}

void TBloodDrop::Update() {
  x += vx;
  y += vy;
  vx *= 0.95f;
  vy *= 0.95f;
  life -= 1;
  SetColor(180, 0, 0);
  DrawOval(x, y, 4, 4);
  SetColor(255, 255, 255);
}

void TExplosion::Start(int centreX, int centreY, int burstSize) {
  x = centreX;
  y = centreY;
  size = burstSize;
  particles = New<TList>();
  for (int i = 0; i <= size; i++) {
    Ref<TParticle> particle = New<TParticle>();
    // Rejection sampling keeps the start points on the grid inside the disc.
    do {
      particle->x = static_cast<float>(x + RandomInt(-size, size));
      particle->y = static_cast<float>(y + RandomInt(-size, size));
    } while (PointDistance(Trunc(particle->x), Trunc(particle->y), x, y) > size);
    particle->vx = driftX != 0 ? driftX : static_cast<float>(CosDeg(RandomInt(359, 1)));
    particle->vy = driftY != 0 ? driftY : static_cast<float>(SinDeg(RandomInt(359, 1)));
    particle->life = 100;
    particles->AddLast(particle);
  }
}

void TExplosion::Update() {
  for (Ref<TParticle> particle : Each<TParticle>(particles)) {
    if (particle->life < 1) particles->Remove(particle);
    particle->Update();
  }
}

double PointDistance(int x1, int y1, int x2, int y2) {
  double dx = static_cast<double>(x2) - x1;
  double dy = static_cast<double>(y2) - y1;
  return std::sqrt(dx * dx + dy * dy);
}

void SplashBlood(int x, int y, int count) {
  for (int i = 0; i <= count; i++) {
    Ref<TBloodDrop> drop = New<TBloodDrop>();
    drop->x = static_cast<float>(x);
    drop->y = static_cast<float>(y);
    drop->life = 1000;
    drop->vx = static_cast<float>(CosDeg(RandomInt(0, 359)) * 2);
    drop->vy = static_cast<float>(SinDeg(RandomInt(0, 359)) * 2);
    bloodDrops->AddLast(drop);
  }
  PlaySound(screamSound);
}

void Explode(int x, int y, int size) {
  Ref<TExplosion> explosion = New<TExplosion>();
  explosion->Start(x, y, size);
  explosions->AddLast(explosion);
  int kills = 0;

  for (Ref<TMedTruck> truck : Each<TMedTruck>(enemies)) {
    if (!Caught(*truck, x, y, size)) continue;
    int truckX = Trunc(truck->x);
    int truckY = Trunc(truck->y);
    enemies->Remove(truck);
    health = 10;
    PlaySound(bonusSound);
    StartMessage(u"Recharged!!");
    Explode(truckX, truckY, 64);
  }

  for (Ref<TTroop> troop : Each<TTroop>(enemies)) {
    if (!Caught(*troop, x, y, size)) continue;
    troop->hitPoints -= 1;
    if (troop->hitPoints < 1) {
      SplashBlood(Trunc(troop->x), Trunc(troop->y), 25);
      enemies->Remove(troop);
      cash += 20;
      kills += 1;
    } else {
      SplashBlood(Trunc(troop->x), Trunc(troop->y), 5);
    }
  }

  for (Ref<TBike> bike : Each<TBike>(enemies)) {
    if (!Caught(*bike, x, y, size)) continue;
    bike->burnTimer = 150;
    kills += 1;
    cash += 45;
  }

  PayKillStreak(kills);
  PlaySound(boomSounds[RandomInt(0, 2)]);
}

void TestShellAgainstShip(const Ref<TEnemy>& enemy, const Ref<TShot>& shot) {
  // Compared as views with lengths known at compile time, so a kind of
  // another length is told apart by its size alone: this runs for every
  // enemy and shell in flight each frame.
  using namespace std::string_view_literals;
  const std::u16string_view kind = enemy->kind;
  if (kind != u"Ship"sv && kind != u"Ship2"sv) return;
  Ref<TShip> ship = Cast<TShip>(enemy);
  if (!ship) return;
  if (std::fabs(ship->altitude - shot->height) >= 5) return;
  if (!ImagesOverlap(shipImage, static_cast<float>(Trunc(ship->x)),
                     static_cast<float>(Trunc(ship->y)), 0, shotImage,
                     static_cast<float>(Trunc(shot->x)), static_cast<float>(Trunc(shot->y)), 0)) {
    return;
  }
  shots->Remove(shot);
  ship->hitPoints -= 1;
  if (ship->hitPoints < 1) ship->alive = 0;
  Explode(Trunc(ship->x), Trunc(ship->y), 10);
}

}  // namespace salvo
