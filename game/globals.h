// Every global of the game, with the initial values the program starts from.
#pragma once

#include <vector>

#include "audio/sound.h"
#include "render/image.h"
#include "runtime/list.h"
#include "runtime/string.h"

namespace salvo {

class TCannon;

// Game objects and their lists (created after the title screen).
extern Ref<TCannon> cannon;
extern Ref<TList> enemies;
extern Ref<TList> shots;
extern Ref<TList> explosions;
extern Ref<TList> bloodDrops;

// Rounds, player state, messages and upgrades.
extern int round;
extern int roundBanner;
extern int cash;
extern int paused;
extern int messageX;
extern String messageText;
extern int health;
extern int gameOver;
extern int menuFade;
extern int upgradeMenuOpen;
extern int shotCount;
extern int blastRadius;
extern std::vector<int> upgradePrices;
extern int lastMedTruckTime;
extern int fireCooldown;
extern float charge;

// Pictures and sounds, loaded from the files of GameFiles() (game/game_assets.h).
extern Ref<TImage> grassImage;
extern Ref<TImage> snowImage;
extern Ref<TImage> sandImage;
extern Ref<TImage> shipImage;
extern Ref<TImage> troopImage;
extern Ref<TImage> gunMountImage;
extern Ref<TImage> gunBarrelImage;
extern Ref<TImage> tracksImage;
extern Ref<TImage> shotImage;
extern Ref<TImage> particleImage;
extern Ref<TImage> shotIconImage;
extern Ref<TImage> radiusIconImage;
extern Ref<TImage> healthIconImage;
extern Ref<TImage> medTruckImage;
extern Ref<TImage> bikeImage;
extern Ref<TImage> troop2Image;
extern Ref<TImage> ship2Image;
extern Ref<TImage> titleImage;

extern Ref<TSound> cannonSound;
extern std::vector<Ref<TSound>> boomSounds;
extern Ref<TSound> screamSound;
extern Ref<TSound> bonusSound;
extern Ref<TSound> boughtSound;

// Puts every game global (not the pictures and sounds) back to its value at
// program start and drops the objects and lists, so a new game can be set up
// in the same process.
void ResetGameGlobals();
// Drops the loaded pictures and sounds (defined beside the table of game files).
void ReleaseGameAssets();

}  // namespace salvo
