#include "game/game_assets.h"

#include <string>

#include "assets/bundled_assets.h"
#include "game/globals.h"
#include "runtime/embedded.h"
#include "runtime/error.h"

namespace salvo {

namespace {

constexpr int kImageFlags = -1;  // the default image flags: filtered and masked
constexpr int kSoundFlags = 0;   // not looping

const GameFile kGameFiles[] = {
    {.name = "grass.png", .image = &grassImage},
    {.name = "snow.png", .image = &snowImage},
    {.name = "sand.png", .image = &sandImage},
    {.name = "ship.png", .image = &shipImage},
    {.name = "troop.png", .image = &troopImage, .cellWidth = 16, .cellHeight = 16},
    {.name = "gunmount.png", .image = &gunMountImage},
    {.name = "gunbarrel.png", .image = &gunBarrelImage},
    {.name = "tracks.png", .image = &tracksImage},
    {.name = "shot.png", .image = &shotImage},
    {.name = "particle.png", .image = &particleImage},
    {.name = "p_shot.png", .image = &shotIconImage},
    {.name = "p_radius.png", .image = &radiusIconImage},
    {.name = "p_health.png", .image = &healthIconImage},
    {.name = "medtruck.png", .image = &medTruckImage, .cellWidth = 48, .cellHeight = 34},
    {.name = "bike.png", .image = &bikeImage},
    {.name = "troop2.png", .image = &troop2Image, .cellWidth = 16, .cellHeight = 16},
    {.name = "ship2.png", .image = &ship2Image},
    {.name = "title.png", .image = &titleImage},
    {.name = "cannon.wav", .sound = &cannonSound},
    {.name = "boom1.wav", .soundArray = &boomSounds, .arrayIndex = 0},
    {.name = "boom2.wav", .soundArray = &boomSounds, .arrayIndex = 1},
    {.name = "boom3.wav", .soundArray = &boomSounds, .arrayIndex = 2},
    {.name = "scream.wav", .sound = &screamSound},
    {.name = "bonus.wav", .sound = &bonusSound},
    {.name = "bought.wav", .sound = &boughtSound},
};

String Path(const char* name) {
  return u"incbin::" + FromUtf8(name);
}

// Strips are always two cells side by side in this game.
constexpr int kStripCells = 2;

Ref<TImage> LoadPicture(const GameFile& file) {
  if (file.cellWidth > 0) {
    return LoadImageStrip(Path(file.name), file.cellWidth, file.cellHeight, 0, kStripCells,
                          kImageFlags);
  }
  return LoadImage(Path(file.name), kImageFlags);
}

// How many entries the table gives a sound array.
size_t ArrayLength(const std::vector<Ref<TSound>>* array) {
  size_t length = 0;
  for (const GameFile& file : kGameFiles) length += file.soundArray == array;
  return length;
}

void LoadSoundInto(const GameFile& file) {
  Ref<TSound> sound = LoadSound(Path(file.name), kSoundFlags);
  if (file.sound) {
    *file.sound = sound;
    return;
  }
  if (file.arrayIndex == 0) file.soundArray->assign(ArrayLength(file.soundArray), nullptr);
  (*file.soundArray)[file.arrayIndex] = sound;
}

}  // namespace

std::span<const GameFile> GameFiles() {
  return kGameFiles;
}

void RegisterGameFiles() {
  for (const GameFile& file : kGameFiles) {
    const BundledAsset* asset = FindBundledAsset(file.name);
    if (!asset) ThrowRuntimeError(std::string("Game file not bundled: ") + file.name);
    RegisterEmbeddedFile(FromUtf8(file.name), asset->data, asset->size);
  }
}

void LoadGameAssets() {
  for (const GameFile& file : kGameFiles) {
    if (file.image) {
      *file.image = LoadPicture(file);
    } else {
      LoadSoundInto(file);
    }
  }
}

void ReleaseGameAssets() {
  for (const GameFile& file : kGameFiles) {
    if (file.image) *file.image = nullptr;
    if (file.sound) *file.sound = nullptr;
    if (file.soundArray) file.soundArray->clear();
  }
}

}  // namespace salvo
