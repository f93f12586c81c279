#include "pixmap/pixmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <tuple>

#include "runtime/error.h"
#include "tests/runtime/raised.h"

namespace salvo {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kAllFormats[] = {PF_I8, PF_A8, PF_BGR888, PF_RGB888, PF_BGRA8888, PF_RGBA8888};

class PixmapTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseStep(); }
};

// A pixmap whose pixel at (x, y) is written as value(x, y).
Ref<TPixmap> Filled(int width, int height, int format,
                    const std::function<uint32_t(int, int)>& value, int alignment = 4) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, format, alignment);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) WritePixel(pixmap, x, y, value(x, y));
  }
  return pixmap;
}

Ref<TPixmap> RGBA(int width, int height, std::initializer_list<uint8_t> bytes) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, PF_RGBA8888);
  std::memcpy(pixmap->pixels, bytes.begin(), bytes.size());  // 4-byte pixels need no padding
  return pixmap;
}

Bytes PixelBytes(const Ref<TPixmap>& pixmap, int x, int y) {
  uint8_t* p = GetPixelPtr(pixmap, x, y);
  return Bytes(p, p + BytesPerPixel(pixmap->format));
}

TEST_F(PixmapTest, CreateRejectsSizesThatDoNotFitAndReadAndWritePixelByFormat) {
  // 65536 x 65536 x 4 wraps a 32-bit int to 0.
  const int sizes[][4] = {{-1, 4, PF_RGBA8888, 4},      {4, -1, PF_RGBA8888, 4},
                          {4, 4, PF_RGBA8888, 0},       {65536, 65536, PF_RGBA8888, 4},
                          {INT_MAX, 1, PF_RGBA8888, 4}, {INT_MAX, INT_MAX, PF_I8, 4}};
  for (auto [w, h, format, alignment] : sizes) {
    EXPECT_THROW(CreatePixmap(w, h, format, alignment), RuntimeError) << w << " x " << h;
  }
  EXPECT_EQ(testing::Raised<RuntimeError>([] { CreatePixmap(100000, 100000, PF_RGB888); }),
            "Pixmap size out of range");

  const std::tuple<int, Bytes, uint32_t> cases[] = {{PF_I8, {7}, 0xFF070707u},
                                                    {PF_A8, {128}, 0x80FFFFFFu},
                                                    {PF_RGB888, {1, 2, 3}, 0xFF010203u},
                                                    {PF_BGR888, {1, 2, 3}, 0xFF030201u},
                                                    {PF_RGBA8888, {1, 2, 3, 4}, 0x04010203u},
                                                    {PF_BGRA8888, {1, 2, 3, 4}, 0x04030201u}};
  for (const auto& [format, bytes, value] : cases) {
    Ref<TPixmap> p = CreatePixmap(1, 1, format);
    std::memcpy(p->pixels, bytes.data(), bytes.size());
    EXPECT_EQ(ReadPixel(p, 0, 0), value) << "format " << format;
    std::memset(p->pixels, 0, bytes.size());
    WritePixel(p, 0, 0, value);
    EXPECT_EQ(PixelBytes(p, 0, 0), bytes) << "format " << format;
  }
  Ref<TPixmap> i8 = CreatePixmap(1, 1, PF_I8);
  WritePixel(i8, 0, 0, 0xFF102030u);
  EXPECT_EQ(i8->pixels[0], 32);  // (16 + 32 + 48) div 3
  // Unknown formats have no bytes, read as 0 and are not written.
  EXPECT_EQ((Bytes{uint8_t(BytesPerPixel(99)), uint8_t(BytesPerPixel(-1))}), (Bytes{0, 0}));
  uint8_t byte = 200;
  EXPECT_EQ(ReadPixel(CreateStaticPixmap(&byte, 1, 1, 1, PF_NONE), 0, 0), 0u);
  EXPECT_EQ(ReadPixel(CreateStaticPixmap(&byte, 1, 1, 1, 42), 0, 0), 0u);
  WritePixel(CreateStaticPixmap(&byte, 1, 1, 1, PF_NONE), 0, 0, 0xFFFFFFFFu);
  EXPECT_EQ(byte, 200);
}

