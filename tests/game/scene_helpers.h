// Small helpers shared by the game's scene tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <utility>

#include "game/cannon.h"
#include "game/enemies.h"
#include "game/globals.h"
#include "game/med_truck.h"
#include "game/shots.h"
#include "harness/headless_game.h"
#include "runtime/list.h"

namespace salvo::testing {

template <class T>
int CountOf(const Ref<TList>& list) {
  int count = 0;
  for (Ref<T> value : Each<T>(list)) count += value ? 1 : 0;
  return count;
}

inline int CountKind(const char16_t* kind) {
  int count = 0;
  for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) count += enemy->kind == kind;
  return count;
}

// A unit standing still at (x, y), appended to `enemies`.
template <class T>
Ref<T> Place(const char16_t* kind, float x, float y, int hitPoints = 1) {
  Ref<T> unit = New<T>();
  unit->kind = kind;
  unit->x = x;
  unit->y = y;
  unit->hitPoints = hitPoints;
  enemies->AddLast(unit);
  return unit;
}

// The texts of the last frame equal to `text`.
inline std::vector<DrawRecord> TextsEqual(const HeadlessGame& game, const String& text) {
  std::vector<DrawRecord> found;
  for (const DrawRecord& record : game.Texts()) {
    if (record.text == text) found.push_back(record);
  }
  return found;
}

// Where `text` was drawn in the last frame: its shadow first, if it has one.
using Places = std::vector<std::pair<float, float>>;
inline Places PlacesOf(const HeadlessGame& game, const String& text) {
  Places places;
  for (const DrawRecord& r : TextsEqual(game, text)) places.push_back(r.At());
  return places;
}

// Runs frames until `done` holds and returns how many it took; gives up after `limit` frames.
inline int FramesUntil(HeadlessGame& game, int limit, const std::function<bool()>& done) {
  int frames = 0;
  while (!done()) {
    if (frames == limit) {
      ADD_FAILURE() << "still waiting after " << limit << " frames";
      break;
    }
    game.Frame();
    frames++;
  }
  return frames;
}

// Clears the wave away so a scene can place exactly the units it needs. A distant troop standing
// still keeps the round open unless `keepRoundOpen` is false.
inline void ClearScene(bool keepRoundOpen = true) {
  enemies->Clear();
  shots->Clear();
  explosions->Clear();
  bloodDrops->Clear();
  if (keepRoundOpen) Place<TTroop>(u"Troop", 600, 40);
}

// A game past the title with the round banner gone, the scene cleared and no cash, so that a
// scene's pay-outs are its cash.
class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game.StartGame();
    game.SkipBanner();
    ClearScene();
    cash = 0;
  }
  HeadlessGame game;
};

}  // namespace salvo::testing
