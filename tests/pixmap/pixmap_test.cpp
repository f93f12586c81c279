#include "pixmap/pixmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "runtime/error.h"

namespace salvo {
namespace {

constexpr int kAllFormats[] = {PF_I8, PF_A8, PF_BGR888, PF_RGB888, PF_BGRA8888, PF_RGBA8888};

class PixmapTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseStep(); }
};

Ref<TPixmap> RGBA(int width, int height, std::initializer_list<uint8_t> bytes) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, PF_RGBA8888, 4);
  auto it = bytes.begin();
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < width * 4; ++i) GetPixelPtr(pixmap, 0, y)[i] = *it++;
  }
  return pixmap;
}

std::vector<uint8_t> PixelBytes(const Ref<TPixmap>& pixmap, int x, int y) {
  uint8_t* p = GetPixelPtr(pixmap, x, y);
  return std::vector<uint8_t>(p, p + BytesPerPixel(pixmap->format));
}

TEST_F(PixmapTest, FormatTable) {
  EXPECT_EQ(BytesPerPixel(PF_NONE), 0);
  EXPECT_EQ(BytesPerPixel(PF_I8), 1);
  EXPECT_EQ(BytesPerPixel(PF_A8), 1);
  EXPECT_EQ(BytesPerPixel(PF_BGR888), 3);
  EXPECT_EQ(BytesPerPixel(PF_RGB888), 3);
  EXPECT_EQ(BytesPerPixel(PF_BGRA8888), 4);
  EXPECT_EQ(BitsPerPixel(PF_RGBA8888), 32);
  EXPECT_EQ(BitsPerPixel(PF_RGB888), 24);
  EXPECT_EQ(GetPixelFormatInfo(PF_A8).alphaBits, 8);
  EXPECT_EQ(GetPixelFormatInfo(PF_A8).redBits, 0);
  EXPECT_EQ(GetPixelFormatInfo(PF_BGR888).greenBits, 8);
  EXPECT_FALSE(FormatHasAlpha(PF_I8));
  EXPECT_FALSE(FormatHasAlpha(PF_RGB888));
  EXPECT_TRUE(FormatHasAlpha(PF_BGRA8888));
  EXPECT_EQ(BytesPerPixel(99), 0);
  EXPECT_EQ(BytesPerPixel(-1), 0);
}

TEST_F(PixmapTest, CreatePitchFollowsAlignment) {
  Ref<TPixmap> aligned = CreatePixmap(3, 1, PF_RGB888, 4);
  EXPECT_EQ(aligned->pitch, 12);
  EXPECT_EQ(aligned->capacity, 12);
  Ref<TPixmap> packed = CreatePixmap(3, 1, PF_RGB888, 1);
  EXPECT_EQ(packed->pitch, 9);
  Ref<TPixmap> tall = CreatePixmap(5, 7, PF_I8);
  EXPECT_EQ(tall->pitch, 8);
  EXPECT_EQ(tall->capacity, 56);
  EXPECT_EQ(tall->width, 5);
  EXPECT_EQ(tall->height, 7);
  EXPECT_EQ(tall->format, PF_I8);
  Ref<TPixmap> empty = CreatePixmap(0, 0, PF_RGBA8888);
  EXPECT_EQ(empty->capacity, 0);
  EXPECT_NE(empty->pixels, nullptr);
}

TEST_F(PixmapTest, CreateRejectsSizesThatDoNotFit) {
  EXPECT_THROW(CreatePixmap(-1, 4, PF_RGBA8888), RuntimeError);
  EXPECT_THROW(CreatePixmap(4, -1, PF_RGBA8888), RuntimeError);
  EXPECT_THROW(CreatePixmap(4, 4, PF_RGBA8888, 0), RuntimeError);
  // 65536 x 65536 x 4 wraps a 32-bit int to 0.
  EXPECT_THROW(CreatePixmap(65536, 65536, PF_RGBA8888), RuntimeError);
  EXPECT_THROW(CreatePixmap(INT_MAX, 1, PF_RGBA8888), RuntimeError);
  EXPECT_THROW(CreatePixmap(INT_MAX, INT_MAX, PF_I8), RuntimeError);
  try {
    CreatePixmap(100000, 100000, PF_RGB888);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& error) {
    EXPECT_STREQ(error.what(), "Pixmap size out of range");
  }
}

