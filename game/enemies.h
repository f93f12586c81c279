// The units that advance from the top of the screen: troops, bikes and ships.
#pragma once

#include "runtime/object.h"
#include "runtime/string.h"

namespace salvo {

// The base of every unit in `enemies`; never created by itself.
class TEnemy : public Object {
 public:
  virtual void Draw() = 0;
  virtual void Update() = 0;

  float x = 0;
  float y = 0;
  float speed = 0;
  String kind;
  int hitPoints = 1;

 protected:
  // Units neither move nor animate while the banner shows or the menu is open.
  static bool Frozen();
  // Alpha of a unit fading in during the round banner.
  static float FadeInAlpha();
  void RemoveFromEnemies();
};

// A two-frame walk (troops, the medic truck): after `period` updates showing
// one frame, the unit shows the other.
void StepWalkFrames(int& frame, int& frameTimer, int period);

// "Ship" and "Ship2": hit by shells at their height, crash when shot down.
class TShip : public TEnemy {
 public:
  void Draw() override;
  void Update() override;

  float altitude = 14;
  int spin = 0;
  int alive = 1;
};

// "Troop" and "Troop2": walk down, die in blasts.
class TTroop : public TEnemy {
 public:
  void Draw() override;
  void Update() override;

  int frame = 0;
  int frameTimer = 0;
};

// "Bike": rides across, a row lower at every turn; burns, then blows up.
class TBike : public TEnemy {
 public:
  void Draw() override;
  void Update() override;

  int burnTimer = -1;
};

}  // namespace salvo
