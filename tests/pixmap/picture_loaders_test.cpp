// LoadPixmap and its loader list, the PNG, BMP and TGA loaders, and the
// largest pictures the loaders still take.
#include <gtest/gtest.h>

#include <tuple>

#include "picture_writers.h"
#include "pixmap/bmp_loader.h"
#include "pixmap/png_loader.h"
#include "pixmap/tga_loader.h"
#include "runtime/error.h"

namespace salvo::test {
namespace {

using testing::closedStreams;
using testing::CountingStream;
using testing::FailingStream;
using testing::UnpositionedStream;

// LoadPixmap and the loader list. Loaders cannot be removed from the list, so
// the test loaders stay registered for the whole program and do nothing
// unless a test switches them on.
enum class Outcome { kOff, kNull, kStreamError, kRuntimeError, kPixmap };

// What each test loader does, newest (tried first) to oldest, and where the
// stream stood at each of its calls.
Outcome outcomes[3];
std::vector<int32_t> starts[3];

struct ScriptedLoader : TPixmapLoader {
  explicit ScriptedLoader(int index) : index(index) {}
  Ref<TPixmap> LoadPixmap(Ref<TStream> stream) override {
    const Outcome outcome = outcomes[index];
    if (outcome == Outcome::kOff) return nullptr;
    starts[index].push_back(stream->Pos());
    uint8_t scratch[5];
    stream->ReadBytes(scratch, sizeof scratch);  // moves the position on
    if (outcome == Outcome::kStreamError) throw TStreamReadException();
    if (outcome == Outcome::kRuntimeError) ThrowRuntimeError("scripted failure");
    return outcome == Outcome::kPixmap ? CreatePixmap(1, 1, PF_I8) : nullptr;
  }
  int index;
};

std::vector<uint8_t> sourceBytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// Serves "scripted::" URLs with counting streams.
struct ScriptedFactory : TStreamFactory {
  Ref<TStream> CreateStream(const String&, const String& protocol, const String&, bool,
                            bool) override {
    if (protocol != u"scripted") return nullptr;
    return New<CountingStream>(sourceBytes);
  }
};

class PixmapLoaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitPixmapModule();
    for (int index : {2, 1, 0}) New<ScriptedLoader>(index);
    New<ScriptedFactory>();
  }
  void SetUp() override {
    std::fill(std::begin(outcomes), std::end(outcomes), Outcome::kNull);
    for (std::vector<int32_t>& calls : starts) calls.clear();
    closedStreams = 0;
  }
  void TearDown() override {
    std::fill(std::begin(outcomes), std::end(outcomes), Outcome::kOff);
    ReleaseStep();
  }
};

TEST_F(PixmapLoaderTest, LoadersAreTriedNewestFirstFromTheSamePositionUntilOneGivesAPixmap) {
  EXPECT_NE(dynamic_cast<ScriptedLoader*>(FirstPixmapLoader().Get()), nullptr);
  // What the loaders do, newest first, whether a pixmap comes back, how many loaders are tried.
  const std::tuple<Outcome, Outcome, Outcome, bool, size_t> cases[] = {
      {Outcome::kNull, Outcome::kNull, Outcome::kNull, false, 3},
      {Outcome::kNull, Outcome::kNull, Outcome::kPixmap, true, 3},
      {Outcome::kNull, Outcome::kPixmap, Outcome::kPixmap, true, 2},
      // A stream error counts as Null.
      {Outcome::kStreamError, Outcome::kNull, Outcome::kPixmap, true, 3},
  };
  for (const auto& [newest, middle, oldest, loads, calls] : cases) {
    SetUp();
    std::tie(outcomes[0], outcomes[1], outcomes[2]) = std::tuple(newest, middle, oldest);
    Ref<TStream> stream = StreamOver(sourceBytes);
    stream->Seek(3);
    Ref<TPixmap> pixmap = LoadPixmap(stream);
    EXPECT_EQ(pixmap ? pixmap->format : PF_NONE, loads ? PF_I8 : PF_NONE);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(starts[i], i < calls ? std::vector<int32_t>{3} : std::vector<int32_t>{})
          << "loader " << i << " of case " << calls;
    }
  }
}