TEST_F(PixmapTest, ReadPixelByFormat) {
  Ref<TPixmap> a8 = CreatePixmap(1, 1, PF_A8);
  a8->pixels[0] = 128;
  EXPECT_EQ(ReadPixel(a8, 0, 0), 0x80FFFFFFu);

  Ref<TPixmap> i8 = CreatePixmap(1, 1, PF_I8);
  i8->pixels[0] = 7;
  EXPECT_EQ(ReadPixel(i8, 0, 0), 0xFF070707u);

  const uint8_t bytes[4] = {1, 2, 3, 4};
  auto read = [&](int format) {
    Ref<TPixmap> p = CreatePixmap(1, 1, format);
    std::memcpy(p->pixels, bytes, size_t(BytesPerPixel(format)));
    return ReadPixel(p, 0, 0);
  };
  EXPECT_EQ(read(PF_RGB888), 0xFF010203u);
  EXPECT_EQ(read(PF_BGR888), 0xFF030201u);
  EXPECT_EQ(read(PF_RGBA8888), 0x04010203u);
  EXPECT_EQ(read(PF_BGRA8888), 0x04030201u);

  uint8_t byte = 200;
  EXPECT_EQ(ReadPixel(CreateStaticPixmap(&byte, 1, 1, 1, PF_NONE), 0, 0), 0u);
  EXPECT_EQ(ReadPixel(CreateStaticPixmap(&byte, 1, 1, 1, 42), 0, 0), 0u);
}

TEST_F(PixmapTest, WritePixelByFormat) {
  Ref<TPixmap> i8 = CreatePixmap(1, 1, PF_I8);
  WritePixel(i8, 0, 0, 0xFF102030u);
  EXPECT_EQ(i8->pixels[0], 32);  // (16 + 32 + 48) div 3

  Ref<TPixmap> a8 = CreatePixmap(1, 1, PF_A8);
  WritePixel(a8, 0, 0, 0x7F102030u);
  EXPECT_EQ(a8->pixels[0], 0x7F);

  Ref<TPixmap> bgr = CreatePixmap(1, 1, PF_BGR888);
  WritePixel(bgr, 0, 0, 0x11223344u);
  EXPECT_EQ(PixelBytes(bgr, 0, 0), (std::vector<uint8_t>{0x44, 0x33, 0x22}));

  Ref<TPixmap> rgba = CreatePixmap(1, 1, PF_RGBA8888);
  WritePixel(rgba, 0, 0, 0x11223344u);
  EXPECT_EQ(PixelBytes(rgba, 0, 0), (std::vector<uint8_t>{0x22, 0x33, 0x44, 0x11}));

  Ref<TPixmap> bgra = CreatePixmap(1, 1, PF_BGRA8888);
  WritePixel(bgra, 0, 0, 0x11223344u);
  EXPECT_EQ(PixelBytes(bgra, 0, 0), (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11}));

  uint8_t untouched = 9;
  WritePixel(CreateStaticPixmap(&untouched, 1, 1, 1, PF_NONE), 0, 0, 0xFFFFFFFFu);
  EXPECT_EQ(untouched, 9);
}

TEST_F(PixmapTest, WriteThenReadRoundTripsWhatTheFormatHolds) {
  const uint32_t value = 0x80C04020u;  // a 128, r 192, g 64, b 32
  for (int format : kAllFormats) {
    Ref<TPixmap> p = CreatePixmap(2, 2, format);
    WritePixel(p, 1, 1, value);
    uint32_t expected = value;
    if (!FormatHasAlpha(format)) expected |= 0xFF000000u;
    if (format == PF_I8) expected = 0xFF606060u;  // (192 + 64 + 32) div 3 = 96
    if (format == PF_A8) expected = 0x80FFFFFFu;
    EXPECT_EQ(ReadPixel(p, 1, 1), expected) << "format " << format;
  }
}

