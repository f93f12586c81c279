#include "game/game_assets.h"

#include <string>

#include "assets/bundled_assets.h"
#include "game/globals.h"
#include "runtime/embedded.h"
#include "runtime/error.h"

namespace salvo {

namespace {

constexpr const char* kGameFiles[] = {
    "grass.png",    "snow.png",      "sand.png",     "ship.png",     "troop.png",
    "gunmount.png", "gunbarrel.png", "tracks.png",   "shot.png",     "particle.png",
    "p_shot.png",   "p_radius.png",  "p_health.png", "medtruck.png", "bike.png",
    "troop2.png",   "ship2.png",     "title.png",    "cannon.wav",   "boom1.wav",
    "boom2.wav",    "boom3.wav",     "scream.wav",   "bonus.wav",    "bought.wav",
};

String Path(const char* name) {
  return u"incbin::" + FromUtf8(name);
}

Ref<TImage> Picture(const char* name) {
  return LoadImage(Path(name), -1);
}

Ref<TImage> Strip(const char* name, int cellWidth, int cellHeight) {
  return LoadImageStrip(Path(name), cellWidth, cellHeight, 0, 2, -1);
}

Ref<TSound> Sound(const char* name) {
  return LoadSound(Path(name), 0);
}

}  // namespace

std::span<const char* const> GameFileNames() {
  return kGameFiles;
}

void RegisterGameFiles() {
  for (const char* name : kGameFiles) {
    const BundledAsset* asset = FindBundledAsset(name);
    if (!asset) ThrowRuntimeError(std::string("Game file not bundled: ") + name);
    RegisterEmbeddedFile(FromUtf8(name), asset->data, asset->size);
  }
}

void LoadGameAssets() {
  grassImage = Picture("grass.png");
  snowImage = Picture("snow.png");
  sandImage = Picture("sand.png");
  shipImage = Picture("ship.png");
  troopImage = Strip("troop.png", 16, 16);
  gunMountImage = Picture("gunmount.png");
  gunBarrelImage = Picture("gunbarrel.png");
  tracksImage = Picture("tracks.png");
  shotImage = Picture("shot.png");
  particleImage = Picture("particle.png");
  shotIconImage = Picture("p_shot.png");
  radiusIconImage = Picture("p_radius.png");
  healthIconImage = Picture("p_health.png");
  medTruckImage = Strip("medtruck.png", 48, 34);
  bikeImage = Picture("bike.png");
  troop2Image = Strip("troop2.png", 16, 16);
  ship2Image = Picture("ship2.png");
  titleImage = Picture("title.png");
  cannonSound = Sound("cannon.wav");
  boomSounds.assign(3, nullptr);
  boomSounds[0] = Sound("boom1.wav");
  boomSounds[1] = Sound("boom2.wav");
  boomSounds[2] = Sound("boom3.wav");
  screamSound = Sound("scream.wav");
  bonusSound = Sound("bonus.wav");
  boughtSound = Sound("bought.wav");
}

}  // namespace salvo
