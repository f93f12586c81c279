// The drawing front end against a driver that records every call with its
// resolved arguments: which driver calls each command makes and the state it
// keeps; and the image font's text layout: which glyph frame is drawn where.
// Not harness/recording_driver.h: these tests need raw calls in order and must
// not link the game.
#include <cmath>
#include <string>
#include <vector>

#include "gl_test_support.h"
#include "render/collision.h"
#include "render/image_font.h"

namespace salvo::testing {
namespace {

using Args = std::vector<float>;

struct Call {
  std::string name;
  Args args;
  const TImageFrame* frame = nullptr;  // the frame that drew, for "Draw"
};

struct RecordingFrame : TImageFrame {
  explicit RecordingFrame(std::vector<Call>* calls) : calls(calls) {}
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override {
    calls->push_back({"Draw", {x0, y0, x1, y1, tx, ty}, this});
  }
  Ref<TPixmap> Lock(int, int) override { return nullptr; }
  void Unlock() override {}
  std::vector<Call>* calls;
};

struct RecordingDriver : TDrawingDriver {
  std::vector<Call> calls;

  void Open(int w, int h, int d, int hz) override { Record("Open", w, h, d, hz); }
  void Close() override { Record("Close"); }
  void Present() override { Record("Present"); }
  void SetMouseVisible(int visible) override { Record("SetMouseVisible", visible); }
  Ref<TImageFrame> CreateFrame(int, int, int) override { return New<RecordingFrame>(&calls); }
  Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>&, int flags) override {
    Record("CreateFrameFromPixmap", flags);
    return New<RecordingFrame>(&calls);
  }
  void SetBlend(int mode) override { Record("SetBlend", mode); }
  void SetAlpha(float alpha) override { Record("SetAlpha", alpha); }
  void SetColor(int r, int g, int b) override { Record("SetColor", r, g, b); }
  void SetClearColor(int r, int g, int b) override { Record("SetClearColor", r, g, b); }
  void SetViewport(int x, int y, int w, int h) override { Record("SetViewport", x, y, w, h); }
  void SetMatrix(float ix, float iy, float jx, float jy) override {
    Record("SetMatrix", ix, iy, jx, jy);
  }
  void SetLineWidth(float width) override { Record("SetLineWidth", width); }
  void Clear() override { Record("Clear"); }
  void Plot(float x, float y) override { Record("Plot", x, y); }
  void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Record("DrawLine", x0, y0, x1, y1, tx, ty);
  }
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Record("DrawRect", x0, y0, x1, y1, tx, ty);
  }
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Record("DrawOval", x0, y0, x1, y1, tx, ty);
  }
  void DrawPoly(const std::vector<float>& points, float hx, float hy, float tx, float ty) override {
    Record("DrawPoly", hx, hy, tx, ty);
    calls.back().args.insert(calls.back().args.end(), points.begin(), points.end());
  }
  void DrawPixmap(const Ref<TPixmap>&, int x, int y) override { Record("DrawPixmap", x, y); }
  Ref<TPixmap> CapturePixmap(int, int, int w, int h) override {
    return CreatePixmap(w, h, PF_RGBA8888, 4);
  }

  // The recorded calls of one name, oldest first.
  std::vector<Call> Named(const std::string& name) const {
    std::vector<Call> found;
    for (const Call& call : calls) found.insert(found.end(), call.name == name ? 1 : 0, call);
    return found;
  }
  Args LastArgs(const std::string& name) const {
    const std::vector<Call> found = Named(name);
    return found.empty() ? Args{} : found.back().args;
  }

  template <class... Values>
  void Record(const char* name, Values... values) {
    calls.push_back({name, {static_cast<float>(values)...}});
  }
};

// The recording driver in place of the previous one, three display modes
// listed and a 640 x 480 window open; driver and modes put back after.
class FrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDrawingDriver(driver);
    SetGraphicsModes({New<TGraphicsMode>(640, 480, 16, 60), New<TGraphicsMode>(640, 480, 32, 60),
                      New<TGraphicsMode>(1024, 768, 32, 75)});
    OpenGraphics(640, 480, 0, 0);
    driver->calls.clear();
  }
  void TearDown() override {
    CloseGraphics();
    SetDrawingDriver(previous_);
    ReleaseStep();
    SetGraphicsModes(previousModes_);
    SetCollisionTransform(1, 0, 0, 1);
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

  Ref<RecordingDriver> driver = New<RecordingDriver>();

 private:
  Ref<TDrawingDriver> previous_ = GetDrawingDriver();
  std::vector<Ref<TGraphicsMode>> previousModes_ = DrawingContext().modes;
};