TEST_F(PixmapTest, ConvertBetweenEveryPairOfFormats) {
  // Each source pixel converted to each destination format must read back as
  // the source's pixel value as seen through the destination's channels.
  const uint32_t value = 0x80C04020u;
  for (int from : kAllFormats) {
    Ref<TPixmap> source = CreatePixmap(3, 2, from);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) WritePixel(source, x, y, value);
    }
    const uint32_t seen = ReadPixel(source, 2, 1);
    for (int to : kAllFormats) {
      Ref<TPixmap> converted = ConvertPixmap(source, to);
      EXPECT_EQ(converted->format, to);
      EXPECT_EQ(converted->width, 3);
      Ref<TPixmap> expected = CreatePixmap(1, 1, to);
      WritePixel(expected, 0, 0, seen);
      EXPECT_EQ(ReadPixel(converted, 2, 1), ReadPixel(expected, 0, 0))
          << "from " << from << " to " << to;
    }
  }
}

TEST_F(PixmapTest, RowConversionRules) {
  const uint8_t bgr[3] = {1, 2, 3};
  uint8_t rgba[4] = {};
  ConvertPixels(bgr, PF_BGR888, rgba, PF_RGBA8888, 1);
  EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + 4), (std::vector<uint8_t>{3, 2, 1, 255}));

  const uint8_t a8 = 77;
  ConvertPixels(&a8, PF_A8, rgba, PF_RGBA8888, 1);
  EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + 4), (std::vector<uint8_t>{255, 255, 255, 77}));

  const uint8_t bgra[4] = {1, 2, 3, 4};
  ConvertPixels(bgra, PF_BGRA8888, rgba, PF_RGBA8888, 1);
  EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + 4), (std::vector<uint8_t>{3, 2, 1, 4}));

  // Indirect pair: BGR888 to I8 goes through RGBA8888.
  uint8_t grey = 0;
  const uint8_t colour[3] = {30, 60, 90};
  ConvertPixels(colour, PF_BGR888, &grey, PF_I8, 1);
  EXPECT_EQ(grey, 60);

  // A run longer than the internal chunk converts every pixel.
  std::vector<uint8_t> wide(1000 * 3), back(1000 * 4);
  for (size_t i = 0; i < wide.size(); ++i) wide[i] = uint8_t(i * 7);
  ConvertPixels(wide.data(), PF_RGB888, back.data(), PF_BGRA8888, 1000);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(back[i * 4 + 0], wide[i * 3 + 2]);
    ASSERT_EQ(back[i * 4 + 2], wide[i * 3 + 0]);
    ASSERT_EQ(back[i * 4 + 3], 255);
  }
}

TEST_F(PixmapTest, WindowSharesMemoryWithItsParent) {
  Ref<TPixmap> parent = CreatePixmap(4, 3, PF_RGBA8888);
  std::memset(parent->pixels, 0, size_t(parent->capacity));
  Ref<TPixmap> window = PixmapWindow(parent, 1, 1, 2, 2);
  EXPECT_EQ(window->capacity, -1);
  EXPECT_EQ(window->pitch, parent->pitch);
  EXPECT_EQ(window->format, parent->format);
  EXPECT_EQ(window->pixels, GetPixelPtr(parent, 1, 1));
  WritePixel(window, 1, 1, 0xFFABCDEFu);
  EXPECT_EQ(ReadPixel(parent, 2, 2), 0xFFABCDEFu);
  WritePixel(parent, 1, 1, 0x01020304u);
  EXPECT_EQ(ReadPixel(window, 0, 0), 0x01020304u);
  // Destroying the window leaves the parent's memory alone (ASan would see a
  // double free otherwise).
  window = nullptr;
  ReleaseStep();
  EXPECT_EQ(ReadPixel(parent, 1, 1), 0x01020304u);
}

