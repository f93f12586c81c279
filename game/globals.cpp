#include "game/globals.h"

#include "game/cannon.h"

namespace salvo {

Ref<TCannon> cannon;
Ref<TList> enemies;
Ref<TList> shots;
Ref<TList> explosions;
Ref<TList> bloodDrops;

int round = 0;
int roundBanner = 0;
int cash = 0;
int paused = 0;
int messageX = -1;
String messageText;
int health = 10;
int gameOver = 0;
int menuFade = 0;
int upgradeMenuOpen = 0;
int shotCount = 1;
int blastRadius = 32;
std::vector<int> upgradePrices;
int lastMedTruckTime = 0;
int fireCooldown = 0;
float charge = 0;

Ref<TImage> grassImage;
Ref<TImage> snowImage;
Ref<TImage> sandImage;
Ref<TImage> shipImage;
Ref<TImage> troopImage;
Ref<TImage> gunMountImage;
Ref<TImage> gunBarrelImage;
Ref<TImage> tracksImage;
Ref<TImage> shotImage;
Ref<TImage> particleImage;
Ref<TImage> shotIconImage;
Ref<TImage> radiusIconImage;
Ref<TImage> healthIconImage;
Ref<TImage> medTruckImage;
Ref<TImage> bikeImage;
Ref<TImage> troop2Image;
Ref<TImage> ship2Image;
Ref<TImage> titleImage;

Ref<TSound> cannonSound;
std::vector<Ref<TSound>> boomSounds;
Ref<TSound> screamSound;
Ref<TSound> bonusSound;
Ref<TSound> boughtSound;

void ResetGameGlobals() {
  // Emptying the lists first breaks no cycles (objects do not point at each
  // other) but releases the objects in list order, like the game would.
  for (Ref<TList>* list : {&enemies, &shots, &explosions, &bloodDrops}) {
    if (*list) (*list)->Clear();
    *list = nullptr;
  }
  cannon = nullptr;
  round = 0;
  roundBanner = 0;
  cash = 0;
  paused = 0;
  messageX = -1;
  messageText.clear();
  health = 10;
  gameOver = 0;
  menuFade = 0;
  upgradeMenuOpen = 0;
  shotCount = 1;
  blastRadius = 32;
  upgradePrices.clear();
  lastMedTruckTime = 0;
  fireCooldown = 0;
  charge = 0;
}

}  // namespace salvo
