#include "game/rounds.h"

#include "game/cannon.h"
#include "game/enemies.h"
#include "game/game_math.h"
#include "game/globals.h"
#include "game/med_truck.h"
#include "input/random.h"
#include "render/graphics.h"

namespace salvo {

namespace {

// One group of a wave: n + 1 units of one kind, n = round x factor1 x factor2
// in single precision, truncated.
template <class T>
void AddGroup(const char16_t* kind, int firstRound, float factor1, float factor2, int spawnDown,
              int hitPoints, float (*speed)()) {
  if (round < firstRound) return;
  int n = Trunc(round * factor1 * factor2);
  int right = GetGraphicsWidth() - 16;
  for (int i = 0; i <= n; i++) {
    Ref<T> unit = New<T>();
    unit->kind = kind;
    unit->x = static_cast<float>(RandomInt(0, right));
    unit->y = static_cast<float>(RandomInt(0, spawnDown));
    unit->speed = speed();
    if (hitPoints != 0) unit->hitPoints = hitPoints;
    enemies->AddLast(unit);
  }
}

float TroopSpeed() {
  return RandomFloat() * 0.2f + 0.1f;
}
float Troop2Speed() {
  return RandomFloat() * 0.1f;
}
float BikeSpeed() {
  return static_cast<float>(RandomInt(3, 4));
}
float ShipSpeed() {
  return RandomFloat() * 0.5f + 0.1f;
}
float Ship2Speed() {
  return RandomFloat() * 0.4f + 0.2f;
}

}  // namespace

void StartRound() {
  roundBanner = 150;
  round = round + 1;
  AddGroup<TTroop>(u"Troop", 1, 0.6f, 5, 96, 0, TroopSpeed);
  AddGroup<TTroop>(u"Troop2", 10, 0.4f, 3, 96, 4, Troop2Speed);
  AddGroup<TBike>(u"Bike", 3, 0.2f, 2, 135, 0, BikeSpeed);
  AddGroup<TShip>(u"Ship", 1, 0.3f, 2, 96, 0, ShipSpeed);
  AddGroup<TShip>(u"Ship2", 15, 0.2f, 1, 96, 2, Ship2Speed);
}

void CheckRoundEnd() {
  if (enemies->IsEmpty() && gameOver == 0 && upgradeMenuOpen == 0) {
    upgradeMenuOpen = 1;
    menuFade = 255;
  }
  if (upgradeMenuOpen == 0 && gameOver == 0) SpawnMedTruckMaybe();
}

Ref<TImage> GroundImage(int roundNumber) {
  if (roundNumber >= 7 && roundNumber <= 13) return snowImage;
  if (roundNumber >= 14 && roundNumber <= 20) return sandImage;
  return grassImage;
}

void DrawBackground() {
  TileImage(GroundImage(round), 0, 0, 0);
  DrawTrack();
}

}  // namespace salvo
