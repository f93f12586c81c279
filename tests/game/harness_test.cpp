// The headless harness names every picture and sound the game loads, from the table of game files,
// and refuses to pass over a picture it cannot name. Its counting drawing driver sees the same
// draws as the recording one, and its scripted clock picks the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "game/game_assets.h"
#include "input/virtual_keys.h"
#include "runtime/error.h"
#include "scene_helpers.h"

namespace salvo {
namespace {

using namespace testing;

TEST(Harness, EveryPictureAndSoundOfTheGameCarriesItsFileName) {
  HeadlessGame game;
  std::set<std::string> names;
  for (const GameFile& file : GameFiles()) {
    names.insert(file.name);
    if (file.image) {
      ASSERT_TRUE(*file.image) << file.name;
      const std::vector<Ref<TImageFrame>>& frames = (*file.image)->frames;
      ASSERT_EQ(frames.size(), file.cellWidth > 0 ? 2u : 1u) << file.name;
      for (size_t cell = 0; cell < frames.size(); cell++) {
        Ref<TRecordingFrame> frame = Cast<TRecordingFrame>(frames[cell]);
        ASSERT_TRUE(frame) << file.name;
        EXPECT_EQ(frame->name, file.name);
        EXPECT_EQ(frame->cell, static_cast<int>(cell)) << file.name;
      }
      continue;
    }
    const Ref<TSound>& sound = file.sound ? *file.sound : (*file.soundArray)[file.arrayIndex];
    Ref<TRecordingSound> recording = Cast<TRecordingSound>(sound);
    ASSERT_TRUE(recording) << file.name;
    EXPECT_EQ(recording->name, file.name);
  }
  EXPECT_EQ(names.size(), 25u);
  EXPECT_EQ(boomSounds.size(), 3u);
}

using HarnessScene = SceneTest;

TEST_F(HarnessScene, PlayingASoundOrDrawingAPictureOutsideTheTableStopsThePass) {
  Place<TShip>(u"Ship2", 320, 200, 2);  // drawn with ship.png
  PlaySound(bonusSound);
  game.Frame();
  EXPECT_EQ(game.Images("ship.png").size(), 2u);  // shadow and craft
  EXPECT_EQ(game.SoundCount("bonus.wav"), 1);

  // The same sound or picture loaded again outside the table has no name.
  bonusSound = LoadSound(u"incbin::bonus.wav", 0);
  PlaySound(bonusSound);
  EXPECT_THROW(game.Frame(), RuntimeError);
  shipImage = LoadImage(u"incbin::ship.png", -1);
  try {
    game.Frame();  // the pictures are checked before the sounds
    FAIL() << "an unnamed picture was drawn without complaint";
  } catch (const RuntimeError& error) {
    EXPECT_NE(std::string(error.what()).find("64 x 64"), std::string::npos) << error.what();
  }
}

// SetUpGame seeds the random generator from the scripted clock: the same start clock gives the same
// wave, another one another wave.
TEST(Harness, TheStartClockPicksTheGame) {
  auto wave = [](int startMillis) {
    HeadlessGame game(startMillis);
    game.StartGame();
    std::vector<std::pair<float, float>> places;
    for (Ref<TEnemy> enemy : Each<TEnemy>(enemies)) places.push_back({enemy->x, enemy->y});
    return places;
  };
  EXPECT_EQ(wave(123456), wave(123456));
  EXPECT_NE(wave(123456), wave(654321));
}

// Per frame: the draws of each kind, the cash and the enemy count.
using PlayedFrame = std::tuple<DrawCounts, int, int>;

// The title, then a player who charges and fires while sweeping right, so frames carry texts,
// images, ovals (blood) and the charge bar.
std::vector<PlayedFrame> Play(HeadlessDrawing drawing) {
  HeadlessGame game(4321, drawing);
  std::vector<PlayedFrame> frames;
  auto keep = [&] {
    DrawCounts records{};
    for (const DrawRecord& record : game.LastFrame()) records[static_cast<int>(record.kind)] += 1;
    if (drawing == HeadlessDrawing::Record) {
      EXPECT_EQ(records, game.Drawing().LastFrameCounts());
    }
    frames.emplace_back(game.Drawing().LastFrameCounts(), cash, enemies ? CountList(enemies) : 0);
  };
  game.Tap(VK_RETURN);
  while (game.TitleFrame()) keep();
  game.SetUpWithoutTitle();
  game.SkipBanner();
  game.Press(VK_RIGHT);
  for (int i = 0; i < 400; i++) {
    if (i % 40 == 0) game.Press(VK_SPACE);
    if (i % 40 == 20) game.Release(VK_SPACE);
    if (!game.Frame()) break;
    keep();
  }
  if (drawing == HeadlessDrawing::Count) {
    EXPECT_TRUE(game.LastFrame().empty());
  }
  return frames;
}

TEST(CountingDriver, CountsEveryKindOfDrawTheRecordingDriverRecords) {
  std::vector<PlayedFrame> recorded = Play(HeadlessDrawing::Record);
  std::vector<PlayedFrame> counted = Play(HeadlessDrawing::Count);
  ASSERT_EQ(counted.size(), recorded.size());
  // The game played must be rich enough to compare: texts, images, blood, bars.
  for (DrawKind drawn : {DrawKind::Text, DrawKind::Image, DrawKind::Oval, DrawKind::Rect}) {
    const int kind = static_cast<int>(drawn);
    EXPECT_TRUE(std::ranges::any_of(recorded, [&](const PlayedFrame& frame) {
      return std::get<0>(frame)[kind] > 0;
    })) << kind;
  }
  for (size_t i = 0; i < recorded.size(); i++) ASSERT_EQ(counted[i], recorded[i]) << "frame " << i;
}

}  // namespace
}  // namespace salvo
