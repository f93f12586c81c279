// Text layout of the image font through a recording driver: which glyph frame
// is drawn where, without a GPU.
#include <gtest/gtest.h>

#include <cstring>

#include "render/graphics.h"
#include "render/image_font.h"
#include "runtime/embedded.h"

namespace salvo {
namespace font_test {

struct FrameDraw {
  const TImageFrame* frame;
  float x0, y0, x1, y1, tx, ty;
};

std::vector<FrameDraw> frameDraws;

class RecordingFrame : public TImageFrame {
 public:
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override {
    frameDraws.push_back({this, x0, y0, x1, y1, tx, ty});
  }
  Ref<TPixmap> Lock(int, int) override { return nullptr; }
  void Unlock() override {}
};

// Accepts every call; frames record where they are drawn.
class RecordingDriver : public TDrawingDriver {
 public:
  void Open(int, int, int, int) override {}
  void Close() override {}
  void Present() override {}
  void SetMouseVisible(int) override {}
  Ref<TImageFrame> CreateFrame(int, int, int) override { return New<RecordingFrame>(); }
  Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>&, int flags) override {
    frameFlags.push_back(flags);
    return New<RecordingFrame>();
  }
  void SetBlend(int) override {}
  void SetAlpha(float) override {}
  void SetColor(int, int, int) override {}
  void SetClearColor(int, int, int) override {}
  void SetViewport(int, int, int, int) override {}
  void SetMatrix(float, float, float, float) override {}
  void SetLineWidth(float) override {}
  void Clear() override {}
  void Plot(float, float) override {}
  void DrawLine(float, float, float, float, float, float) override {}
  void DrawRect(float, float, float, float, float, float) override {}
  void DrawOval(float, float, float, float, float, float) override {}
  void DrawPoly(const std::vector<float>&, float, float, float, float) override {}
  void DrawPixmap(const Ref<TPixmap>&, int, int) override {}
  Ref<TPixmap> CapturePixmap(int, int, int, int) override { return nullptr; }

  std::vector<int> frameFlags;
};

class FontLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDriver_ = GetDrawingDriver();
    driver_ = New<RecordingDriver>();
    SetDrawingDriver(driver_);
    OpenGraphics(640, 480, 0, 0);
    frameDraws.clear();
  }
  void TearDown() override {
    CloseGraphics();
    SetDrawingDriver(previousDriver_);
    frameDraws.clear();
    ReleaseStep();
  }

  // The frame of the built-in glyph for a character.
  static const TImageFrame* GlyphFrame(char16_t code) {
    return GetImageFont()->glyphs[code - 32]->image->frames[0].Get();
  }
  static void ExpectGlyphAt(size_t draw, char16_t code, float tx, float ty) {
    ASSERT_LT(draw, frameDraws.size());
    const FrameDraw& d = frameDraws[draw];
    EXPECT_EQ(d.frame, GlyphFrame(code)) << "draw " << draw;
    EXPECT_FLOAT_EQ(d.tx, tx) << "draw " << draw;
    EXPECT_FLOAT_EQ(d.ty, ty) << "draw " << draw;
    EXPECT_EQ(d.x0, 0);
    EXPECT_EQ(d.y0, 0);
    EXPECT_EQ(d.x1, 8);
    EXPECT_EQ(d.y1, 16);
  }

  Ref<TDrawingDriver> previousDriver_;
  Ref<RecordingDriver> driver_;
};

// A font of three glyphs for 'a' to 'c' with chosen metrics, no images.
Ref<TImageFont> HandMadeFont(float advance, int glyphX, int glyphY, bool withImages = false) {
  Ref<TImageFont> font = New<TImageFont>();
  font->firstChar = 'a';
  font->height = 10;
  for (int i = 0; i < 3; ++i) {
    Ref<TImageGlyph> glyph = New<TImageGlyph>();
    glyph->advance = advance;
    glyph->x = glyphX;
    glyph->y = glyphY;
    glyph->width = 4;
    glyph->height = 6 + i;
    if (withImages) {
      glyph->image = TImage::Create(4, 6 + i, 1, 0);
      glyph->image->frames[0] = New<RecordingFrame>();
    }
    font->glyphs.push_back(glyph);
  }
  return font;
}