TEST_F(PixmapTest, CopyIsIndependentAndRepacked) {
  Ref<TPixmap> parent = CreatePixmap(5, 4, PF_RGB888, 1);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) WritePixel(parent, x, y, 0xFF000000u | uint32_t(y * 16 + x));
  }
  Ref<TPixmap> copy = CopyPixmap(PixmapWindow(parent, 1, 1, 3, 2));
  EXPECT_EQ(copy->width, 3);
  EXPECT_EQ(copy->height, 2);
  EXPECT_EQ(copy->pitch, 12);
  EXPECT_GE(copy->capacity, 0);
  EXPECT_EQ(ReadPixel(copy, 0, 0), 0xFF000011u);
  EXPECT_EQ(ReadPixel(copy, 2, 1), 0xFF000023u);
  WritePixel(copy, 0, 0, 0xFFFFFFFFu);
  EXPECT_EQ(ReadPixel(parent, 1, 1), 0xFF000011u);
}

TEST_F(PixmapTest, PasteConvertsIntoPlace) {
  Ref<TPixmap> destination = CreatePixmap(4, 4, PF_RGBA8888);
  std::memset(destination->pixels, 0, size_t(destination->capacity));
  Ref<TPixmap> source = CreatePixmap(2, 2, PF_BGR888);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) WritePixel(source, x, y, 0xFF000000u | uint32_t(x << 16 | y));
  }
  PastePixmap(destination, source, 2, 1);
  EXPECT_EQ(ReadPixel(destination, 1, 1), 0u);
  EXPECT_EQ(ReadPixel(destination, 2, 1), 0xFF000000u);
  EXPECT_EQ(ReadPixel(destination, 3, 1), 0xFF010000u);
  EXPECT_EQ(ReadPixel(destination, 3, 2), 0xFF010001u);
  EXPECT_EQ(ReadPixel(destination, 2, 3), 0u);
}

TEST_F(PixmapTest, Flips) {
  Ref<TPixmap> source = CreatePixmap(3, 2, PF_RGB888);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) WritePixel(source, x, y, 0xFF000000u | uint32_t(y * 16 + x));
  }
  Ref<TPixmap> mirrored = XFlipPixmap(source);
  Ref<TPixmap> upsideDown = YFlipPixmap(source);
  EXPECT_EQ(mirrored->format, PF_RGB888);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(ReadPixel(mirrored, x, y), ReadPixel(source, 2 - x, y));
      EXPECT_EQ(ReadPixel(upsideDown, x, y), ReadPixel(source, x, 1 - y));
    }
  }
  // Flipping twice restores the original.
  Ref<TPixmap> twice = XFlipPixmap(YFlipPixmap(upsideDown));
  for (int x = 0; x < 3; ++x) EXPECT_EQ(ReadPixel(twice, x, 1), ReadPixel(mirrored, x, 1));
}

TEST_F(PixmapTest, ResizeTwoToOneTruncatesTheAverage) {
  Ref<TPixmap> source = RGBA(2, 1, {0, 0, 0, 255, 255, 0, 0, 255});
  Ref<TPixmap> resized = ResizePixmap(source, 1, 1);
  EXPECT_EQ(resized->width, 1);
  EXPECT_EQ(PixelBytes(resized, 0, 0), (std::vector<uint8_t>{127, 0, 0, 255}));
}

TEST_F(PixmapTest, ResizeHalvingAveragesTwoByTwoBlocks) {
  Ref<TPixmap> source = CreatePixmap(4, 4, PF_RGBA8888);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      uint8_t* p = GetPixelPtr(source, x, y);
      p[0] = uint8_t(x * 40 + y * 10);
      p[1] = uint8_t(200 - x * 20);
      p[2] = uint8_t(y * 60);
      p[3] = uint8_t(x == y ? 0 : 255);
    }
  }
  Ref<TPixmap> half = ResizePixmap(source, 2, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      for (int c = 0; c < 4; ++c) {
        int sum = GetPixelPtr(source, 2 * x, 2 * y)[c] + GetPixelPtr(source, 2 * x + 1, 2 * y)[c] +
                  GetPixelPtr(source, 2 * x, 2 * y + 1)[c] +
                  GetPixelPtr(source, 2 * x + 1, 2 * y + 1)[c];
        EXPECT_EQ(GetPixelPtr(half, x, y)[c], sum / 4) << x << "," << y << " channel " << c;
      }
    }
  }
}

