#include <gtest/gtest.h>

#include "pixmap/bmp_loader.h"
#include "pixmap/png_loader.h"
#include "pixmap/tga_loader.h"
#include "png_writer.h"

namespace salvo {
namespace {

using Bytes = std::vector<uint8_t>;
using test::StreamOver;

class BMPTGALoaderTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseStep(); }
  Ref<TPixmap> LoadTGA(Bytes bytes) { return tga->LoadPixmap(StreamOver(bytes)); }
  Ref<TPixmap> LoadBMP(Bytes bytes) { return bmp->LoadPixmap(StreamOver(bytes)); }
  Ref<TTGAPixmapLoader> tga = New<TTGAPixmapLoader>();
  Ref<TBMPPixmapLoader> bmp = New<TBMPPixmapLoader>();
};

void PutLE(Bytes& out, int64_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

Bytes TGA(int kind, int width, int height, int depth, int descriptor, const Bytes& data) {
  Bytes out = {3, 0, uint8_t(kind), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  PutLE(out, width, 2);
  PutLE(out, height, 2);
  out.push_back(uint8_t(depth));
  out.push_back(uint8_t(descriptor));
  out.insert(out.end(), {'i', 'd', '!'});  // image ID, skipped
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// rows: stored rows in file order, already padded to 4 bytes.
Bytes BMP(int width, int height, int bitCount, const Bytes& palette, const Bytes& rows) {
  const int paletteEntries = int(palette.size() / 4);
  const int offset = 14 + 40 + int(palette.size());
  Bytes out = {'B', 'M'};
  PutLE(out, offset + int64_t(rows.size()), 4);
  PutLE(out, 0, 4);
  PutLE(out, offset, 4);
  PutLE(out, 40, 4);
  PutLE(out, width, 4);
  PutLE(out, height, 4);
  PutLE(out, 1, 2);
  PutLE(out, bitCount, 2);
  PutLE(out, 0, 4);  // uncompressed
  PutLE(out, int64_t(rows.size()), 4);
  PutLE(out, 2835, 4);
  PutLE(out, 2835, 4);
  PutLE(out, paletteEntries, 4);
  PutLE(out, 0, 4);
  out.insert(out.end(), palette.begin(), palette.end());
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

TEST_F(BMPTGALoaderTest, TGATrueColourBottomUp) {
  // Bottom row first: blue-green-red bytes.
  Ref<TPixmap> pixmap = LoadTGA(TGA(2, 2, 2, 24, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_BGR888);
  EXPECT_EQ(ReadPixel(pixmap, 0, 1), 0xFF030201u);
  EXPECT_EQ(ReadPixel(pixmap, 1, 0), 0xFF0C0B0Au);
}

TEST_F(BMPTGALoaderTest, TGAWithAlphaTopDown) {
  Ref<TPixmap> pixmap = LoadTGA(TGA(2, 1, 2, 32, 0x28, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_BGRA8888);
  EXPECT_EQ(ReadPixel(pixmap, 0, 0), 0x04030201u);
  EXPECT_EQ(ReadPixel(pixmap, 0, 1), 0x08070605u);
}

TEST_F(BMPTGALoaderTest, TGARunLengthAcrossRows) {
  // A run of 3 grey pixels (value 9) crosses into the second row, then 1 literal.
  Ref<TPixmap> pixmap = LoadTGA(TGA(11, 2, 2, 8, 0x20, {0x82, 9, 0x00, 77}));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_I8);
  EXPECT_EQ(GetPixelPtr(pixmap, 1, 0)[0], 9);
  EXPECT_EQ(GetPixelPtr(pixmap, 0, 1)[0], 9);
  EXPECT_EQ(GetPixelPtr(pixmap, 1, 1)[0], 77);
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
  Bytes whole = TGA(2, 2, 2, 24, 0, Bytes(12, 50));
  ASSERT_TRUE(LoadTGA(whole));
  for (size_t size = 0; size < whole.size(); ++size) {
    EXPECT_FALSE(LoadTGA(Bytes(whole.begin(), whole.begin() + size))) << size;
  }
}

TEST_F(BMPTGALoaderTest, BMPTrueColourWithPaddingBottomUp) {
  // 2 x 2, 24-bit: 6 bytes of pixels + 2 of padding per row; bottom row first.
  Ref<TPixmap> pixmap =
      LoadBMP(BMP(2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_BGR888);
  EXPECT_EQ(ReadPixel(pixmap, 0, 1), 0xFF030201u);
  EXPECT_EQ(ReadPixel(pixmap, 1, 0), 0xFF0C0B0Au);
}

TEST_F(BMPTGALoaderTest, BMPTopDownAndUnusedAlpha) {
  Ref<TPixmap> opaque = LoadBMP(BMP(1, -2, 32, {}, {1, 2, 3, 0, 4, 5, 6, 0}));
  ASSERT_TRUE(opaque);
  EXPECT_EQ(opaque->format, PF_BGRA8888);
  EXPECT_EQ(ReadPixel(opaque, 0, 0), 0xFF030201u);
  EXPECT_EQ(ReadPixel(opaque, 0, 1), 0xFF060504u);
  Ref<TPixmap> translucent = LoadBMP(BMP(1, 1, 32, {}, {1, 2, 3, 128}));
  ASSERT_TRUE(translucent);
  EXPECT_EQ(ReadPixel(translucent, 0, 0), 0x80030201u);
}

TEST_F(BMPTGALoaderTest, BMPPalettes) {
  const Bytes palette = {30, 20, 10, 0, 60, 50, 40, 0};  // blue, green, red, unused
  Ref<TPixmap> eight = LoadBMP(BMP(3, 1, 8, palette, {1, 0, 1, 0}));
  ASSERT_TRUE(eight);
  EXPECT_EQ(eight->format, PF_RGB888);
  EXPECT_EQ(ReadPixel(eight, 0, 0), 0xFF28323Cu);
  EXPECT_EQ(ReadPixel(eight, 1, 0), 0xFF0A141Eu);
  Ref<TPixmap> one = LoadBMP(BMP(8, 1, 1, palette, {0xA0, 0, 0, 0}));
  ASSERT_TRUE(one);
  EXPECT_EQ(ReadPixel(one, 0, 0), 0xFF28323Cu);
  EXPECT_EQ(ReadPixel(one, 1, 0), 0xFF0A141Eu);
  EXPECT_EQ(ReadPixel(one, 2, 0), 0xFF28323Cu);
  EXPECT_EQ(ReadPixel(one, 7, 0), 0xFF0A141Eu);
  Ref<TPixmap> four = LoadBMP(BMP(2, 1, 4, palette, {0x10, 0, 0, 0}));
  ASSERT_TRUE(four);
  EXPECT_EQ(ReadPixel(four, 0, 0), 0xFF28323Cu);
  EXPECT_EQ(ReadPixel(four, 1, 0), 0xFF0A141Eu);
}

TEST_F(BMPTGALoaderTest, BMPRejectsWhatItCannotRead) {
  Bytes whole = BMP(2, 2, 24, {}, Bytes(16, 7));
  ASSERT_TRUE(LoadBMP(whole));
  for (size_t size = 0; size < whole.size(); ++size) {
    EXPECT_FALSE(LoadBMP(Bytes(whole.begin(), whole.begin() + size))) << size;
  }
  Bytes compressed = whole;
  compressed[30] = 1;  // run-length encoded
  EXPECT_FALSE(LoadBMP(compressed));
  Bytes notBitmap = whole;
  notBitmap[0] = 'b';
  EXPECT_FALSE(LoadBMP(notBitmap));
  EXPECT_FALSE(LoadBMP(BMP(100000, 100000, 24, {}, {})));
  EXPECT_FALSE(LoadBMP(BMP(0, 1, 24, {}, {})));
}

TEST_F(BMPTGALoaderTest, BothPassEveryPNGOn) {
  Bytes png = test::EncodePNG(test::PNGImage(1, 1, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3}));
  EXPECT_FALSE(LoadTGA(png));
  EXPECT_FALSE(LoadBMP(png));
}

TEST_F(BMPTGALoaderTest, RegisteredTogetherEachFormatLoads) {
  InitBMPModule();
  InitPNGModule();
  InitTGAModule();
  Bytes png = test::EncodePNG(test::PNGImage(1, 1, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3}));
  Bytes bitmap = BMP(1, 1, 24, {}, {1, 2, 3, 0});
  Bytes targa = TGA(2, 1, 1, 24, 0, {1, 2, 3});
  Ref<TPixmap> fromPNG = LoadPixmap(StreamOver(png));
  Ref<TPixmap> fromBMP = LoadPixmap(StreamOver(bitmap));
  Ref<TPixmap> fromTGA = LoadPixmap(StreamOver(targa));
  ASSERT_TRUE(fromPNG && fromBMP && fromTGA);
  EXPECT_EQ(fromPNG->format, PF_RGB888);
  EXPECT_EQ(fromBMP->format, PF_BGR888);
  EXPECT_EQ(fromTGA->format, PF_BGR888);
  EXPECT_EQ(ReadPixel(fromPNG, 0, 0), 0xFF010203u);
  EXPECT_EQ(ReadPixel(fromBMP, 0, 0), 0xFF030201u);
  EXPECT_EQ(ReadPixel(fromTGA, 0, 0), 0xFF030201u);
}

}  // namespace
}  // namespace salvo