TEST_F(PixmapLoaderTest, UrlStreamsAreClosedOtherErrorsPassUnopenableOrUnpositionedGiveNull) {
  EXPECT_FALSE(LoadPixmap(u"scripted::nothing"));
  EXPECT_EQ(closedStreams, 1);
  outcomes[1] = Outcome::kRuntimeError;
  EXPECT_THROW(LoadPixmap(u"scripted::any"), RuntimeError);
  EXPECT_EQ(starts[2].size(), 1u);  // only in the first load
  EXPECT_EQ(closedStreams, 2);
  outcomes[1] = Outcome::kPixmap;
  EXPECT_TRUE(LoadPixmap(u"scripted::something"));
  EXPECT_EQ(closedStreams, 3);
  // Borrowed streams stay open.
  EXPECT_TRUE(LoadPixmap(New<CountingStream>(sourceBytes)));
  EXPECT_EQ(closedStreams, 3);
  // No loader is asked when there is nothing to read from.
  starts[0].clear();
  EXPECT_FALSE(LoadPixmap(u"incbin::no-such-picture.png"));
  EXPECT_FALSE(LoadPixmap(u"/no/such/folder/picture.png"));
  EXPECT_FALSE(LoadPixmap(u"unknown::picture.png"));
  EXPECT_FALSE(LoadPixmap(New<UnpositionedStream>()));
  EXPECT_TRUE(starts[0].empty());
}

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
  PNGImage image{16, 16, 8, PNG_COLOR_TYPE_RGB_ALPHA};
  image.interlaced = interlaced;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      image.pixels.insert(image.pixels.end(),
                          {uint8_t(x * 16), uint8_t(y * 16), uint8_t(x ^ y), uint8_t(255 - x - y)});
    }
  }
  return image;
}

class PNGLoaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitPNGModule(); }
  void TearDown() override { ReleaseStep(); }
  Bytes png = EncodePNG(Gradient());
};

PNGImage Palette(std::vector<png_byte> alpha) {
  PNGImage image{3, 1, 8, PNG_COLOR_TYPE_PALETTE, {2, 0, 1}};
  image.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  image.paletteAlpha = std::move(alpha);
  return image;
}

TEST_F(PNGLoaderTest, EachColourTypeAndDepthPlainOrInterlacedGivesItsFormatAndGreyWithAlphaNull) {
  auto expect = [](const char* name, const PNGImage& image, int format, const Bytes& pixels) {
    SCOPED_TRACE(name);
    Ref<TPixmap> pixmap = Load(EncodePNG(image));
    ASSERT_TRUE(pixmap);
    EXPECT_EQ(pixmap->format, format);
    EXPECT_EQ(Rows(pixmap), pixels);
  };
  const Bytes rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  expect("RGB", PNGImage{2, 2, 8, PNG_COLOR_TYPE_RGB, rgb}, PF_RGB888, rgb);
  EXPECT_EQ(Load(EncodePNG(PNGImage{2, 2, 8, PNG_COLOR_TYPE_RGB, rgb}))->pitch, 8);
  expect("grey", PNGImage{3, 1, 8, PNG_COLOR_TYPE_GRAY, {0, 128, 255}}, PF_I8, {0, 128, 255});
  expect("palette", Palette({}), PF_RGB888, {70, 80, 90, 10, 20, 30, 40, 50, 60});
  // Entry 2 has no alpha entry: opaque.
  expect("palette with alpha", Palette({0, 128}), PF_RGBA8888,
         {70, 80, 90, 255, 10, 20, 30, 0, 40, 50, 60, 128});
  expect(
      "16-bit keeps the high bytes",
      PNGImage{1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFE, 1}},
      PF_RGBA8888, {0x12, 0x56, 0x9A, 0xFE});
  expect("1-bit grey", PNGImage{8, 1, 1, PNG_COLOR_TYPE_GRAY, {0xB0}}, PF_I8,
         {255, 0, 255, 255, 0, 0, 0, 0});
  expect("RGBA", Gradient(), PF_RGBA8888, Gradient().pixels);
  expect("RGBA interlaced", Gradient(true), PF_RGBA8888, Gradient().pixels);
  EXPECT_FALSE(Load(EncodePNG(PNGImage{2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {10, 255, 20, 0}})));
  // A transparency key on a grey image turns it into grey with alpha too.
  PNGImage keyed{2, 1, 8, PNG_COLOR_TYPE_GRAY, {10, 20}};
  keyed.greyKey = true;
  keyed.transparentGrey.gray = 10;
  EXPECT_FALSE(Load(EncodePNG(keyed)));
}

