// The game's bundled pictures, sounds and font: every file is present under its exact name, decodes
// through the program's own loaders with the sizes and formats the game relies on, sprites keep
// their transparent areas in exactly the mask colour, and sounds are audible and unclipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "assets/bundled_assets.h"
#include "audio/audio_sample.h"
#include "pixmap/pixmap.h"
#include "pixmap/png_loader.h"
#include "runtime/embedded.h"
#include "runtime/stream.h"
#include "runtime/string.h"

namespace salvo {
namespace {

enum class Kind { kSprite, kOpaque };

struct ExpectedPicture {
  const char* name;
  int width;
  int height;
  int cells;  // frames side by side in a strip
  Kind kind;
};

const ExpectedPicture kPictures[] = {
    {"grass.png", 256, 256, 1, Kind::kOpaque},   {"snow.png", 128, 128, 1, Kind::kOpaque},
    {"sand.png", 128, 128, 1, Kind::kOpaque},    {"ship.png", 64, 64, 1, Kind::kSprite},
    {"troop.png", 32, 16, 2, Kind::kSprite},     {"gunmount.png", 32, 32, 1, Kind::kSprite},
    {"gunbarrel.png", 32, 32, 1, Kind::kSprite}, {"tracks.png", 48, 32, 1, Kind::kSprite},
    {"shot.png", 8, 8, 1, Kind::kSprite},        {"particle.png", 40, 40, 1, Kind::kOpaque},
    {"p_shot.png", 32, 32, 1, Kind::kOpaque},    {"p_radius.png", 32, 32, 1, Kind::kOpaque},
    {"p_health.png", 32, 32, 1, Kind::kOpaque},  {"medtruck.png", 96, 34, 2, Kind::kSprite},
    {"bike.png", 32, 32, 1, Kind::kSprite},      {"troop2.png", 32, 16, 2, Kind::kSprite},
    {"ship2.png", 64, 64, 1, Kind::kSprite},     {"title.png", 550, 200, 1, Kind::kOpaque},
};

struct ExpectedSound {
  const char* name;
  int bits;
  int hertz;
  int samples;
};

const ExpectedSound kSounds[] = {
    {"cannon.wav", 8, 22000, 19200}, {"boom1.wav", 8, 11025, 7925}, {"boom2.wav", 16, 22050, 49617},
    {"boom3.wav", 8, 22050, 31936},  {"scream.wav", 8, 8000, 5569}, {"bonus.wav", 8, 22050, 11026},
    {"bought.wav", 8, 22254, 11128},
};

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
constexpr Rgb kMagenta{255, 0, 255};

// Close to the mask colour without being it: such a pixel would show as a pink fringe, because only
// the exact colour is made transparent.
bool NearMagenta(Rgb c) {
  return c != kMagenta && c.r >= 195 && c.g <= 60 && c.b >= 195;
}

class AssetsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitStreamModule();
    InitPNGModule();
    InitAudioSampleModule();
    for (const BundledAsset& asset : BundledAssets()) {
      RegisterEmbeddedFile(FromUtf8(asset.name), asset.data, asset.size);
    }
  }
};

Rgb At(const Ref<TPixmap>& pixmap, int x, int y) {
  const uint8_t* p = GetPixelPtr(pixmap, x, y);
  return {p[0], p[1], p[2]};
}

TEST_F(AssetsTest, EveryFileIsBundledUnderItsExactName) {
  std::set<std::string> expected = {"quarnfont.bin"};
  for (const ExpectedPicture& p : kPictures) expected.insert(p.name);
  for (const ExpectedSound& s : kSounds) expected.insert(s.name);
  ASSERT_EQ(expected.size(), 26u);
  std::set<std::string> bundled;
  for (const BundledAsset& asset : BundledAssets()) {
    bundled.insert(asset.name);
    EXPECT_GT(asset.size, 0) << asset.name;
  }
  EXPECT_EQ(bundled, expected);
  EXPECT_EQ(EmbeddedFileSize(u"quarnfont.bin"), 96 * 16);  // 96 glyphs of 8 x 16 pixels
  EXPECT_EQ(FindBundledAsset("Grass.png"), nullptr);
}

