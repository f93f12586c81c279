#include "game/state_hash.h"

#include "game/cannon.h"
#include "game/enemies.h"
#include "game/globals.h"
#include "game/med_truck.h"
#include "game/shots.h"
#include "input/random.h"
#include "runtime/float_bits.h"
#include "runtime/list.h"

namespace salvo {

namespace {

class Hasher {
 public:
  void Add(uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      hash_ ^= (value >> (8 * i)) & 0xFF;
      hash_ *= 0x100000001B3ull;
    }
  }
  void Add(int value) { Add(static_cast<uint32_t>(value)); }
  void Add(float value) { Add(FloatBits(value)); }
  void Add(const String& text) {
    Add(static_cast<int>(text.size()));
    for (char16_t unit : text) Add(static_cast<uint32_t>(unit));
  }
  uint64_t Value() const { return hash_; }

 private:
  uint64_t hash_ = 0xCBF29CE484222325ull;
};

void AddEnemy(Hasher& h, const Ref<TEnemy>& enemy) {
  h.Add(enemy->x);
  h.Add(enemy->y);
  h.Add(enemy->speed);
  h.Add(enemy->kind);
  h.Add(enemy->hitPoints);
  if (Ref<TShip> ship = Cast<TShip>(enemy)) {
    h.Add(ship->altitude);
    h.Add(ship->spin);
    h.Add(ship->alive);
  } else if (Ref<TTroop> troop = Cast<TTroop>(enemy)) {
    h.Add(troop->frame);
    h.Add(troop->frameTimer);
  } else if (Ref<TBike> bike = Cast<TBike>(enemy)) {
    h.Add(bike->burnTimer);
  } else if (Ref<TMedTruck> truck = Cast<TMedTruck>(enemy)) {
    h.Add(truck->frame);
    h.Add(truck->frameTimer);
  }
}

void AddParticle(Hasher& h, const Ref<TParticle>& particle) {
  h.Add(particle->x);
  h.Add(particle->y);
  h.Add(particle->vx);
  h.Add(particle->vy);
  h.Add(particle->life);
}

void AddObjects(Hasher& h) {
  if (cannon) {
    h.Add(cannon->x);
    h.Add(cannon->y);
    h.Add(cannon->speed);
  }
  if (enemies) {
    for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) AddEnemy(h, enemy);
  }
  if (shots) {
    for (Ref<TShot> shot : Each<TShot>(shots)) {
      for (float value : {shot->x, shot->y, shot->height, shot->vx, shot->vy, shot->vz}) {
        h.Add(value);
      }
    }
  }
  if (explosions) {
    for (Ref<TExplosion> explosion : Each<TExplosion>(explosions)) {
      h.Add(explosion->size);
      h.Add(explosion->x);
      h.Add(explosion->y);
      h.Add(explosion->driftX);
      h.Add(explosion->driftY);
      if (!explosion->particles) continue;
      for (Ref<TParticle> particle : Each<TParticle>(explosion->particles)) {
        AddParticle(h, particle);
      }
    }
  }
  if (bloodDrops) {
    for (Ref<TBloodDrop> drop : Each<TBloodDrop>(bloodDrops)) AddParticle(h, drop);
  }
}

}  // namespace

uint64_t HashGameState() {
  Hasher h;
  for (int value : {round, roundBanner, cash, paused, messageX, health, gameOver, menuFade,
                    upgradeMenuOpen, shotCount, blastRadius, lastMedTruckTime, fireCooldown}) {
    h.Add(value);
  }
  h.Add(charge);
  h.Add(messageText);
  for (int price : upgradePrices) h.Add(price);
  h.Add(RandomSeed());
  AddObjects(h);
  return h.Value();
}

}  // namespace salvo
