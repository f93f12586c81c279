// The headless harness names every picture and sound the game loads, from the
// table of game files, and refuses to pass over a picture it cannot name.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "game/game_assets.h"
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

TEST_F(HarnessScene, DrawingAPictureOutsideTheTableStopsThePass) {
  Place<TShip>(u"Ship2", 320, 200, 2);  // drawn with ship.png
  game.Frame();
  EXPECT_EQ(game.Images("ship.png").size(), 2u);  // shadow and craft

  // The same picture loaded again outside the table has frames without a name.
  shipImage = LoadImage(u"incbin::ship.png", -1);
  try {
    game.Frame();
    FAIL() << "an unnamed picture was drawn without complaint";
  } catch (const RuntimeError& error) {
    EXPECT_NE(std::string(error.what()).find("64 x 64"), std::string::npos) << error.what();
  }
}

TEST_F(HarnessScene, PlayingASoundOutsideTheTableStopsThePass) {
  PlaySound(bonusSound);
  game.Frame();
  EXPECT_EQ(game.SoundCount("bonus.wav"), 1);

  bonusSound = LoadSound(u"incbin::bonus.wav", 0);
  PlaySound(bonusSound);
  EXPECT_THROW(game.Frame(), RuntimeError);
}

}  // namespace
}  // namespace salvo
