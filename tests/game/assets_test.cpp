// The game's bundled pictures, sounds and font: every file is present under
// its exact name, decodes through the program's own loaders with the sizes and
// formats the game relies on, sprites keep their transparent areas in exactly
// the mask colour, ground textures tile, and sounds are audible and unclipped.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

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

// Close to the mask colour without being it: such a pixel would show as a
// pink fringe, because only the exact colour is made transparent.
bool NearMagenta(Rgb c) {
  return !(c == kMagenta) && c.r >= 195 && c.g <= 60 && c.b >= 195;
}

void RegisterBundledAssets() {
  for (const BundledAsset& asset : BundledAssets()) {
    RegisterEmbeddedFile(FromUtf8(asset.name), asset.data, asset.size);
  }
}

class AssetsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitStreamModule();
    InitPNGModule();
    InitAudioSampleModule();
    RegisterBundledAssets();
  }
};

// A decoded picture as plain RGB triples.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  Rgb At(int x, int y) const { return pixels[y * width + x]; }
};

Picture LoadPicture(const char* name) {
  Picture picture;
  Ref<TPixmap> pixmap = LoadPixmap(FromUtf8(std::string("incbin::") + name));
  if (!pixmap) {
    ADD_FAILURE() << name << " did not decode";
    return picture;
  }
  EXPECT_EQ(pixmap->format, PF_RGB888) << name;
  picture.width = pixmap->width;
  picture.height = pixmap->height;
  for (int y = 0; y < pixmap->height; ++y) {
    for (int x = 0; x < pixmap->width; ++x) {
      const uint8_t* p = GetPixelPtr(pixmap, x, y);
      picture.pixels.push_back({p[0], p[1], p[2]});
    }
  }
  return picture;
}

int ColourDistance(Rgb a, Rgb b) {
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
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
  for (const std::string& name : expected) {
    EXPECT_NE(FindBundledAsset(name), nullptr) << name;
    EXPECT_EQ(EmbeddedFileSize(FromUtf8(name)), FindBundledAsset(name)->size) << name;
  }
  EXPECT_EQ(FindBundledAsset("Grass.png"), nullptr);
}

TEST_F(AssetsTest, FontBitmapHas96GlyphsOf8By16) {
  const BundledAsset* font = FindBundledAsset("quarnfont.bin");
  ASSERT_NE(font, nullptr);
  ASSERT_EQ(font->size, 1536);
  auto glyphRow = [&](char c, int row) { return font->data[row * 96 + (c - 32)]; };
  int spaceInk = 0, aInk = 0, iInk = 0;
  for (int r = 0; r < 16; ++r) {
    spaceInk += __builtin_popcount(glyphRow(' ', r));
    aInk += __builtin_popcount(glyphRow('A', r));
    iInk += __builtin_popcount(glyphRow('I', r));
  }
  EXPECT_EQ(spaceInk, 0);
  EXPECT_GT(aInk, 15);
  EXPECT_GT(iInk, 8);
  // "L" has its stem on the left: with the least significant bit as the
  // leftmost column, its rows have low bits set, and its foot row is wider.
  int stemRows = 0;
  for (int r = 0; r < 16; ++r) stemRows += (glyphRow('L', r) & 0x0F) != 0;
  EXPECT_GE(stemRows, 8);
  EXPECT_EQ(glyphRow('L', 4) & 0xF0, 0);
}

TEST_F(AssetsTest, PicturesAre8BitRgbPngsOfTheirSizes) {
  for (const ExpectedPicture& expected : kPictures) {
    const BundledAsset* file = FindBundledAsset(expected.name);
    ASSERT_NE(file, nullptr) << expected.name;
    // The IHDR chunk follows the signature: width, height, depth 8, colour type 2.
    ASSERT_GE(file->size, 33) << expected.name;
    EXPECT_EQ(std::memcmp(file->data + 12, "IHDR", 4), 0) << expected.name;
    EXPECT_EQ(file->data[24], 8) << expected.name;
    EXPECT_EQ(file->data[25], 2) << expected.name;
    EXPECT_EQ(std::memcmp(file->data + file->size - 8, "IEND", 4), 0) << expected.name;

    Picture picture = LoadPicture(expected.name);
    EXPECT_EQ(picture.width, expected.width) << expected.name;
    EXPECT_EQ(picture.height, expected.height) << expected.name;
  }
}