TEST_F(PNGLoaderTest,
       LoadsFromTheStreamsPositionNonPNGGivesNullAfterEightBytesTruncationsAndReadErrorsGiveNull) {
  Bytes behindJunk = {'j', 'u', 'n', 'k'};
  behindJunk.insert(behindJunk.end(), png.begin(), png.end());
  Ref<TStream> stream = StreamOver(behindJunk);
  stream->Seek(4);
  Ref<TPixmap> pixmap = LoadPixmap(stream);
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(ReadPixel(pixmap, 3, 2), 0xFA302001u);  // r 48, g 32, b 3 ^ 2, a 255 - 5

  Bytes bmp = {'B', 'M', 0x46, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 0x28, 0};
  stream = StreamOver(bmp);
  EXPECT_FALSE(New<TPNGPixmapLoader>()->LoadPixmap(stream));
  EXPECT_EQ(stream->Pos(), 8);
  EXPECT_FALSE(LoadPixmap(StreamOver(bmp)));

  Ref<TPNGPixmapLoader> loader = New<TPNGPixmapLoader>();
  EXPECT_TRUE(LoadsOnlyWhole(png, *loader));
  for (int32_t failAt : {20, 40, int32_t(png.size()) - 6}) {
    EXPECT_THROW(loader->LoadPixmap(New<FailingStream>(png, failAt)), TStreamReadException);
    EXPECT_FALSE(LoadPixmap(New<FailingStream>(png, failAt)));
  }
  // Other errors pass through.
  EXPECT_THROW(LoadPixmap(New<FailingStream>(png, 50, true)), RuntimeError);
}

TEST_F(PNGLoaderTest,
       ImpossibleHeaderSizesOrCorruptDataGiveNullAndEverySingleByteDamageIsSurvived) {
  const uint32_t sizes[][2] = {
      {0, 16},    {16, 0},        {0x80000000u, 1},           {100000, 100000}, {16385, 1},
      {1, 16385}, {16384, 16384}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {1000, 1000},
  };
  for (const auto& size : sizes) {
    Bytes patched = png;
    PatchHeaderSize(patched, size[0], size[1]);
    EXPECT_FALSE(Load(patched)) << size[0] << " x " << size[1];
  }
  size_t data = FindChunk(png, "IDAT");
  ASSERT_NE(data, 0u);
  // Whatever one damaged byte does, the loader returns Null or a pixmap of
  // the header's size without touching memory it does not own; a damaged
  // byte of the data with the old checksum gives Null.
  for (size_t i = 8; i < png.size(); ++i) {
    Bytes damaged = png;
    damaged[i] ^= 0xA5;
    Ref<TPixmap> pixmap = LoadPixmap(StreamOver(damaged));
    EXPECT_TRUE(!pixmap || (i != data + 10 && int64_t(pixmap->width) * pixmap->height <= 256)) << i;
  }
}

class BMPTGALoaderTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseStep(); }
  Ref<TPixmap> LoadTGA(Bytes bytes) { return tga->LoadPixmap(StreamOver(bytes)); }
  Ref<TPixmap> LoadBMP(Bytes bytes) { return bmp->LoadPixmap(StreamOver(bytes)); }
  Ref<TTGAPixmapLoader> tga = New<TTGAPixmapLoader>();
  Ref<TBMPPixmapLoader> bmp = New<TBMPPixmapLoader>();
};