// Each converted pixel must read back as the source's pixel seen through the
// destination's channels; rows of 300 pixels take more than one internal chunk.
TEST_F(PixmapTest, ConvertBetweenEveryPairOfFormatsAndRowsLongerThanTheInternalChunk) {
  for (int from : kAllFormats) {
    Ref<TPixmap> source =
        Filled(300, 2, from, [](int x, int y) { return 0x80C04020u + uint32_t(x) * 0x10307u + y; });
    for (int to : kAllFormats) {
      Ref<TPixmap> converted = ConvertPixmap(source, to);
      Ref<TPixmap> expected =
          Filled(300, 2, to, [&](int x, int y) { return ReadPixel(source, x, y); });
      ASSERT_EQ(std::tuple(converted->format, converted->width, converted->pitch),
                std::tuple(to, 300, expected->pitch));
      EXPECT_EQ(Bytes(converted->pixels, converted->pixels + converted->capacity),
                Bytes(expected->pixels, expected->pixels + expected->capacity))
          << "from " << from << " to " << to;
    }
  }
}

TEST_F(PixmapTest, CopyIsIndependentAndRepackedFlipsMirrorAndPasteConvertsIntoPlace) {
  Ref<TPixmap> parent = Filled(
      5, 4, PF_RGB888, [](int x, int y) { return 0xFF000000u | uint32_t(y * 16 + x); }, 1);
  Ref<TPixmap> copy = CopyPixmap(PixmapWindow(parent, 2, 1, 3, 2));
  EXPECT_EQ(std::tuple(copy->width, copy->height, copy->pitch, copy->capacity),
            std::tuple(3, 2, 12, 24));
  EXPECT_EQ(ReadPixel(copy, 0, 0), 0xFF000012u);
  EXPECT_EQ(ReadPixel(copy, 2, 1), 0xFF000024u);
  WritePixel(copy, 0, 0, 0xFFFFFFFFu);
  EXPECT_EQ(ReadPixel(parent, 2, 1), 0xFF000012u);
  Ref<TPixmap> mirrored = XFlipPixmap(parent);
  Ref<TPixmap> upsideDown = YFlipPixmap(parent);
  EXPECT_EQ(mirrored->format, PF_RGB888);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(ReadPixel(mirrored, x, y), ReadPixel(parent, 4 - x, y));
      EXPECT_EQ(ReadPixel(upsideDown, x, y), ReadPixel(parent, x, 3 - y));
    }
  }

  Ref<TPixmap> destination = Filled(4, 4, PF_RGBA8888, [](int, int) { return 0u; });
  Ref<TPixmap> source =
      Filled(2, 2, PF_BGR888, [](int x, int y) { return 0xFF000000u | uint32_t(x << 16 | y); });
  PastePixmap(destination, source, 2, 1);
  EXPECT_EQ(ReadPixel(destination, 1, 1), 0u);
  EXPECT_EQ(ReadPixel(destination, 2, 1), 0xFF000000u);
  EXPECT_EQ(ReadPixel(destination, 3, 1), 0xFF010000u);
  EXPECT_EQ(ReadPixel(destination, 3, 2), 0xFF010001u);
  EXPECT_EQ(ReadPixel(destination, 2, 3), 0u);
}

