#include "pixmap/png_loader.h"

#include <gtest/gtest.h>

#include "png_writer.h"
#include "runtime/embedded.h"
#include "runtime/error.h"

namespace salvo {
namespace {

using test::EncodePNG;
using test::PNGImage;
using test::StreamOver;

class PNGLoaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitPNGModule(); }
  void TearDown() override { ReleaseStep(); }
};

std::vector<uint8_t> Bytes(const Ref<TPixmap>& pixmap, int y) {
  uint8_t* row = GetPixelPtr(pixmap, 0, y);
  return std::vector<uint8_t>(row, row + pixmap->width * BytesPerPixel(pixmap->format));
}

Ref<TPixmap> Load(std::vector<uint8_t> file) {
  EXPECT_FALSE(file.empty());
  return LoadPixmap(StreamOver(file));
}

// A 16 x 16 RGBA picture with every pixel different.
PNGImage Gradient() {
  PNGImage image(16, 16, 8, PNG_COLOR_TYPE_RGB_ALPHA);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      image.pixels.insert(image.pixels.end(),
                          {uint8_t(x * 16), uint8_t(y * 16), uint8_t(x ^ y), uint8_t(255 - x - y)});
    }
  }
  return image;
}

TEST_F(PNGLoaderTest, RGB) {
  PNGImage image(2, 2, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  Ref<TPixmap> pixmap = Load(EncodePNG(image));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_RGB888);
  EXPECT_EQ(pixmap->width, 2);
  EXPECT_EQ(pixmap->height, 2);
  EXPECT_EQ(pixmap->pitch, 8);
  EXPECT_EQ(Bytes(pixmap, 0), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Bytes(pixmap, 1), (std::vector<uint8_t>{7, 8, 9, 10, 11, 12}));
}

TEST_F(PNGLoaderTest, RGBA) {
  PNGImage image = Gradient();
  Ref<TPixmap> pixmap = Load(EncodePNG(image));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_RGBA8888);
  for (int y = 0; y < 16; ++y) {
    std::vector<uint8_t> expected(image.pixels.begin() + y * 64,
                                  image.pixels.begin() + y * 64 + 64);
    EXPECT_EQ(Bytes(pixmap, y), expected) << "row " << y;
  }
}

TEST_F(PNGLoaderTest, Interlaced) {
  PNGImage image = Gradient();
  image.interlaced = true;
  Ref<TPixmap> pixmap = Load(EncodePNG(image));
  ASSERT_TRUE(pixmap);
  for (int y = 0; y < 16; ++y) {
    std::vector<uint8_t> expected(image.pixels.begin() + y * 64,
                                  image.pixels.begin() + y * 64 + 64);
    EXPECT_EQ(Bytes(pixmap, y), expected) << "row " << y;
  }
}

TEST_F(PNGLoaderTest, Grey) {
  PNGImage image(3, 1, 8, PNG_COLOR_TYPE_GRAY, {0, 128, 255});
  Ref<TPixmap> pixmap = Load(EncodePNG(image));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_I8);
  EXPECT_EQ(Bytes(pixmap, 0), (std::vector<uint8_t>{0, 128, 255}));
}

TEST_F(PNGLoaderTest, PaletteWithoutTransparencyIsRGB) {
  PNGImage image(3, 1, 8, PNG_COLOR_TYPE_PALETTE, {2, 0, 1});
  image.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  Ref<TPixmap> pixmap = Load(EncodePNG(image));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_RGB888);
  EXPECT_EQ(Bytes(pixmap, 0), (std::vector<uint8_t>{70, 80, 90, 10, 20, 30, 40, 50, 60}));
}

TEST_F(PNGLoaderTest, PaletteWithTransparencyIsRGBA) {
  PNGImage image(3, 1, 8, PNG_COLOR_TYPE_PALETTE, {2, 0, 1});
  image.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  image.paletteAlpha = {0, 128};  // entry 2 has no alpha entry: opaque
  Ref<TPixmap> pixmap = Load(EncodePNG(image));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_RGBA8888);
  EXPECT_EQ(Bytes(pixmap, 0),
            (std::vector<uint8_t>{70, 80, 90, 255, 10, 20, 30, 0, 40, 50, 60, 128}));
}

TEST_F(PNGLoaderTest, SixteenBitKeepsTheHighBytes) {
  PNGImage image(1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA,
                 {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFE, 0x01});
  Ref<TPixmap> pixmap = Load(EncodePNG(image));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_RGBA8888);
  EXPECT_EQ(Bytes(pixmap, 0), (std::vector<uint8_t>{0x12, 0x56, 0x9A, 0xFE}));
}

TEST_F(PNGLoaderTest, OneBitGreyExpandsToBlackAndWhite) {
  PNGImage image(8, 1, 1, PNG_COLOR_TYPE_GRAY, {0xB0});  // 1011 0000
  Ref<TPixmap> pixmap = Load(EncodePNG(image));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_I8);
  EXPECT_EQ(Bytes(pixmap, 0), (std::vector<uint8_t>{255, 0, 255, 255, 0, 0, 0, 0}));
}

