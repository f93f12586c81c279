// The 25 pictures and sounds the game carries inside the executable, described
// once: registration, loading and the harness's labels all read this table.
#pragma once

#include <span>
#include <vector>

#include "audio/sound.h"
#include "render/image.h"

namespace salvo {

// One embedded file and the global it is loaded into. A picture fills `image`
// (a strip of `cellWidth` x `cellHeight` cells when those are set, else one
// whole picture); a sound fills `sound`, or entry `arrayIndex` of
// `soundArray`. Pictures load with the default image flags, sounds unlooped.
struct GameFile {
  const char* name;
  Ref<TImage>* image = nullptr;
  int cellWidth = 0;
  int cellHeight = 0;
  Ref<TSound>* sound = nullptr;
  std::vector<Ref<TSound>>* soundArray = nullptr;
  int arrayIndex = 0;
};

// Every game file in registration and load order.
std::span<const GameFile> GameFiles();
// Registers every game file from the bundled assets under its bare name.
// Raises a runtime error naming a file the build did not bundle.
void RegisterGameFiles();
// Loads every picture and sound into its global, in table order. A sound
// array is created, as long as the table has entries for it, just before its
// first entry loads.
void LoadGameAssets();

}  // namespace salvo