TEST_F(PixmapTest, ResizeHalvingAveragesTwoByTwoBlocksTruncatingAndDoublingClampsAtEdges) {
  Ref<TPixmap> source = Filled(4, 4, PF_RGBA8888, [](int x, int y) {
    uint32_t alpha = x == y ? 0 : 255;  // blocks on the diagonal average 127.5
    return alpha << 24 | uint32_t(x * 40 + y * 10) << 16 | uint32_t(200 - x * 20) << 8 | (y * 60);
  });
  Ref<TPixmap> half = ResizePixmap(source, 2, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int i = 0; i < 4; ++i) sum += GetPixelPtr(source, 2 * x + i % 2, 2 * y + i / 2)[c];
        EXPECT_EQ(GetPixelPtr(half, x, y)[c], sum / 4) << x << "," << y << " channel " << c;
      }
    }
  }
  // Doubling: edge pixels sample beyond the source and clamp to the edge.
  source = CreatePixmap(2, 1, PF_I8);
  source->pixels[0] = 0;
  source->pixels[1] = 200;
  Ref<TPixmap> doubled = ResizePixmap(source, 4, 1);
  EXPECT_EQ(doubled->format, PF_I8);
  // sx = -0.25, 0.25, 0.75, 1.25: clamp, 0.25 of the way, 0.75, clamp.
  EXPECT_EQ(Bytes(doubled->pixels, doubled->pixels + 4), (Bytes{0, 50, 150, 200}));
  Ref<TPixmap> taller = ResizePixmap(source, 2, 3);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(ReadPixel(taller, 0, y), 0xFF000000u);
    EXPECT_EQ(ReadPixel(taller, 1, y), 0xFFC8C8C8u);
  }
  // Empty sources and destinations.
  EXPECT_EQ(ReadPixel(ResizePixmap(CreatePixmap(0, 3, PF_RGBA8888), 2, 2), 1, 1), 0u);
  EXPECT_EQ(ResizePixmap(CreatePixmap(4, 4, PF_RGB888), 0, 0)->capacity, 0);
}

TEST_F(PixmapTest, MaskClearsKeyPixelsGivesThemTheNeighbourAverageAndConvertsOtherFormats) {
  EXPECT_EQ(PixelBytes(MaskPixmap(RGBA(1, 1, {0, 0, 0, 255}), 0, 0, 0), 0, 0), (Bytes{0, 0, 0, 0}));
  Ref<TPixmap> one = MaskPixmap(RGBA(2, 1, {0, 0, 0, 255, 90, 60, 30, 255}), 0, 0, 0);
  EXPECT_EQ(PixelBytes(one, 0, 0), (Bytes{90, 60, 30, 0}));
  EXPECT_EQ(PixelBytes(one, 1, 0), (Bytes{90, 60, 30, 255}));
  // Two neighbours average with integer division; the source alpha of
  // visible pixels is discarded.
  Ref<TPixmap> masked = MaskPixmap(RGBA(3, 2, {10, 20, 31, 0,   0, 0, 0, 255, 0, 0, 0, 255,  //
                                               0,  0,  0,  255, 0, 0, 0, 255, 1, 2, 4, 9}),
                                   0, 0, 0);
  EXPECT_EQ(PixelBytes(masked, 0, 0), (Bytes{10, 20, 31, 255}));
  EXPECT_EQ(PixelBytes(masked, 1, 0), (Bytes{5, 11, 17, 0}));
  EXPECT_EQ(PixelBytes(masked, 2, 0), (Bytes{1, 2, 4, 0}));
  EXPECT_EQ(PixelBytes(masked, 0, 1), (Bytes{10, 20, 31, 0}));
  EXPECT_EQ(PixelBytes(masked, 2, 1), (Bytes{1, 2, 4, 255}));
  // Other formats are converted, and the key is honoured.
  Ref<TPixmap> source = CreatePixmap(2, 1, PF_BGR888);
  WritePixel(source, 0, 0, 0xFFFF00FFu);  // magenta key
  WritePixel(source, 1, 0, 0xFF102030u);
  masked = MaskPixmap(source, 255, 0, 255);
  EXPECT_EQ(masked->format, PF_RGBA8888);
  EXPECT_EQ(ReadPixel(masked, 0, 0), 0x00102030u);
  EXPECT_EQ(ReadPixel(masked, 1, 0), 0xFF102030u);
}

}  // namespace
}  // namespace salvo
