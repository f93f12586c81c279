// Text layout of the image font through a recording driver: which glyph frame
// is drawn where, without a GPU.
#include <cstring>

#include "recording_driver.h"
#include "render/image_font.h"

namespace salvo::testing {
namespace {

class FontLayoutTest : public RecordingTest {
 protected:
  void SetUp() override {
    RecordingTest::SetUp();
    OpenGraphics(640, 480, 0, 0);
    driver->calls.clear();
  }

  std::vector<Call> Draws() const { return driver->Named("Draw"); }

  // Draw `index` is the built-in glyph for `code`, 8 x 16, placed at (tx, ty).
  void ExpectGlyphAt(size_t index, char16_t code, float tx, float ty) const {
    const std::vector<Call> draws = Draws();
    ASSERT_LT(index, draws.size());
    EXPECT_EQ(draws[index].frame, GetImageFont()->glyphs[code - 32]->image->frames[0].Get())
        << "draw " << index;
    EXPECT_EQ(draws[index].args, Args({0, 0, 8, 16, tx, ty})) << "draw " << index;
  }
};

// A font of three glyphs for 'a' to 'c', 4 wide and 6, 7, 8 tall.
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
    if (withImages) glyph->image = TImage::CreateDynamic(4, 6 + i, 1, 0);
    font->glyphs.push_back(glyph);
  }
  return font;
}

TEST_F(FontLayoutTest, GlyphsFollowThePenAndCharactersOutsideTheFontAreSkipped) {
  DrawText(
      u"A\tB\nC\x1f"
      u"D\u00e9E\x7f",
      0, 0);
  ASSERT_EQ(Draws().size(), 6u);
  const char16_t drawn[] = u"ABCDE\x7f";  // 0x7f: the last glyph of the font
  for (int i = 0; i < 6; ++i) ExpectGlyphAt(i, drawn[i], 8.f * i, 0);
  driver->calls.clear();
  DrawText(u"", 0, 0);
  DrawText(u"\r\n\t", 0, 0);
  EXPECT_TRUE(Draws().empty());
}

TEST_F(FontLayoutTest, ScaleRotationHandleAndOriginCarryThePenLikeAPrimitive) {
  SetScale(2, 2);
  DrawText(u"AB", 10, 20);
  ExpectGlyphAt(0, 'A', 10, 20);
  ExpectGlyphAt(1, 'B', 26, 20);  // 16 apart at scale 2

  SetTransform(0, 1, 1);
  SetOrigin(100, 50);
  SetHandle(4, 2);
  DrawText(u"A", 10, 20);
  ExpectGlyphAt(2, 'A', 106, 68);

  // The handle turns with the text: at 90 degrees a handle of (4, 0) lifts it,
  // and the pen goes down the screen.
  driver->calls.clear();
  SetOrigin(0, 0);
  SetHandle(4, 0);
  SetRotation(90);
  DrawText(u"AB", 10, 20);
  ASSERT_EQ(Draws().size(), 2u);
  EXPECT_NEAR(Draws()[0].args[4], 10, 1e-5);
  EXPECT_FLOAT_EQ(Draws()[0].args[5], 16);
  EXPECT_NEAR(Draws()[1].args[4], 10, 1e-5);
  EXPECT_FLOAT_EQ(Draws()[1].args[5], 24);
}

TEST_F(FontLayoutTest, GlyphOffsetsAreTruncatedTowardZeroAndGlyphsWithoutImagesStillAdvance) {
  SetImageFont(HandMadeFont(5, -3, 1, true));
  SetScale(0.5f, 0.5f);
  DrawText(u"ab", 10, 20);
  // dx = integer(-3 * 0.5) = -1, dy = integer(1 * 0.5) = 0.
  ASSERT_EQ(Draws().size(), 2u);
  EXPECT_EQ(Draws()[0].args, Args({0, 0, 4, 6, 9, 20}));
  EXPECT_EQ(Draws()[1].args, Args({0, 0, 4, 7, 9 + 2.5f, 20}));

  driver->calls.clear();
  SetScale(1, 1);
  SetImageFont(HandMadeFont(6, 0, 0));
  DrawText(u"abc", 0, 0);
  EXPECT_TRUE(Draws().empty());
  SetImageFont(HandMadeFont(6, 0, 0, true));
  DrawText(u"a?c", 0, 0);  // '?' is not in the font
  ASSERT_EQ(Draws().size(), 2u);
  EXPECT_FLOAT_EQ(Draws()[1].args[4], 6);
}

