#include "pixmap/png_loader.h"

#include <gtest/gtest.h>

#include "png_writer.h"
#include "runtime/error.h"

namespace salvo {
namespace {

using test::EncodePNG;
using test::PNGImage;
using test::StreamOver;
using Bytes = std::vector<uint8_t>;

class PNGLoaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitPNGModule(); }
  void TearDown() override { ReleaseStep(); }
};

// Every row of the pixmap, without padding.
Bytes Rows(const Ref<TPixmap>& pixmap) {
  Bytes bytes;
  for (int y = 0; y < pixmap->height; ++y) {
    uint8_t* row = GetPixelPtr(pixmap, 0, y);
    bytes.insert(bytes.end(), row, row + pixmap->width * BytesPerPixel(pixmap->format));
  }
  return bytes;
}

Ref<TPixmap> Load(Bytes file) {
  EXPECT_FALSE(file.empty());
  return LoadPixmap(StreamOver(file));
}

// A 16 x 16 RGBA picture with every pixel different.
PNGImage Gradient(bool interlaced = false) {
  PNGImage image(16, 16, 8, PNG_COLOR_TYPE_RGB_ALPHA);
  image.interlaced = interlaced;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      image.pixels.insert(image.pixels.end(),
                          {uint8_t(x * 16), uint8_t(y * 16), uint8_t(x ^ y), uint8_t(255 - x - y)});
    }
  }
  return image;
}

PNGImage Palette(std::vector<png_byte> alpha) {
  PNGImage image(3, 1, 8, PNG_COLOR_TYPE_PALETTE, {2, 0, 1});
  image.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  image.paletteAlpha = std::move(alpha);
  return image;
}

TEST_F(PNGLoaderTest, EachColourTypeAndDepthPlainOrInterlacedGivesItsFormat) {
  struct Case {
    const char* name;
    PNGImage image;
    int format;
    Bytes pixels;
  };
  const Case cases[] = {
      {"RGB",
       PNGImage(2, 2, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
       PF_RGB888,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"grey", PNGImage(3, 1, 8, PNG_COLOR_TYPE_GRAY, {0, 128, 255}), PF_I8, {0, 128, 255}},
      {"palette", Palette({}), PF_RGB888, {70, 80, 90, 10, 20, 30, 40, 50, 60}},
      // Entry 2 has no alpha entry: opaque.
      {"palette with alpha",
       Palette({0, 128}),
       PF_RGBA8888,
       {70, 80, 90, 255, 10, 20, 30, 0, 40, 50, 60, 128}},
      {"16-bit keeps the high bytes",
       PNGImage(1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFE, 1}),
       PF_RGBA8888,
       {0x12, 0x56, 0x9A, 0xFE}},
      {"1-bit grey",
       PNGImage(8, 1, 1, PNG_COLOR_TYPE_GRAY, {0xB0}),
       PF_I8,
       {255, 0, 255, 255, 0, 0, 0, 0}},
      {"RGBA", Gradient(), PF_RGBA8888, Gradient().pixels},
      {"RGBA interlaced", Gradient(true), PF_RGBA8888, Gradient().pixels},
  };
  for (const Case& c : cases) {
    Ref<TPixmap> pixmap = Load(EncodePNG(c.image));
    ASSERT_TRUE(pixmap) << c.name;
    EXPECT_EQ(pixmap->format, c.format) << c.name;
    EXPECT_EQ(Rows(pixmap), c.pixels) << c.name;
  }
  EXPECT_EQ(Load(EncodePNG(cases[0].image))->pitch, 8);
}

TEST_F(PNGLoaderTest, GreyWithAlphaGivesNull) {
  EXPECT_FALSE(Load(EncodePNG(PNGImage(2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {10, 255, 20, 0}))));
  // A transparency key on a grey image turns it into grey with alpha too.
  PNGImage keyed(2, 1, 8, PNG_COLOR_TYPE_GRAY, {10, 20});
  keyed.greyKey = true;
  keyed.transparentGrey.gray = 10;
  EXPECT_FALSE(Load(EncodePNG(keyed)));
}

TEST_F(PNGLoaderTest, LoadsFromTheStreamsPosition) {
  Bytes behindJunk = {'j', 'u', 'n', 'k'};
  const Bytes file = EncodePNG(Gradient());
  behindJunk.insert(behindJunk.end(), file.begin(), file.end());
  Ref<TStream> stream = StreamOver(behindJunk);
  stream->Seek(4);
  Ref<TPixmap> pixmap = LoadPixmap(stream);
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(ReadPixel(pixmap, 3, 2), 0xFA302001u);  // r 48, g 32, b 3 ^ 2, a 255 - 5
}