TEST_F(FontLayoutTest, BuiltInFontHoldsTheEmbeddedBitmap) {
  Ref<TImageFont> font = GetImageFont();
  ASSERT_TRUE(font);
  EXPECT_EQ(DrawingContext().defaultFont, font);
  EXPECT_EQ(font->style, 0);
  EXPECT_EQ(font->height, 16);
  EXPECT_EQ(font->firstChar, 32);
  ASSERT_EQ(font->CountGlyphs(), 96);
  ASSERT_EQ(EmbeddedFileSize(u"quarnfont.bin"), 1536);
  const auto* bits = static_cast<const uint8_t*>(EmbeddedFileData(u"quarnfont.bin"));

  int inked = 0;
  for (int g = 0; g < 96; ++g) {
    Ref<TImageGlyph> glyph = font->glyphs[g];
    EXPECT_EQ(glyph->advance, 8.0f);
    int x, y, w, h;
    glyph->GetRect(x, y, w, h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 16);
    Ref<TImage> image = glyph->image;
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 8);
    EXPECT_EQ(image->height, 16);
    EXPECT_EQ(image->flags, 0);
    EXPECT_EQ(image->handleX, 0);
    EXPECT_EQ(image->handleY, 0);
    Ref<TPixmap> pixels = image->pixmaps[0];
    for (int row = 0; row < 16; ++row) {
      for (int column = 0; column < 8; ++column) {
        const bool ink = (bits[row * 96 + g] >> column) & 1;
        inked += ink;
        ASSERT_EQ(ReadPixel(pixels, column, row), ink ? 0xFFFFFFFFu : 0u)
            << "glyph " << g << " column " << column << " row " << row;
      }
    }
  }
  EXPECT_GT(inked, 1000);  // a real font, not an empty file
  for (int flags : driver_->frameFlags) EXPECT_EQ(flags, 0);
  // Space has no ink.
  for (int row = 0; row < 16; ++row) EXPECT_EQ(bits[row * 96 + 0], 0);
}

TEST_F(FontLayoutTest, EveryOpenBuildsAFreshFontAndCloseDropsIt) {
  Ref<TImageFont> first = GetImageFont();
  OpenGraphics(320, 200, 0, 0);
  Ref<TImageFont> second = GetImageFont();
  EXPECT_NE(first, second);
  EXPECT_EQ(DrawingContext().defaultFont, second);
  // Glyphs never take the automatic mid-handle.
  SetAutoCentreHandle(1);
  EXPECT_EQ(TImageFont::CreateBuiltIn()->glyphs[33]->image->handleX, 0);
  SetAutoCentreHandle(0);
  CloseGraphics();
  EXPECT_FALSE(GetImageFont());
  EXPECT_FALSE(DrawingContext().defaultFont);
  OpenGraphics(640, 480, 0, 0);
}

TEST_F(FontLayoutTest, GlyphsFollowThePenOneAdvanceApart) {
  DrawText(u"AB", 10, 20);
  ASSERT_EQ(frameDraws.size(), 2u);
  ExpectGlyphAt(0, 'A', 10, 20);
  ExpectGlyphAt(1, 'B', 18, 20);
}

TEST_F(FontLayoutTest, CharactersOutsideTheFontAreSkippedWithoutMovingThePen) {
  DrawText(
      u"A\tB\nC\x1f"
      u"D\u00e9E\x7f",
      0, 0);
  ASSERT_EQ(frameDraws.size(), 6u);
  ExpectGlyphAt(0, 'A', 0, 0);
  ExpectGlyphAt(1, 'B', 8, 0);
  ExpectGlyphAt(2, 'C', 16, 0);
  ExpectGlyphAt(3, 'D', 24, 0);
  ExpectGlyphAt(4, 'E', 32, 0);
  ExpectGlyphAt(5, 0x7f, 40, 0);  // the last glyph of the font
  frameDraws.clear();
  DrawText(u"", 0, 0);
  DrawText(u"\r\n\t", 0, 0);
  EXPECT_TRUE(frameDraws.empty());
}