TEST_F(FrontEndTest,
       OpenGraphicsResetsTheWholeStateCloseClosesTheDriverOnceAndWithoutADriverCommandsRaise) {
  SetAutoCentreHandle(1);
  SetDefaultImageFlags(1);
  OpenGraphics(800, 600, 0, 0);  // windowed: any size
  const TDrawingContext& context = DrawingContext();
  EXPECT_EQ(Args({1.f * context.graphicsOpen, 1.f * GetGraphicsWidth(), 1.f * GetGraphicsHeight(),
                  1.f * context.autoCentreHandle, 1.f * context.defaultImageFlags,
                  1.f * context.blendMode, context.alpha}),
            Args({1, 800, 600, 0, ImageFiltered | ImageMasked, BlendMask, 1}));
  int x, y, w, h;
  GetViewport(x, y, w, h);
  EXPECT_EQ(Args({1.f * x, 1.f * y, 1.f * w, 1.f * h}), Args({0, 0, 800, 600}));
  EXPECT_EQ(driver->LastArgs("SetViewport"), Args({0, 0, 800, 600}));
  EXPECT_EQ(driver->LastArgs("SetMatrix"), Args({1, 0, 0, 1}));
  EXPECT_EQ(driver->LastArgs("SetBlend"), Args({1}));
  EXPECT_EQ(driver->LastArgs("SetColor"), Args({255, 255, 255}));
  // The built-in font's 96 glyphs, in unfiltered frames for crisp text (their
  // pixels are compared on screen by GLDrawingTest).
  ASSERT_EQ(driver->Named("CreateFrameFromPixmap").size(), 96u);
  for (const Call& call : driver->Named("CreateFrameFromPixmap")) EXPECT_EQ(call.args, Args({0}));

  SetDefaultImageFlags(-1);  // negative: left as it is
  EXPECT_EQ(DrawingContext().defaultImageFlags, ImageFiltered | ImageMasked);
  SetDefaultImageFlags(0);
  EXPECT_EQ(LoadImage(CreatePixmap(4, 4, PF_RGBA8888))->flags, 0);
  EXPECT_EQ(CreateImage(4, 4)->flags, ImageDynamic);

  CloseGraphics();
  CloseGraphics();
  EXPECT_EQ(driver->Named("Close").size(), 2u);  // the open of 800 x 600 closed the first display
  EXPECT_EQ(std::pair(GetGraphicsWidth(), DrawingContext().graphicsOpen), std::pair(0, 0));
  SetDrawingDriver(nullptr);
  EXPECT_THROW(DrawRect(0, 0, 1, 1), RuntimeError);
}

TEST_F(FrontEndTest,
       ModeQueriesMatchZeroAsAnythingAndAMissingFullScreenSizeFailsBeforeAnythingCloses) {
  EXPECT_EQ(CountGraphicsModes(), 3);
  EXPECT_EQ(GraphicsModeExists(640, 480, 0, 0), 1);
  EXPECT_EQ(GraphicsModeExists(0, 0, 32, 75), 1);
  EXPECT_EQ(GraphicsModeExists(640, 480, 24, 0), 0);
  EXPECT_EQ(GraphicsModeExists(800, 600, 0, 0), 0);
  int w, h, d, hz;
  GetGraphicsModeInfo(2, w, h, d, hz);
  EXPECT_EQ(Args({1.f * w, 1.f * h, 1.f * d, 1.f * hz}), Args({1024, 768, 32, 75}));
  EXPECT_THROW(GetGraphicsModeInfo(3, w, h, d, hz), RuntimeError);

  OpenGraphics(640, 480, 16, 60);
  driver->calls.clear();
  EXPECT_THROW(OpenGraphics(800, 600, 16, 60), RuntimeError);
  EXPECT_TRUE(driver->calls.empty());  // not even the close of the open display
  // Depth and rate are not checked against the list, only the size.
  OpenGraphics(1024, 768, 16, 50);
  EXPECT_EQ(driver->Named("Close").size(), 1u);
  EXPECT_EQ(driver->LastArgs("Open"), Args({1024, 768, 16, 50}));
}

