// The BMP and TGA loaders, and the largest pictures the loaders still take.
#include <gtest/gtest.h>

#include <tuple>

#include "picture_writers.h"
#include "pixmap/bmp_loader.h"
#include "pixmap/png_loader.h"
#include "pixmap/tga_loader.h"
#include "png_writer.h"

namespace salvo {
namespace {

using Bytes = std::vector<uint8_t>;
using test::BMP;
using test::LoadsOnlyWhole;
using test::StreamOver;
using test::TGA;

class BMPTGALoaderTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseStep(); }
  Ref<TPixmap> LoadTGA(Bytes bytes) { return tga->LoadPixmap(StreamOver(bytes)); }
  Ref<TPixmap> LoadBMP(Bytes bytes) { return bmp->LoadPixmap(StreamOver(bytes)); }
  Ref<TTGAPixmapLoader> tga = New<TTGAPixmapLoader>();
  Ref<TBMPPixmapLoader> bmp = New<TBMPPixmapLoader>();
};

TEST_F(BMPTGALoaderTest, DecodesEachLayout) {
  struct Pixel {
    int x, y;
    uint32_t value;
  };
  struct Case {
    const char* name;
    Ref<TPixmap> pixmap;
    int format;
    std::vector<Pixel> pixels;
  };
  const Bytes palette = {30, 20, 10, 0, 60, 50, 40, 0};  // blue, green, red, unused
  const uint32_t entry0 = 0xFF0A141Eu, entry1 = 0xFF28323Cu;
  const Case cases[] = {
      // Bottom row first: blue-green-red bytes.
      {"TGA 24 bottom-up",
       LoadTGA(TGA(2, 2, 2, 24, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})),
       PF_BGR888,
       {{0, 1, 0xFF030201u}, {1, 0, 0xFF0C0B0Au}}},
      {"TGA 32 top-down",
       LoadTGA(TGA(2, 1, 2, 32, 0x28, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})),
       PF_BGRA8888,
       {{0, 0, 0x04030201u}, {0, 1, 0x08070605u}}},
      // A run of 3 grey pixels (value 9) crosses into the second row, then 1 literal.
      {"TGA run-length grey",
       LoadTGA(TGA(11, 2, 2, 8, 0x20, {0x82, 9, 0x00, 77})),
       PF_I8,
       {{1, 0, 0xFF090909u}, {0, 1, 0xFF090909u}, {1, 1, 0xFF4D4D4Du}}},
      // 6 bytes of pixels + 2 of padding per row; bottom row first.
      {"BMP 24 padded bottom-up",
       LoadBMP(BMP(2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0})),
       PF_BGR888,
       {{0, 1, 0xFF030201u}, {1, 0, 0xFF0C0B0Au}}},
      {"BMP 32 top-down, alpha unused",
       LoadBMP(BMP(1, -2, 32, {}, {1, 2, 3, 0, 4, 5, 6, 0})),
       PF_BGRA8888,
       {{0, 0, 0xFF030201u}, {0, 1, 0xFF060504u}}},
      {"BMP 32 translucent",
       LoadBMP(BMP(1, 1, 32, {}, {1, 2, 3, 128})),
       PF_BGRA8888,
       {{0, 0, 0x80030201u}}},
      {"BMP 8-bit palette",
       LoadBMP(BMP(3, 1, 8, palette, {1, 0, 1, 0})),
       PF_RGB888,
       {{0, 0, entry1}, {1, 0, entry0}}},
      {"BMP 4-bit palette",
       LoadBMP(BMP(2, 1, 4, palette, {0x10, 0, 0, 0})),
       PF_RGB888,
       {{0, 0, entry1}, {1, 0, entry0}}},
      {"BMP 1-bit palette",
       LoadBMP(BMP(8, 1, 1, palette, {0xA0, 0, 0, 0})),
       PF_RGB888,
       {{0, 0, entry1}, {1, 0, entry0}, {2, 0, entry1}, {7, 0, entry0}}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.pixmap) << c.name;
    EXPECT_EQ(c.pixmap->format, c.format) << c.name;
    for (Pixel p : c.pixels) {
      EXPECT_EQ(ReadPixel(c.pixmap, p.x, p.y), p.value) << c.name << " at " << p.x << "," << p.y;
    }
  }
  // A run longer than the picture is corrupt.
  EXPECT_FALSE(LoadTGA(TGA(11, 2, 1, 8, 0x20, {0x85, 9})));
}