TEST_F(PixmapTest, ResizeClampsAtEdgesAndKeepsFormat) {
  // Doubling: edge pixels sample beyond the source and clamp to the edge.
  Ref<TPixmap> source = CreatePixmap(2, 1, PF_I8);
  source->pixels[0] = 0;
  source->pixels[1] = 200;
  Ref<TPixmap> doubled = ResizePixmap(source, 4, 1);
  EXPECT_EQ(doubled->format, PF_I8);
  // sx = -0.25, 0.25, 0.75, 1.25: clamp, 0.25 of the way, 0.75, clamp.
  EXPECT_EQ(doubled->pixels[0], 0);
  EXPECT_EQ(doubled->pixels[1], 50);
  EXPECT_EQ(doubled->pixels[2], 150);
  EXPECT_EQ(doubled->pixels[3], 200);

  Ref<TPixmap> same = ResizePixmap(source, 2, 3);
  EXPECT_EQ(same->height, 3);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(GetPixelPtr(same, 0, y)[0], 0);
    EXPECT_EQ(GetPixelPtr(same, 1, y)[0], 200);
  }
}

TEST_F(PixmapTest, ResizeOfAnEmptyPixmapGivesZeros) {
  Ref<TPixmap> resized = ResizePixmap(CreatePixmap(0, 3, PF_RGBA8888), 2, 2);
  EXPECT_EQ(ReadPixel(resized, 1, 1), 0u);
  EXPECT_EQ(ResizePixmap(CreatePixmap(4, 4, PF_RGB888), 0, 0)->capacity, 0);
}

TEST_F(PixmapTest, MaskOfALoneKeyPixelIsClear) {
  Ref<TPixmap> masked = MaskPixmap(RGBA(1, 1, {0, 0, 0, 255}), 0, 0, 0);
  EXPECT_EQ(masked->format, PF_RGBA8888);
  EXPECT_EQ(PixelBytes(masked, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(PixmapTest, MaskTakesTheNeighbourAverage) {
  Ref<TPixmap> one = MaskPixmap(RGBA(2, 1, {0, 0, 0, 255, 90, 60, 30, 255}), 0, 0, 0);
  EXPECT_EQ(PixelBytes(one, 0, 0), (std::vector<uint8_t>{90, 60, 30, 0}));
  EXPECT_EQ(PixelBytes(one, 1, 0), (std::vector<uint8_t>{90, 60, 30, 255}));

  // Two neighbours average with integer division; the source alpha of
  // visible pixels is discarded.
  Ref<TPixmap> source = RGBA(3, 2, {10, 20, 31, 0,   0, 0, 0, 255, 0, 0, 0, 255,  //
                                    0,  0,  0,  255, 0, 0, 0, 255, 1, 2, 4, 9});
  Ref<TPixmap> masked = MaskPixmap(source, 0, 0, 0);
  EXPECT_EQ(PixelBytes(masked, 0, 0), (std::vector<uint8_t>{10, 20, 31, 255}));
  EXPECT_EQ(PixelBytes(masked, 1, 0), (std::vector<uint8_t>{5, 11, 17, 0}));
  EXPECT_EQ(PixelBytes(masked, 2, 0), (std::vector<uint8_t>{1, 2, 4, 0}));
  EXPECT_EQ(PixelBytes(masked, 0, 1), (std::vector<uint8_t>{10, 20, 31, 0}));
  EXPECT_EQ(PixelBytes(masked, 2, 1), (std::vector<uint8_t>{1, 2, 4, 255}));
}

TEST_F(PixmapTest, MaskConvertsOtherFormatsAndHonoursTheKey) {
  Ref<TPixmap> source = CreatePixmap(2, 1, PF_BGR888);
  WritePixel(source, 0, 0, 0xFFFF00FFu);  // magenta key
  WritePixel(source, 1, 0, 0xFF102030u);
  Ref<TPixmap> masked = MaskPixmap(source, 255, 0, 255);
  EXPECT_EQ(masked->format, PF_RGBA8888);
  EXPECT_EQ(ReadPixel(masked, 0, 0), 0x00102030u);
  EXPECT_EQ(ReadPixel(masked, 1, 0), 0xFF102030u);
}

}  // namespace
}  // namespace salvo