TEST_F(PNGLoaderTest, NonPNGGivesNullAfterEightBytes) {
  Bytes bmp = {'B', 'M', 0x46, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 0x28, 0};
  Ref<TStream> stream = StreamOver(bmp);
  EXPECT_FALSE(New<TPNGPixmapLoader>()->LoadPixmap(stream));
  EXPECT_EQ(stream->Pos(), 8);
  EXPECT_FALSE(LoadPixmap(StreamOver(bmp)));
}

TEST_F(PNGLoaderTest, EveryTruncationGivesNull) {
  EXPECT_TRUE(test::LoadsOnlyWhole(EncodePNG(Gradient()),
                                   [](Bytes& b) { return LoadPixmap(StreamOver(b)); }));
}

TEST_F(PNGLoaderTest, CorruptDataGivesNull) {
  Bytes png = EncodePNG(Gradient());
  size_t data = test::FindChunk(png, "IDAT");
  ASSERT_NE(data, 0u);
  // A damaged byte with the old checksum.
  Bytes badCRC = png;
  badCRC[data + 10] ^= 0x55;
  EXPECT_FALSE(Load(badCRC));
  // Damaged compressed data behind a valid checksum.
  Bytes badData = png;
  for (size_t i = data + 8; i < data + 20; ++i) badData[i] = 0xFF;
  test::FixChunkCRC(badData, data);
  EXPECT_FALSE(Load(badData));
}

TEST_F(PNGLoaderTest, EverySingleByteDamageIsSurvived) {
  // Whatever one damaged byte does, the loader returns Null or a pixmap of
  // the header's size without touching memory it does not own.
  Bytes png = EncodePNG(Gradient());
  for (size_t i = 8; i < png.size(); ++i) {
    Bytes damaged = png;
    damaged[i] ^= 0xA5;
    if (Ref<TPixmap> pixmap = LoadPixmap(StreamOver(damaged))) {
      EXPECT_LE(int64_t(pixmap->width) * pixmap->height, int64_t(16) * 16);
    }
  }
}

TEST_F(PNGLoaderTest, ImpossibleHeaderSizesGiveNull) {
  const uint32_t sizes[][2] = {
      {0, 16},    {16, 0},        {0x80000000u, 1},           {100000, 100000}, {16385, 1},
      {1, 16385}, {16384, 16384}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {1000, 1000},
  };
  for (const auto& size : sizes) {
    Bytes png = EncodePNG(Gradient());
    test::PatchHeaderSize(png, size[0], size[1]);
    EXPECT_FALSE(Load(png)) << size[0] << " x " << size[1];
  }
}

// A stream whose reads fail part-way through the file.
class FailingStream : public TMemoryStream {
 public:
  FailingStream(Bytes& bytes, int32_t failAt, bool runtimeError)
      : TMemoryStream(bytes.data(), int32_t(bytes.size()), true, false),
        failAt_(failAt),
        runtimeError_(runtimeError) {}
  int32_t Read(void* out, int32_t count) override {
    if (pos >= failAt_) {
      if (runtimeError_) ThrowRuntimeError("device gone");
      return 0;  // no progress before the end: a stream read error
    }
    return TMemoryStream::Read(out, std::min(count, failAt_ - pos));
  }

 private:
  int32_t failAt_;
  bool runtimeError_;
};

TEST_F(PNGLoaderTest, StreamReadErrorsLeaveTheLoaderAndLoadPixmapGivesNull) {
  Bytes png = EncodePNG(Gradient());
  Ref<TPNGPixmapLoader> loader = New<TPNGPixmapLoader>();
  for (int32_t failAt : {20, 40, int32_t(png.size()) - 6}) {
    EXPECT_THROW(loader->LoadPixmap(New<FailingStream>(png, failAt, false)), TStreamReadException);
    EXPECT_FALSE(LoadPixmap(New<FailingStream>(png, failAt, false)));
  }
  // Other errors pass through.
  EXPECT_THROW(LoadPixmap(New<FailingStream>(png, 50, true)), RuntimeError);
}

}  // namespace
}  // namespace salvo