TEST_F(AssetsTest, SpritesUseExactlyTheMaskColourForTransparency) {
  for (const ExpectedPicture& expected : kPictures) {
    Picture picture = LoadPicture(expected.name);
    if (picture.pixels.empty()) continue;
    int cellWidth = picture.width / expected.cells;
    for (int cell = 0; cell < expected.cells; ++cell) {
      int masked = 0, opaque = 0, fringe = 0;
      for (int y = 0; y < picture.height; ++y) {
        for (int x = cell * cellWidth; x < (cell + 1) * cellWidth; ++x) {
          Rgb c = picture.At(x, y);
          masked += c == kMagenta;
          opaque += !(c == kMagenta);
          fringe += NearMagenta(c);
        }
      }
      EXPECT_EQ(fringe, 0) << expected.name << " cell " << cell;
      if (expected.kind == Kind::kSprite) {
        EXPECT_GT(masked, 0) << expected.name << " cell " << cell;
        EXPECT_GT(opaque, cellWidth * picture.height / 16) << expected.name << " cell " << cell;
      } else {
        EXPECT_EQ(masked, 0) << expected.name << " would get holes where the mask colour is";
      }
    }
  }
}

TEST_F(AssetsTest, ShipOutlineIsSolidEnoughToBeHit) {
  // Shells are tested against the opaque pixels of ship.png for both kinds of ship.
  Picture ship = LoadPicture("ship.png");
  ASSERT_FALSE(ship.pixels.empty());
  EXPECT_FALSE(ship.At(32, 32) == kMagenta);
  EXPECT_TRUE(ship.At(0, 0) == kMagenta);
  EXPECT_TRUE(ship.At(63, 63) == kMagenta);
  int opaque = 0;
  for (Rgb c : ship.pixels) opaque += !(c == kMagenta);
  EXPECT_GT(opaque, 64 * 64 / 5);
}

TEST_F(AssetsTest, ParticleGlowFadesToBlackAtItsEdge) {
  Picture glow = LoadPicture("particle.png");
  ASSERT_EQ(glow.width, 40);
  for (int i = 0; i < 40; ++i) {
    for (Rgb c : {glow.At(i, 0), glow.At(i, 39), glow.At(0, i), glow.At(39, i)}) {
      EXPECT_EQ(c, (Rgb{0, 0, 0})) << "edge pixel " << i;
    }
  }
  Rgb centre = glow.At(20, 20);
  EXPECT_GT(centre.r, 200);
  EXPECT_EQ(centre.r, centre.g);
  EXPECT_EQ(centre.g, centre.b);
  // Brightness falls steadily from the centre outwards.
  for (int x = 21; x < 39; ++x) EXPECT_LE(glow.At(x, 20).r, glow.At(x - 1, 20).r) << x;
}

// Mean colour difference between horizontally adjacent pixels, either all
// interior neighbours or the wrap-around pair (last column, first column).
double MeanColumnStep(const Picture& p, bool wrapOnly) {
  double sum = 0;
  int count = 0;
  for (int y = 0; y < p.height; ++y) {
    if (wrapOnly) {
      sum += ColourDistance(p.At(p.width - 1, y), p.At(0, y));
      ++count;
    } else {
      for (int x = 1; x < p.width; ++x, ++count) sum += ColourDistance(p.At(x - 1, y), p.At(x, y));
    }
  }
  return sum / count;
}

Picture Transposed(const Picture& p) {
  Picture t;
  t.width = p.height;
  t.height = p.width;
  for (int y = 0; y < t.height; ++y)
    for (int x = 0; x < t.width; ++x) t.pixels.push_back(p.At(y, x));
  return t;
}

