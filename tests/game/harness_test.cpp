// The headless harness names every picture and sound the game loads, from the
// table of game files, and refuses to pass over a picture it cannot name.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "game/game_assets.h"
#include "pixmap/pixmap.h"
#include "runtime/embedded.h"
#include "runtime/error.h"
#include "scene_helpers.h"

namespace salvo {
namespace {

using testing::Place;
using testing::SceneTest;

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

// One blue pixel as an uncompressed 24-bit BMP and TGA.
// clang-format off
constexpr unsigned char kBmp[] = {
    'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header: size, pixel offset
    40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,             // info header: size, width, height
    1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0,             // planes, bits, uncompressed, data size
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // resolution, palette
    255, 0, 0, 0};                                   // blue, green, red, row padding
constexpr unsigned char kTga[] = {
    0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0,  // true colour, 1 x 1, 24 bits
    255, 0, 0};                                             // blue, green, red
// clang-format on

TEST(Harness, LoadsPicturesWithTheGamesLoaderSet) {
  HeadlessGame game;
  RegisterEmbeddedFile(u"pixel.bmp", kBmp, sizeof kBmp);
  RegisterEmbeddedFile(u"pixel.tga", kTga, sizeof kTga);
  for (const char16_t* url : {u"incbin::pixel.bmp", u"incbin::pixel.tga"}) {
    Ref<TPixmap> pixmap = LoadPixmap(url);
    ASSERT_TRUE(pixmap) << ToUtf8(url);
    EXPECT_EQ(pixmap->width, 1);
    EXPECT_EQ(pixmap->height, 1);
  }
}

using HarnessScene = SceneTest;

TEST_F(HarnessScene, DrawingAPictureOutsideTheTableStopsThePass) {
  Place<TShip>(u"Ship2", 320, 200, 2)->speed = 0;  // drawn with ship.png
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
