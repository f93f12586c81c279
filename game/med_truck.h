// The medic truck: crosses the screen now and then; blown up, it refills the
// player's health.
#pragma once

#include "game/enemies.h"

namespace salvo {

class TMedTruck : public TEnemy {
 public:
  void Draw() override;
  void Update() override;

  int frame = 0;
  int frameTimer = 0;
};

// Sends a truck, one time in three, once 50 seconds have passed since the last.
void SpawnMedTruckMaybe();

}  // namespace salvo