TEST_F(AssetsTest, GroundTexturesTileSeamlessly) {
  for (const char* name : {"grass.png", "snow.png", "sand.png"}) {
    Picture picture = LoadPicture(name);
    ASSERT_FALSE(picture.pixels.empty()) << name;
    for (const Picture& p : {picture, Transposed(picture)}) {
      double interior = MeanColumnStep(p, false);
      double seam = MeanColumnStep(p, true);
      EXPECT_GT(interior, 0.5) << name << " has no texture at all";
      EXPECT_LT(seam, interior * 1.6 + 1.0) << name << " shows a seam";
    }
  }
}

TEST_F(AssetsTest, TrackPieceTilesHorizontally) {
  Picture track = LoadPicture("tracks.png");
  ASSERT_FALSE(track.pixels.empty());
  double interior = MeanColumnStep(track, false);
  double seam = MeanColumnStep(track, true);
  EXPECT_LT(seam, interior * 1.6 + 1.0);
  // Rails run the whole width: some rows are opaque from edge to edge.
  int fullRows = 0;
  for (int y = 0; y < track.height; ++y) {
    bool full = true;
    for (int x = 0; x < track.width; ++x) full = full && !(track.At(x, y) == kMagenta);
    fullRows += full;
  }
  EXPECT_GE(fullRows, 4);
}

uint32_t Read32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Read16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

TEST_F(AssetsTest, SoundsAreMonoPcmWavesOfTheirFormats) {
  for (const ExpectedSound& expected : kSounds) {
    const BundledAsset* file = FindBundledAsset(expected.name);
    ASSERT_NE(file, nullptr) << expected.name;
    const unsigned char* d = file->data;
    ASSERT_GE(file->size, 44) << expected.name;
    EXPECT_EQ(std::memcmp(d, "RIFF", 4), 0) << expected.name;
    EXPECT_EQ(Read32(d + 4) + 8, static_cast<uint32_t>(file->size)) << expected.name;
    EXPECT_EQ(std::memcmp(d + 8, "WAVEfmt ", 8), 0) << expected.name;
    EXPECT_EQ(Read16(d + 20), 1) << expected.name << " is not integer PCM";
    EXPECT_EQ(Read16(d + 22), 1) << expected.name << " is not mono";
    EXPECT_EQ(Read32(d + 24), static_cast<uint32_t>(expected.hertz)) << expected.name;
    EXPECT_EQ(Read16(d + 34), expected.bits) << expected.name;

    Ref<TAudioSample> sample = LoadAudioSample(FromUtf8(std::string("incbin::") + expected.name));
    ASSERT_TRUE(sample) << expected.name << " did not load";
    EXPECT_EQ(sample->format, expected.bits == 8 ? SampleFormat::kMono8 : SampleFormat::kMono16LE)
        << expected.name;
    EXPECT_EQ(sample->hertz, expected.hertz) << expected.name;
    EXPECT_EQ(sample->length, expected.samples) << expected.name;
  }
}

TEST_F(AssetsTest, SoundsAreAudibleUnclippedAndEndQuietly) {
  for (const ExpectedSound& expected : kSounds) {
    Ref<TAudioSample> sample = LoadAudioSample(FromUtf8(std::string("incbin::") + expected.name));
    ASSERT_TRUE(sample) << expected.name;
    std::vector<double> values;  // -1 .. 1
    for (int i = 0; i < sample->length; ++i) {
      if (sample->format == SampleFormat::kMono8) {
        values.push_back((sample->samples[i] - 128) / 128.0);
      } else {
        int16_t v;
        std::memcpy(&v, sample->samples + 2 * i, 2);
        values.push_back(v / 32768.0);
      }
    }
    double peak = 0, energy = 0;
    int clipped = 0;
    for (double v : values) {
      peak = std::max(peak, std::abs(v));
      energy += v * v;
      clipped += std::abs(v) >= 0.995;
    }
    double rms = std::sqrt(energy / values.size());
    EXPECT_GT(peak, 0.5) << expected.name << " is too quiet";
    EXPECT_GT(rms, 0.03) << expected.name << " is nearly silent";
    EXPECT_LE(clipped, 4) << expected.name << " clips";
    EXPECT_LT(std::abs(values.back()), 0.05) << expected.name << " ends with a click";
  }
}

}  // namespace
}  // namespace salvo
