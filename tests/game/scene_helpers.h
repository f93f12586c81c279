// Small helpers shared by the game's scene tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "game/cannon.h"
#include "game/enemies.h"
#include "game/globals.h"
#include "game/headless_game.h"
#include "game/med_truck.h"
#include "game/shots.h"
#include "runtime/list.h"

namespace salvo::testing {

inline std::string Utf8(const String& text) {
  return ToUtf8(text);
}

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

// A game past the title with the round banner gone and the wave cleared away,
// so a scene can place exactly the units it needs. A distant troop standing
// still keeps the round open unless `keepRoundOpen` is false.
inline void ClearScene(bool keepRoundOpen = true) {
  enemies->Clear();
  shots->Clear();
  explosions->Clear();
  bloodDrops->Clear();
  if (keepRoundOpen) Place<TTroop>(u"Troop", 600, 40)->speed = 0;
}

}  // namespace salvo::testing