TEST_F(AssetsTest, PicturesAreRgbPngsOfTheirSizesWithExactMaskColour) {
  for (const ExpectedPicture& expected : kPictures) {
    SCOPED_TRACE(expected.name);
    // 8-bit RGB (colour type 2) in the IHDR chunk after the signature, and complete.
    const BundledAsset* file = FindBundledAsset(expected.name);
    ASSERT_TRUE(file && file->size > 33);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file->data) + 12, 4), "IHDR");
    EXPECT_EQ(file->data[24] * 256 + file->data[25], 8 * 256 + 2);
    EXPECT_EQ(std::memcmp(file->data + file->size - 8, "IEND", 4), 0);
    Ref<TPixmap> picture = LoadPixmap(FromUtf8(std::string("incbin::") + expected.name));
    ASSERT_TRUE(picture) << "did not decode";
    EXPECT_EQ(picture->format, PF_RGB888);
    ASSERT_EQ(picture->width, expected.width);
    ASSERT_EQ(picture->height, expected.height);
    int cellWidth = picture->width / expected.cells;
    for (int cell = 0; cell < expected.cells; ++cell) {
      int masked = 0, fringe = 0;
      for (int y = 0; y < picture->height; ++y) {
        for (int x = cell * cellWidth; x < (cell + 1) * cellWidth; ++x) {
          masked += At(picture, x, y) == kMagenta;
          fringe += NearMagenta(At(picture, x, y));
        }
      }
      EXPECT_EQ(fringe, 0) << "cell " << cell;
      if (expected.kind == Kind::kOpaque) {
        EXPECT_EQ(masked, 0) << "would get holes where the mask colour is";
      } else {
        EXPECT_GT(masked, 0) << "cell " << cell;
        EXPECT_GT(cellWidth * picture->height - masked, cellWidth * picture->height / 16);
        // Shells are tested against the opaque pixels of ship.png for both kinds.
        if (expected.name == std::string("ship.png")) {
          EXPECT_NE(At(picture, 32, 32), kMagenta);
          EXPECT_TRUE(At(picture, 0, 0) == kMagenta && At(picture, 63, 63) == kMagenta);
          EXPECT_GT(64 * 64 - masked, 64 * 64 / 5);
        }
      }
    }
  }
}

uint32_t Read(const unsigned char* p, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
  return value;
}

TEST_F(AssetsTest, SoundsAreMonoPcmWavesAudibleUnclippedAndEndingQuietly) {
  for (const ExpectedSound& expected : kSounds) {
    SCOPED_TRACE(expected.name);
    const BundledAsset* file = FindBundledAsset(expected.name);
    ASSERT_NE(file, nullptr);
    // The RIFF size matches the file: nothing cut off or appended.
    ASSERT_GE(file->size, 44);
    EXPECT_EQ(std::memcmp(file->data, "RIFF", 4), 0);
    EXPECT_EQ(Read(file->data + 4, 4) + 8, static_cast<uint32_t>(file->size));

    Ref<TAudioSample> sample = LoadAudioSample(FromUtf8(std::string("incbin::") + expected.name));
    ASSERT_TRUE(sample) << "did not load";
    bool eightBit = expected.bits == 8;
    EXPECT_EQ(sample->format, eightBit ? SampleFormat::kMono8 : SampleFormat::kMono16LE);
    EXPECT_EQ(sample->hertz, expected.hertz);
    ASSERT_EQ(sample->length, expected.samples);
    double peak = 0, energy = 0, value = 0;  // values -1 .. 1
    int clipped = 0;
    for (int i = 0; i < sample->length; ++i) {
      const uint8_t* at = sample->samples + (eightBit ? i : 2 * i);
      value = eightBit ? (at[0] - 128) / 128.0 : static_cast<int16_t>(Read(at, 2)) / 32768.0;
      peak = std::max(peak, std::abs(value));
      energy += value * value;
      clipped += std::abs(value) >= 0.995;
    }
    EXPECT_GT(peak, 0.5) << "too quiet";
    EXPECT_GT(std::sqrt(energy / sample->length), 0.03) << "nearly silent";
    EXPECT_LE(clipped, 4) << "clips";
    EXPECT_LT(std::abs(value), 0.05) << "ends with a click";
  }
}

}  // namespace
}  // namespace salvo