TEST_F(FontLayoutTest, ScaleAndRotationCarryThePen) {
  SetScale(2, 2);
  DrawText(u"AB", 10, 20);
  ExpectGlyphAt(1, 'B', 26, 20);           // 16 apart at scale 2
  EXPECT_EQ(MeasureTextWidth(u"AB"), 16);  // measuring ignores scale

  frameDraws.clear();
  SetTransform(90, 1, 1);
  DrawText(u"AB", 10, 20);
  ASSERT_EQ(frameDraws.size(), 2u);
  EXPECT_FLOAT_EQ(frameDraws[1].tx, 10 + 8 * DrawingContext().ix);
  EXPECT_FLOAT_EQ(frameDraws[1].ty, 28);  // down the screen
}

TEST_F(FontLayoutTest, HandleAndOriginMoveTheTextLikeAPrimitive) {
  SetOrigin(100, 50);
  SetHandle(4, 2);
  DrawText(u"A", 10, 20);
  ExpectGlyphAt(0, 'A', 106, 68);

  // The handle turns with the text: at 90 degrees a handle of (4, 0) lifts it.
  frameDraws.clear();
  SetOrigin(0, 0);
  SetHandle(4, 0);
  SetRotation(90);
  DrawText(u"A", 10, 20);
  ASSERT_EQ(frameDraws.size(), 1u);
  EXPECT_NEAR(frameDraws[0].tx, 10, 1e-5);
  EXPECT_FLOAT_EQ(frameDraws[0].ty, 16);
}

TEST_F(FontLayoutTest, GlyphOffsetsAreTruncatedTowardZero) {
  Ref<TImageFont> font = HandMadeFont(5, -3, 1, true);
  SetImageFont(font);
  SetScale(0.5f, 0.5f);
  DrawText(u"ab", 10, 20);
  ASSERT_EQ(frameDraws.size(), 2u);
  // dx = integer(-3 * 0.5) = -1, dy = integer(1 * 0.5) = 0.
  EXPECT_FLOAT_EQ(frameDraws[0].tx, 9);
  EXPECT_FLOAT_EQ(frameDraws[0].ty, 20);
  EXPECT_FLOAT_EQ(frameDraws[0].x1, 4);
  EXPECT_FLOAT_EQ(frameDraws[0].y1, 6);
  EXPECT_FLOAT_EQ(frameDraws[1].tx, 9 + 2.5f);
  EXPECT_FLOAT_EQ(frameDraws[1].y1, 7);
}

TEST_F(FontLayoutTest, GlyphsWithoutImagesStillAdvance) {
  SetImageFont(HandMadeFont(6, 0, 0));
  DrawText(u"abc", 0, 0);
  EXPECT_TRUE(frameDraws.empty());
  SetImageFont(HandMadeFont(6, 0, 0, true));
  DrawText(u"a?c", 0, 0);  // '?' is not in the font
  ASSERT_EQ(frameDraws.size(), 2u);
  EXPECT_FLOAT_EQ(frameDraws[1].tx, 6);
}

TEST_F(FontLayoutTest, MeasuresOfTheBuiltInFont) {
  EXPECT_EQ(MeasureTextWidth(u"Game Over"), 72);
  EXPECT_EQ(MeasureTextHeight(u"Game Over"), 16);
  EXPECT_EQ(MeasureTextWidth(u""), 0);
  EXPECT_EQ(MeasureTextHeight(u""), 0);
  EXPECT_EQ(MeasureTextWidth(u"\t\n"), 0);
  EXPECT_EQ(MeasureTextHeight(u"\t\n"), 0);
  EXPECT_EQ(MeasureTextWidth(u"A\tB"), 16);
  SetScale(3, 3);
  SetRotation(30);
  EXPECT_EQ(MeasureTextWidth(u"Game Over"), 72);
}

TEST_F(FontLayoutTest, MeasuredWidthTruncatesAfterEveryGlyph) {
  SetImageFont(HandMadeFont(2.5f, 0, 0));
  EXPECT_EQ(MeasureTextWidth(u"aaa"), 6);  // 2, 4, 6, not 7.5
  EXPECT_EQ(MeasureTextHeight(u"ab"), 7);  // the tallest glyph rectangle
  EXPECT_EQ(MeasureTextHeight(u"zz"), 0);
}