TEST_F(BMPTGALoaderTest, DecodesEachLayoutAndTGAAndBMPRejectWhatTheyCannotRead) {
  auto expect = [](const char* name, const Ref<TPixmap>& pixmap, int format,
                   std::initializer_list<std::tuple<int, int, uint32_t>> pixels) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(pixmap);
    EXPECT_EQ(pixmap->format, format);
    for (auto [x, y, value] : pixels) EXPECT_EQ(ReadPixel(pixmap, x, y), value) << x << "," << y;
  };
  const Bytes palette = {30, 20, 10, 0, 60, 50, 40, 0};  // blue, green, red, unused
  const uint32_t entry0 = 0xFF0A141Eu, entry1 = 0xFF28323Cu;
  // Bottom row first: blue-green-red bytes.
  expect("TGA 24 bottom-up", LoadTGA(TGA(2, 2, 2, 24, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})),
         PF_BGR888, {{0, 1, 0xFF030201u}, {1, 0, 0xFF0C0B0Au}});
  expect("TGA 32 top-down", LoadTGA(TGA(2, 1, 2, 32, 0x28, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})),
         PF_BGRA8888, {{0, 0, 0x04030201u}, {0, 1, 0x08070605u}});
  // A run of 3 grey pixels (value 9) crosses into the second row, then 1 literal.
  expect("TGA run-length grey", LoadTGA(TGA(11, 2, 2, 8, 0x20, {0x82, 9, 0x00, 77})), PF_I8,
         {{1, 0, 0xFF090909u}, {0, 1, 0xFF090909u}, {1, 1, 0xFF4D4D4Du}});
  // 6 bytes of pixels + 2 of padding per row; bottom row first.
  expect("BMP 24 padded bottom-up",
         LoadBMP(BMP(2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0})), PF_BGR888,
         {{0, 1, 0xFF030201u}, {1, 0, 0xFF0C0B0Au}});
  expect("BMP 32 top-down, alpha unused", LoadBMP(BMP(1, -2, 32, {}, {1, 2, 3, 0, 4, 5, 6, 0})),
         PF_BGRA8888, {{0, 0, 0xFF030201u}, {0, 1, 0xFF060504u}});
  expect("BMP 32 translucent", LoadBMP(BMP(1, 1, 32, {}, {1, 2, 3, 128})), PF_BGRA8888,
         {{0, 0, 0x80030201u}});
  expect("BMP 8-bit palette", LoadBMP(BMP(3, 1, 8, palette, {1, 0, 1, 0})), PF_RGB888,
         {{0, 0, entry1}, {1, 0, entry0}});
  expect("BMP 4-bit palette", LoadBMP(BMP(2, 1, 4, palette, {0x10, 0, 0, 0})), PF_RGB888,
         {{0, 0, entry1}, {1, 0, entry0}});
  expect("BMP 1-bit palette", LoadBMP(BMP(8, 1, 1, palette, {0xA0, 0, 0, 0})), PF_RGB888,
         {{0, 0, entry1}, {1, 0, entry0}, {2, 0, entry1}, {7, 0, entry0}});

  Bytes colourMapped = TGA(2, 1, 1, 24, 0, {1, 2, 3});
  colourMapped[1] = 1;
  EXPECT_FALSE(LoadTGA(colourMapped));
  EXPECT_FALSE(LoadTGA(TGA(1, 1, 1, 8, 0, {0})));            // palette picture
  EXPECT_FALSE(LoadTGA(TGA(2, 1, 1, 16, 0, {0, 0})));        // 16-bit colour
  EXPECT_FALSE(LoadTGA(TGA(2, 0, 1, 24, 0, {})));            // empty
  EXPECT_FALSE(LoadTGA(TGA(2, 65535, 65535, 32, 0, {})));    // far too large
  EXPECT_FALSE(LoadTGA(TGA(11, 2, 1, 8, 0x20, {0x85, 9})));  // a run longer than the picture
  EXPECT_TRUE(LoadsOnlyWhole(TGA(2, 2, 2, 24, 0, Bytes(12, 50)), *tga));
  Bytes whole = BMP(2, 2, 24, {}, Bytes(16, 7));
  EXPECT_TRUE(LoadsOnlyWhole(whole, *bmp));
  Bytes compressed = whole;
  compressed[30] = 1;  // run-length encoded
  EXPECT_FALSE(LoadBMP(compressed));
  Bytes notBitmap = whole;
  notBitmap[0] = 'b';
  EXPECT_FALSE(LoadBMP(notBitmap));
  EXPECT_FALSE(LoadBMP(BMP(100000, 100000, 24, {}, {})));
  EXPECT_FALSE(LoadBMP(BMP(0, 1, 24, {}, {})));
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
  Bytes png = EncodePNG(PNGImage{2048, 2048, 8, PNG_COLOR_TYPE_GRAY, Bytes(1 << 22, 0)});
  ASSERT_LT(png.size(), 2048u * 2049 / 500);
  pixmap = New<TPNGPixmapLoader>()->LoadPixmap(StreamOver(png));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->height, 2048);
}

}  // namespace
}  // namespace salvo::test