TEST_F(FrontEndTest, HandlesAreStoredNegatedImagesDrawAboutTheirHandleAndTileWithTheIdentity) {
  SetHandle(3, 4);
  float x, y;
  GetHandle(x, y);
  EXPECT_EQ(Args({x, y}), Args({3, 4}));
  SetOrigin(100, 50);
  DrawRect(10, 20, 30, 40);
  EXPECT_EQ(driver->LastArgs("DrawRect"), Args({-3, -4, 27, 36, 110, 70}));
  DrawOval(10, 20, 30, 40);
  EXPECT_EQ(driver->LastArgs("DrawOval"), Args({-3, -4, 27, 36, 110, 70}));
  DrawPoly({1, 2, 3, 4, 5, 6});
  EXPECT_EQ(driver->LastArgs("DrawPoly"), Args({-3, -4, 100, 50, 1, 2, 3, 4, 5, 6}));
  DrawPoint(1, 2);  // no handle
  EXPECT_EQ(driver->LastArgs("Plot"), Args({101, 52}));
  DrawPixmap(CreatePixmap(1, 1, PF_RGBA8888), 7, 8);  // no origin
  EXPECT_EQ(driver->LastArgs("DrawPixmap"), Args({7, 8}));

  // Images draw about their own handle.
  SetAutoCentreHandle(1);
  const Ref<TImage> image = CreateImage(32, 16);
  SetOrigin(1, 2);
  DrawImage(image, 100, 100);
  EXPECT_EQ(driver->LastArgs("Draw"), Args({-16, -8, 16, 8, 101, 102}));
  DrawImageStretched(image, 100, 100, 64, 64);
  EXPECT_EQ(driver->LastArgs("Draw"), Args({-16, -8, 48, 56, 101, 102}));

  SetOrigin(0, 0);
  SetRotation(45);
  SetViewport(0, 0, 64, 32);
  driver->calls.clear();
  TileImage(image, 16, 8);  // the handle puts the first tile at (0, 0)
  EXPECT_EQ(driver->calls.front().args, Args({1, 0, 0, 1}));
  EXPECT_EQ(Draws().size(), 2u * 2);
  EXPECT_EQ(driver->calls[1].args, Args({0, 0, 32, 16, 0, 0}));
  EXPECT_NEAR(driver->calls.back().args[2], DrawingContext().jx, 1e-6);  // real matrix back
}

TEST_F(FrontEndTest, LinesPlotTheirMappedEndPointUnderTheMatrixThatFollowsEveryRotationAndScale) {
  // Which lines plot their end point is checked on screen by GLDrawingTest.
  DrawLine(0, 0, 10, 0, 1);
  EXPECT_EQ(driver->LastArgs("DrawLine"), Args({0, 0, 10, 0, 0, 0}));
  SetRotation(90);  // local (1, 0) maps to (ix, jx) = (0, 1): down the screen
  SetOrigin(100, 100);
  DrawLine(5, 5, 10, 5, 1);  // (5, 0) relative to the start turns to (0, 5)
  EXPECT_EQ(driver->LastArgs("Plot"), Args({105, 110}));

  struct Step {
    float rotation, scaleX, scaleY;
  };
  // Scale-only changes between rotations, rotations coming back, and -0.
  const Step steps[] = {{30, 1, 1}, {30, 2, 3},    {-45, 2, 3}, {-45, 0.5f, 0.25f}, {30, 1, 1},
                        {0, 1, 1},  {-0.0f, 1, 1}, {0, 4, 4},   {359, 1, 2},        {359, 3, 1}};
  for (const Step& step : steps) {
    SetRotation(step.rotation);
    SetScale(step.scaleX, step.scaleY);
    const double radians = step.rotation * 0.017453292519943295;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    const Args expected{c * step.scaleX, -s * step.scaleY, s * step.scaleX, c * step.scaleY};
    EXPECT_EQ(driver->LastArgs("SetMatrix"), expected) << "rotation " << step.rotation;
    EXPECT_EQ(std::signbit(DrawingContext().jx), std::signbit(expected[2]))
        << "rotation " << step.rotation;
  }
}