TEST_F(PNGLoaderTest, GreyWithAlphaGivesNull) {
  PNGImage image(2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {10, 255, 20, 0});
  EXPECT_FALSE(Load(EncodePNG(image)));
  // A transparency key on a grey image turns it into grey with alpha too.
  PNGImage keyed(2, 1, 8, PNG_COLOR_TYPE_GRAY, {10, 20});
  keyed.greyKey = true;
  keyed.transparentGrey.gray = 10;
  EXPECT_FALSE(Load(EncodePNG(keyed)));
}

TEST_F(PNGLoaderTest, LoadsThroughAnEmbeddedFileUrl) {
  static const std::vector<uint8_t> file = EncodePNG(Gradient());
  RegisterEmbeddedFile(u"png_loader_test_gradient.png", file.data(), int32_t(file.size()));
  Ref<TPixmap> pixmap = LoadPixmap(u"incbin::png_loader_test_gradient.png");
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->width, 16);
  EXPECT_EQ(ReadPixel(pixmap, 3, 2), 0xFA302001u);  // r 48, g 32, b 3 ^ 2, a 255 - 5
}

TEST_F(PNGLoaderTest, LoadsFromTheStreamsCurrentPosition) {
  std::vector<uint8_t> file = {'j', 'u', 'n', 'k'};
  std::vector<uint8_t> png = EncodePNG(Gradient());
  file.insert(file.end(), png.begin(), png.end());
  Ref<TStream> stream = StreamOver(file);
  stream->Seek(4);
  Ref<TPixmap> pixmap = LoadPixmap(stream);
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->height, 16);
}

TEST_F(PNGLoaderTest, NonPNGGivesNullAfterEightBytes) {
  std::vector<uint8_t> bmp = {'B', 'M', 0x46, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 0x28, 0};
  Ref<TStream> stream = StreamOver(bmp);
  Ref<TPNGPixmapLoader> loader = New<TPNGPixmapLoader>();
  EXPECT_FALSE(loader->LoadPixmap(stream));
  EXPECT_EQ(stream->Pos(), 8);
  EXPECT_FALSE(LoadPixmap(StreamOver(bmp)));
}

TEST_F(PNGLoaderTest, ShortOrEmptyStreamsGiveNull) {
  std::vector<uint8_t> png = EncodePNG(Gradient());
  for (size_t size = 0; size <= 8; ++size) {
    std::vector<uint8_t> start(png.begin(), png.begin() + size);
    EXPECT_FALSE(LoadPixmap(StreamOver(start))) << size << " bytes";
  }
}

TEST_F(PNGLoaderTest, EveryTruncationGivesNull) {
  std::vector<uint8_t> png = EncodePNG(Gradient());
  ASSERT_TRUE(Load(png));
  for (size_t size = 9; size < png.size(); ++size) {
    std::vector<uint8_t> start(png.begin(), png.begin() + size);
    EXPECT_FALSE(LoadPixmap(StreamOver(start))) << size << " of " << png.size() << " bytes";
  }
}

TEST_F(PNGLoaderTest, CorruptDataGivesNull) {
  std::vector<uint8_t> png = EncodePNG(Gradient());
  size_t data = test::FindChunk(png, "IDAT");
  ASSERT_NE(data, 0u);
  // A damaged byte with the old checksum.
  std::vector<uint8_t> badCRC = png;
  badCRC[data + 10] ^= 0x55;
  EXPECT_FALSE(Load(badCRC));
  // Damaged compressed data behind a valid checksum.
  std::vector<uint8_t> badData = png;
  for (size_t i = data + 8; i < data + 20; ++i) badData[i] = 0xFF;
  test::FixChunkCRC(badData, data);
  EXPECT_FALSE(Load(badData));
}

TEST_F(PNGLoaderTest, EverySingleByteDamageIsSurvived) {
  // Whatever one damaged byte does, the loader returns Null or a pixmap of
  // the header's size without touching memory it does not own.
  std::vector<uint8_t> png = EncodePNG(Gradient());
  for (size_t i = 8; i < png.size(); ++i) {
    std::vector<uint8_t> damaged = png;
    damaged[i] ^= 0xA5;
    Ref<TPixmap> pixmap = LoadPixmap(StreamOver(damaged));
    if (pixmap) {
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
    std::vector<uint8_t> png = EncodePNG(Gradient());
    test::PatchHeaderSize(png, size[0], size[1]);
    EXPECT_FALSE(Load(png)) << size[0] << " x " << size[1];
  }
}

// A stream whose reads fail part-way through the file.
class FailingStream : public TMemoryStream {
 public:
  FailingStream(std::vector<uint8_t>& bytes, int32_t failAt, bool runtimeError)
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

TEST_F(PNGLoaderTest, StreamReadErrorLeavesTheLoaderAndLoadPixmapGivesNull) {
  std::vector<uint8_t> png = EncodePNG(Gradient());
  Ref<TPNGPixmapLoader> loader = New<TPNGPixmapLoader>();
  for (int32_t failAt : {20, 40, int32_t(png.size()) - 6}) {
    EXPECT_THROW(loader->LoadPixmap(New<FailingStream>(png, failAt, false)), TStreamReadException);
    EXPECT_FALSE(LoadPixmap(New<FailingStream>(png, failAt, false)));
  }
}

TEST_F(PNGLoaderTest, OtherStreamErrorsPassThrough) {
  std::vector<uint8_t> png = EncodePNG(Gradient());
  EXPECT_THROW(LoadPixmap(New<FailingStream>(png, 50, true)), RuntimeError);
}

}  // namespace
}  // namespace salvo