TEST_F(FontLayoutTest, SetImageFontNullSelectsTheBuiltInFont) {
  Ref<TImageFont> builtIn = GetImageFont();
  Ref<TImageFont> font = HandMadeFont(5, 0, 0);
  SetImageFont(font);
  EXPECT_EQ(GetImageFont(), font);
  EXPECT_EQ(MeasureTextWidth(u"abc"), 15);
  SetImageFont(nullptr);
  EXPECT_EQ(GetImageFont(), builtIn);
  // OpenGraphics selects a new built-in font again.
  SetImageFont(font);
  OpenGraphics(640, 480, 0, 0);
  EXPECT_NE(GetImageFont(), font);
  EXPECT_EQ(GetImageFont(), DrawingContext().defaultFont);
}

TEST_F(FontLayoutTest, TextNeedsAFont) {
  CloseGraphics();
  EXPECT_THROW(DrawText(u"A", 0, 0), RuntimeError);
  EXPECT_THROW(MeasureTextWidth(u"A"), RuntimeError);
}

// --- Fonts from font loaders ---

class TestGlyph : public TGlyph {
 public:
  explicit TestGlyph(Ref<TPixmap> pixels) : pixels_(std::move(pixels)) {}
  Ref<TPixmap> GetPixels() override { return pixels_; }
  float GetAdvance() override { return 7.5f; }
  void GetRect(int& x, int& y, int& w, int& h) override {
    x = 1;
    y = -2;
    w = 5;
    h = 9;
  }

 private:
  Ref<TPixmap> pixels_;
};

class TestFont : public TFont {
 public:
  int GetStyle() override { return 3; }
  int GetHeight() override { return 12; }
  int GetFirstChar() override { return 65; }
  int CountGlyphs() override { return 2; }
  Ref<TGlyph> LoadGlyph(int index) override {
    if (index == 0) {
      Ref<TPixmap> pixels = CreatePixmap(5, 9, PF_RGBA8888, 4);
      std::memset(pixels->pixels, 255, pixels->pitch * 9);
      return New<TestGlyph>(pixels);
    }
    return New<TestGlyph>(nullptr);
  }
};

// Knows only the URL "test::font"; a stream error for "test::broken".
class TestFontLoader : public TFontLoader {
 public:
  Ref<TFont> LoadFont(const StreamSource& source, int size, int style) override {
    lastSize = size;
    lastStyle = style;
    if (source.Url() == u"test::broken") throw TStreamReadException();
    if (source.Url() != u"test::font") return nullptr;
    return New<TestFont>();
  }
  int lastSize = 0;
  int lastStyle = 0;
};

TEST_F(FontLayoutTest, LoadImageFontBuildsGlyphImagesFromALoadersFont) {
  static Ref<TestFontLoader> loader = New<TestFontLoader>();
  Ref<TImageFont> font = LoadImageFont(u"test::font", 12, 1);
  ASSERT_TRUE(font);
  EXPECT_EQ(loader->lastSize, 12);
  EXPECT_EQ(loader->lastStyle, 1);
  EXPECT_EQ(font->style, 3);
  EXPECT_EQ(font->height, 12);
  EXPECT_EQ(font->firstChar, 65);
  ASSERT_EQ(font->CountGlyphs(), 2);
  Ref<TImageGlyph> inked = font->glyphs[0];
  EXPECT_EQ(inked->advance, 7.5f);
  EXPECT_EQ(inked->x, 1);
  EXPECT_EQ(inked->y, -2);
  EXPECT_EQ(inked->width, 5);
  EXPECT_EQ(inked->height, 9);
  ASSERT_TRUE(inked->image);
  EXPECT_EQ(inked->image->width, 5);
  EXPECT_EQ(inked->image->flags, ImageFiltered);
  EXPECT_FALSE(font->glyphs[1]->image);

  EXPECT_FALSE(LoadImageFont(u"test::other", 12, 0));
  EXPECT_FALSE(LoadImageFont(u"test::broken", 12, 0));
}

}  // namespace font_test
}  // namespace salvo