TEST_F(BMPTGALoaderTest, TGARejectsWhatItCannotRead) {
  Bytes colourMapped = TGA(2, 1, 1, 24, 0, {1, 2, 3});
  colourMapped[1] = 1;
  EXPECT_FALSE(LoadTGA(colourMapped));
  EXPECT_FALSE(LoadTGA(TGA(1, 1, 1, 8, 0, {0})));          // palette picture
  EXPECT_FALSE(LoadTGA(TGA(2, 1, 1, 16, 0, {0, 0})));      // 16-bit colour
  EXPECT_FALSE(LoadTGA(TGA(2, 0, 1, 24, 0, {})));          // empty
  EXPECT_FALSE(LoadTGA(TGA(2, 65535, 65535, 32, 0, {})));  // far too large
  EXPECT_TRUE(
      LoadsOnlyWhole(TGA(2, 2, 2, 24, 0, Bytes(12, 50)), [&](Bytes& b) { return LoadTGA(b); }));
}

TEST_F(BMPTGALoaderTest, BMPRejectsWhatItCannotRead) {
  Bytes whole = BMP(2, 2, 24, {}, Bytes(16, 7));
  EXPECT_TRUE(LoadsOnlyWhole(whole, [&](Bytes& b) { return LoadBMP(b); }));
  Bytes compressed = whole;
  compressed[30] = 1;  // run-length encoded
  EXPECT_FALSE(LoadBMP(compressed));
  Bytes notBitmap = whole;
  notBitmap[0] = 'b';
  EXPECT_FALSE(LoadBMP(notBitmap));
  EXPECT_FALSE(LoadBMP(BMP(100000, 100000, 24, {}, {})));
  EXPECT_FALSE(LoadBMP(BMP(0, 1, 24, {}, {})));
}

TEST_F(BMPTGALoaderTest, RegisteredTogetherEachFormatLoads) {
  InitBMPModule();
  InitPNGModule();
  InitTGAModule();
  Bytes png = test::EncodePNG(test::PNGImage(1, 1, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3}));
  Bytes bitmap = BMP(1, 1, 24, {}, {1, 2, 3, 0});
  Bytes targa = TGA(2, 1, 1, 24, 0, {1, 2, 3});
  EXPECT_FALSE(LoadTGA(png));  // each passes every PNG on
  EXPECT_FALSE(LoadBMP(png));
  for (auto [file, format, pixel] :
       {std::tuple{png, PF_RGB888, 0xFF010203u}, std::tuple{bitmap, PF_BGR888, 0xFF030201u},
        std::tuple{targa, PF_BGR888, 0xFF030201u}}) {
    Ref<TPixmap> pixmap = LoadPixmap(StreamOver(file));
    ASSERT_TRUE(pixmap) << format;
    EXPECT_EQ(pixmap->format, format);
    EXPECT_EQ(ReadPixel(pixmap, 0, 0), pixel);
  }
}

TEST(OversizedHeader, TGARunsOfTheLongestLengthAndPNGCompressedAsTightlyAsDeflateCanStillLoad) {
  // 256 x 256 of one colour in 512 packets of 128 pixels: exactly as many
  // pixels as the bytes left can expand to.
  Bytes file = TGA(10, 256, 256, 32, 0, {});
  for (int packet = 0; packet < 512; ++packet) file.insert(file.end(), {0xFF, 1, 2, 3, 4});
  Ref<TPixmap> pixmap = New<TTGAPixmapLoader>()->LoadPixmap(StreamOver(file));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->width, 256);
  EXPECT_EQ(GetPixelPtr(pixmap, 255, 255)[3], 4);
  file.pop_back();  // one byte short: the last packet is cut
  EXPECT_FALSE(New<TTGAPixmapLoader>()->LoadPixmap(StreamOver(file)));

  // 2048 x 2048 of one grey: about 4 MiB of rows in a few kilobytes.
  Bytes png =
      test::EncodePNG(test::PNGImage(2048, 2048, 8, PNG_COLOR_TYPE_GRAY, Bytes(1 << 22, 0)));
  ASSERT_LT(png.size(), 2048u * 2049 / 500);
  pixmap = New<TPNGPixmapLoader>()->LoadPixmap(StreamOver(png));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->height, 2048);
}

}  // namespace
}  // namespace salvo