TEST_F(FrontEndTest, FrameNumbersOutsideTheImageRaiseBeforeTheDriverIsAsked) {
  const Ref<TImage> image = CreateImage(8, 8, 2);
  const std::pair<const char*, std::function<void(int)>> calls[] = {
      {"DrawImage", [&](int frame) { DrawImage(image, 10, 10, frame); }},
      {"DrawImageStretched", [&](int frame) { DrawImageStretched(image, 10, 10, 4, 4, frame); }},
      {"TileImage", [&](int frame) { TileImage(image, 0, 0, frame); }},
      {"LockImage", [&](int frame) { LockImage(image, frame); }},
      {"UnlockImage", [&](int frame) { UnlockImage(image, frame); }},
      {"CaptureImage", [&](int frame) { CaptureImage(image, 0, 0, frame); }},
  };
  for (const auto& [name, call] : calls) {
    for (int frame : {-1, 2, 1 << 30}) {
      driver->calls.clear();
      EXPECT_EQ(RuntimeErrorText([&] { call(frame); }), kArrayIndexMessage)
          << name << " frame " << frame;
      EXPECT_TRUE(driver->calls.empty()) << name << " frame " << frame;
    }
    EXPECT_NO_THROW(call(1)) << name;
  }
}

// --- Text layout ---

using FontLayoutTest = FrontEndTest;

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

TEST_F(FontLayoutTest,
       GlyphsFollowThePenThatRotationHandleAndOriginCarryAndCharactersOutsideTheFontAreSkipped) {
  DrawText(u"A\tB\nC\u001fD\u00e9E\x7f", 0, 0);
  ASSERT_EQ(Draws().size(), 6u);
  const char16_t drawn[] = u"ABCDE\x7f";  // 0x7f: the last glyph of the font
  for (int i = 0; i < 6; ++i) ExpectGlyphAt(i, drawn[i], 8.f * i, 0);
  driver->calls.clear();
  DrawText(u"", 0, 0);
  DrawText(u"\r\n\t", 0, 0);
  EXPECT_TRUE(Draws().empty());

  // How scale spaces the glyphs is checked on screen by GLDrawingTest.
  SetOrigin(100, 50);
  SetHandle(4, 2);
  DrawText(u"A", 10, 20);
  ExpectGlyphAt(0, 'A', 106, 68);

  // The handle turns with the text: at 90 degrees a handle of (4, 0) lifts it,
  // and the pen goes down the screen.
  driver->calls.clear();
  SetOrigin(0, 0);
  SetHandle(4, 0);
  SetRotation(90);
  DrawText(u"AB", 10, 20);
  ExpectGlyphAt(0, 'A', 10, 16);
  ExpectGlyphAt(1, 'B', 10, 24);
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
  const Ref<TImageFont> font = HandMadeFont(6, 0, 0, true);
  font->glyphs[1]->image = nullptr;
  SetImageFont(font);
  DrawText(u"abc", 0, 0);
  ASSERT_EQ(Draws().size(), 2u);
  EXPECT_FLOAT_EQ(Draws()[1].args[4], 12);  // past the 'b' that has no image
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
struct TestGlyph : TGlyph {
  explicit TestGlyph(Ref<TPixmap> pixels) : pixels(std::move(pixels)) {}
  Ref<TPixmap> GetPixels() override { return pixels; }
  float GetAdvance() override { return 7.5f; }
  void GetRect(int& x, int& y, int& w, int& h) override { x = 1, y = -2, w = 5, h = 9; }
  Ref<TPixmap> pixels;
};

// Style 3, height 12, two glyphs from 'A': the first with pixels, the second
// without. Known only as "test::font"; a stream error for "test::broken".
struct TestFont : TFont {
  int GetStyle() override { return 3; }
  int GetHeight() override { return 12; }
  int GetFirstChar() override { return 65; }
  int CountGlyphs() override { return 2; }
  Ref<TGlyph> LoadGlyph(int index) override {
    return New<TestGlyph>(index == 0 ? SolidPixmap(5, 9) : nullptr);
  }
};
struct TestFontLoader : TFontLoader {
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