TEST_F(FontLayoutTest, MeasuresOfTheBuiltInFontIgnoreScaleAndTruncateAfterEveryGlyph) {
  struct Case {
    const char16_t* text;
    int width, height;
  };
  for (const Case& c :
       {Case{u"Game Over", 72, 16}, Case{u"", 0, 0}, Case{u"\t\n", 0, 0}, Case{u"A\tB", 16, 16}}) {
    EXPECT_EQ(MeasureTextWidth(c.text), c.width);
    EXPECT_EQ(MeasureTextHeight(c.text), c.height);
  }
  SetScale(3, 3);
  SetRotation(30);
  EXPECT_EQ(MeasureTextWidth(u"Game Over"), 72);
  SetImageFont(HandMadeFont(2.5f, 0, 0));
  EXPECT_EQ(MeasureTextWidth(u"aaa"), 6);  // 2, 4, 6, not 7.5
  EXPECT_EQ(MeasureTextHeight(u"ab"), 7);  // the tallest glyph rectangle
  EXPECT_EQ(MeasureTextHeight(u"zz"), 0);
}

TEST_F(FontLayoutTest, EveryOpenBuildsAFreshBuiltInFontAndSetImageFontNullSelectsIt) {
  Ref<TImageFont> builtIn = GetImageFont();
  Ref<TImageFont> font = HandMadeFont(5, 0, 0);
  SetImageFont(font);
  EXPECT_EQ(GetImageFont(), font);
  EXPECT_EQ(MeasureTextWidth(u"abc"), 15);
  SetImageFont(nullptr);
  EXPECT_EQ(GetImageFont(), builtIn);
  SetImageFont(font);
  OpenGraphics(640, 480, 0, 0);
  EXPECT_NE(GetImageFont(), font);
  EXPECT_NE(GetImageFont(), builtIn);
  // Glyphs never take the automatic mid-handle.
  SetAutoCentreHandle(1);
  EXPECT_EQ(TImageFont::CreateBuiltIn()->glyphs[33]->image->handleX, 0);
  // Closing drops the fonts; text then needs one.
  CloseGraphics();
  EXPECT_FALSE(GetImageFont());
  EXPECT_FALSE(DrawingContext().defaultFont);
  EXPECT_THROW(DrawText(u"A", 0, 0), RuntimeError);
  EXPECT_THROW(MeasureTextWidth(u"A"), RuntimeError);
}

// --- Fonts from font loaders ---

// Glyphs of advance 7.5 and rectangle (1, -2, 5, 9); white pixels, or none.
class TestGlyph : public TGlyph {
 public:
  explicit TestGlyph(Ref<TPixmap> pixels) : pixels_(std::move(pixels)) {}
  Ref<TPixmap> GetPixels() override { return pixels_; }
  float GetAdvance() override { return 7.5f; }
  void GetRect(int& x, int& y, int& w, int& h) override { x = 1, y = -2, w = 5, h = 9; }

 private:
  Ref<TPixmap> pixels_;
};

// Style 3, height 12, two glyphs from 'A': the first with pixels, the second
// without. Known only as "test::font"; a stream error for "test::broken".
class TestFont : public TFont {
 public:
  int GetStyle() override { return 3; }
  int GetHeight() override { return 12; }
  int GetFirstChar() override { return 65; }
  int CountGlyphs() override { return 2; }
  Ref<TGlyph> LoadGlyph(int index) override {
    Ref<TPixmap> pixels = CreatePixmap(5, 9, PF_RGBA8888, 4);
    std::memset(pixels->pixels, 255, pixels->pitch * 9);
    return New<TestGlyph>(index == 0 ? pixels : nullptr);
  }
};
class TestFontLoader : public TFontLoader {
 public:
  Ref<TFont> LoadFont(const StreamSource& source, int size, int style) override {
    asked = {1.f * size, 1.f * style};
    if (source.Url() == u"test::broken") throw TStreamReadException();
    return source.Url() == u"test::font" ? New<TestFont>() : nullptr;
  }
  Args asked;
};

TEST_F(FontLayoutTest, LoadImageFontBuildsGlyphImagesFromALoadersFont) {
  static Ref<TestFontLoader> loader = New<TestFontLoader>();
  Ref<TImageFont> font = LoadImageFont(u"test::font", 12, 1);
  ASSERT_TRUE(font);
  EXPECT_EQ(loader->asked, Args({12, 1}));
  EXPECT_EQ(Args({1.f * font->style, 1.f * font->height, 1.f * font->firstChar}),
            Args({3, 12, 65}));
  ASSERT_EQ(font->CountGlyphs(), 2);
  Ref<TImageGlyph> inked = font->glyphs[0];
  EXPECT_EQ(Args({inked->advance, 1.f * inked->x, 1.f * inked->y, 1.f * inked->width,
                  1.f * inked->height}),
            Args({7.5f, 1, -2, 5, 9}));
  ASSERT_TRUE(inked->image);
  EXPECT_EQ(inked->image->width, 5);
  EXPECT_EQ(inked->image->flags, ImageFiltered);
  EXPECT_FALSE(font->glyphs[1]->image);

  EXPECT_FALSE(LoadImageFont(u"test::other", 12, 0));
  EXPECT_FALSE(LoadImageFont(u"test::broken", 12, 0));
}

}  // namespace
}  // namespace salvo::testing
