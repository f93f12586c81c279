// Primitives, blend modes, pixmaps, text and images through the OpenGL driver,
// checked on pixels read back from the back buffer (text pixel by pixel against
// the embedded font bitmap); image textures and their padding, mipmaps, frames
// of reopened contexts, tiling, strips, masking and locking; and collision
// checked against what the same placement draws on screen.
#include <GL/gl.h>

#include <array>
#include <vector>

#include "gl_test_support.h"
#include "render/collision.h"
#include "render/image_font.h"
#include "runtime/embedded.h"

namespace salvo::testing {
namespace {

using GLDrawingTest = GLTest;
using ImageTest = GLTest;

TEST_F(GLDrawingTest, BlendModesCombineWithTheBackgroundAndChangesAreCachedUntilTheNextOpen) {
  SetBlendMode(BlendAlpha);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  // Behind the driver's back: the same mode again is skipped.
  glDisable(GL_BLEND);
  SetBlendMode(BlendAlpha);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  OpenGraphics(640, 480, 0, 0);
  EXPECT_EQ(GLState().currentBlend, BlendMask);  // applied by OpenGraphics
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));

  // A 20 x 20 square of each colour, alpha and mode over (200, 100, 0).
  struct Case {
    int mode;
    Rgb color;
    float alpha;
    Rgb expected;
  };
  const Case cases[] = {
      {BlendSolid, {0, 0, 255}, 0.1f, {0, 0, 255}},
      // Alpha byte 127: source weight 127/255, destination 128/255.
      {BlendAlpha, {0, 0, 255}, 0.5f, {100, 50, 127}},
      {BlendAdditive, {40, 40, 255}, 0.5f, {220, 120, 127}},
      {BlendMultiply, {128, 255, 255}, 1.0f, {100, 100, 0}},
      {9, {0, 255, 0}, 0.0f, {0, 255, 0}},  // unknown: solid
      // Mask drops pixels below half alpha.
      {BlendMask, {0, 0, 255}, 0.4f, {200, 100, 0}},
      {BlendMask, {0, 0, 255}, 0.6f, {0, 0, 255}},
      // Alpha out of range is clamped by the driver.
      {BlendAlpha, {0, 0, 255}, 2.0f, {0, 0, 255}},
      {BlendAlpha, {0, 0, 255}, -1.0f, {200, 100, 0}},
  };
  for (const Case& c : cases) {
    SetClearColor(200, 100, 0);
    ClearScreen();
    SetBlendMode(c.mode);
    SetColor(c.color.r, c.color.g, c.color.b);
    SetAlpha(c.alpha);
    DrawRect(50, 50, 20, 20);
    EXPECT_TRUE(Near(PixelAt(60, 60), c.expected)) << "mode " << c.mode << " alpha " << c.alpha;
  }
}

TEST_F(GLDrawingTest, RectanglesRotateScaleAndShiftByHandleAndOrigin) {
  SetRotation(90);  // local (x, y) lands at (-y, x): clockwise on screen
  DrawRect(100, 100, 20, 10);
  ExpectLit({{95, 110}, {91, 118}}, {{105, 110}, {95, 95}, {95, 121}});

  ClearScreen();
  SetTransform(0, 2, 3);
  DrawRect(10, 10, 5, 5);  // covers 10..20 x 10..25
  ExpectLit({{10, 10}, {19, 24}}, {{20, 15}, {15, 25}});

  ClearScreen();
  SetTransform(0, 1, 1);
  SetOrigin(100, 50);
  SetHandle(10, 5);
  DrawRect(0, 0, 4, 4);  // covers 90..94 x 45..49
  ExpectLit({{90, 45}, {93, 48}}, {{94, 48}, {100, 50}});
}

TEST_F(GLDrawingTest, LinesLightTheirLastPixelOnlyWhenAskedPointsTheirPixelPolygonsNeedThreeEven) {
  DrawLine(10, 20, 30, 20, 0);
  DrawLine(10, 40, 30, 40, 1);
  DrawPoint(7, 9);
  ExpectLit({{10, 20}, {29, 20}, {30, 40}, {7, 9}},
            {{30, 20}, {31, 40}, {20, 41}, {8, 9}, {7, 10}});
  // Polygons need three points and an even count of coordinates.
  DrawPoly({10, 10, 30, 10});
  DrawPoly({10, 10, 30, 10, 10, 30, 5});
  SetOrigin(100, 0);
  DrawPoly({10, 10, 30, 10, 10, 30});
  ExpectLit({{114, 14}}, {{14, 14}, {128, 28}});
}

TEST_F(GLDrawingTest, OvalsFillTheirRectangleWithAtLeastTwelveSegmentsAMultipleOfFour) {
  DrawOval(100, 100, 100, 60);
  // The corners are outside.
  ExpectLit({{150, 130}, {102, 130}, {197, 130}, {150, 101}, {150, 158}},
            {{98, 130}, {201, 130}, {150, 98}, {150, 161}, {103, 103}});
  EXPECT_EQ(OvalSegments(2, 2), 12);     // a 4 x 4 oval
  EXPECT_EQ(OvalSegments(-50, 30), 80);  // 100 x 60, mirrored
  EXPECT_EQ(OvalSegments(11, 7), 16);    // 18 rounded down
  EXPECT_EQ(OvalSegments(1e30f, 1e30f) % 4, 0);
}

TEST_F(GLDrawingTest, PixmapsLandUntransformedWithTheirTopLeftAtThePosition) {
  const Ref<TPixmap> pixmap = PaintedPixmap(4, 3, [](int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>((x * 60) << 16 | (y * 100) << 8 | 7);
  });
  SetOrigin(30, 30);
  SetRotation(45);
  SetBlendMode(BlendAlpha);
  SetAlpha(0.25f);
  SetColor(255, 0, 0);
  DrawPixmap(pixmap, 50, 60);
  EXPECT_TRUE(SamePixels(pixmap, CapturePixmap(50, 60, 4, 3)));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));  // the blend mode is back in force

  // Pixmaps may hang off the top left.
  ClearScreen();
  SetBlendMode(BlendSolid);
  DrawPixmap(SolidPixmap(10, 10), -5, -5);
  ExpectLit({{0, 0}, {4, 4}}, {{5, 5}});
}

// The text's box on screen is ink colour where the font bitmap has ink (each
// font pixel a scale x scale block) and black elsewhere.
void ExpectTextOnScreen(const String& text, int x, int y, int scale, uint32_t ink) {
  const auto* bits = static_cast<const uint8_t*>(EmbeddedFileData(u"quarnfont.bin"));
  const int width = static_cast<int>(text.size()) * 8 * scale;
  const Ref<TPixmap> expected = PaintedPixmap(width, 16 * scale, [&](int px, int py) {
    const int glyph = text[px / (8 * scale)] - 32;
    return 0xFF000000u | ((bits[py / scale * 96 + glyph] >> (px / scale % 8) & 1) ? ink : 0u);
  });
  EXPECT_TRUE(SamePixels(expected, CapturePixmap(x, y, width, 16 * scale)))
      << "text at " << x << ", " << y;
}

TEST_F(GLDrawingTest, TextMatchesTheBitmapAtEveryScaleInTheCurrentColour) {
  // Every glyph of the font (two rows of 48), then scaled and coloured text.
  ASSERT_EQ(EmbeddedFileSize(u"quarnfont.bin"), 1536);
  String glyphs;
  for (char16_t code = 32; code < 128; ++code) glyphs += code;
  struct Case {
    String text;
    int x, y, scale;
    uint32_t ink;
  };
  const Case cases[] = {{glyphs.substr(0, 48), 0, 20, 1, 0xFFFFFF},
                        {glyphs.substr(48), 0, 40, 1, 0xFFFFFF},
                        {u"Hi@", 5, 100, 3, 0xFFFFFF},
                        {u"Red", 50, 50, 1, 0xFF0000},
                        {u"MW", 100, 200, 2, 0xFFFFFF}};
  for (const Case& c : cases) {
    ClearScreen();
    SetScale(c.scale, c.scale);
    SetColor(c.ink >> 16, (c.ink >> 8) & 255, c.ink & 255);
    DrawText(c.text, c.x, c.y);
    ExpectTextOnScreen(c.text, c.x, c.y, c.scale, c.ink);
  }
  // At scale 2 glyphs are 16 x 32: spaces (no ink) beside and below stay black.
  ExpectTextOnScreen(u"MW ", 100, 200, 2, 0xFFFFFF);
  ExpectTextOnScreen(u"   ", 100, 232, 2, 0xFFFFFF);
  ExpectTextOnScreen(String(40, u' '), 0, 168, 2, 0xFFFFFF);
}

// Draws the two images additively in red and green and reports whether any
// pixel got both: what the eye would call an overlap.
bool DrawnOverlap(const Ref<TImage>& a, float ax, float ay, const Ref<TImage>& b, float bx,
                  float by) {
  ClearScreen();
  SetBlendMode(BlendAdditive);
  SetColor(255, 0, 0);
  DrawImage(a, ax, ay);
  SetColor(0, 255, 0);
  DrawImage(b, bx, by);
  const Ref<TPixmap> screen = CapturePixmap(0, 0, 640, 480);
  for (int i = 0; i < 640 * 480; ++i) {
    const uint32_t pixel = ReadPixel(screen, i % 640, i / 640);
    if (((pixel >> 16) & 255) > 128 && ((pixel >> 8) & 255) > 128) return true;
  }
  return false;
}

TEST_F(GLDrawingTest, CollisionAgreesWithWhatIsDrawnUnderTheFrontEndTransform) {
  // A 24 x 24 ring, opaque between radius 6 and 11 around the centre, and a bar.
  auto ringPaint = [](int x, int y) {
    const float dx = x + 0.5f - 12;
    const float dy = y + 0.5f - 12;
    return dx * dx + dy * dy >= 36 && dx * dx + dy * dy <= 121 ? 0xFFFFFFFFu : 0u;
  };
  Ref<TImage> ring = LoadImage(PaintedPixmap(24, 24, ringPaint), 0);
  SetImageHandle(ring, 12, 2);
  Ref<TImage> bar = LoadImage(SolidPixmap(20, 4), 0);
  SetOrigin(20, 10);

  struct Case {
    float rotation, scaleX, scaleY, barX, barY;
  };
  const Case cases[] = {
      {0, 1, 1, 200, 210},    {0, 1, 1, 196, 204},      {45, 1, 1, 200, 210},
      {45, 1, 1, 185, 215},   {45, 1, 1, 170, 220},     {30, -1, 1, 200, 212},
      {30, -1, 1, 210, 205},  {120, 1.5f, 1, 190, 195}, {120, 1.5f, 1, 205, 192},
      {200, 2, -1, 200, 200}, {200, 2, -1, 185, 190},   {300, 1, 2, 230, 220},
  };
  int hits = 0;
  for (const Case& c : cases) {
    SetTransform(c.rotation, c.scaleX, c.scaleY);
    const bool drawn = DrawnOverlap(ring, 200, 200, bar, c.barX, c.barY);
    const int tested = ImagesOverlap(ring, 200, 200, 0, bar, c.barX, c.barY, 0);
    EXPECT_EQ(tested, drawn ? 1 : 0) << "rotation " << c.rotation << " scale " << c.scaleX << ", "
                                     << c.scaleY << " bar at " << c.barX << ", " << c.barY;
    hits += tested;
  }
  // Both outcomes occur among the cases.
  EXPECT_GT(hits, 2);
  EXPECT_LT(hits, 10);
}

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

TGLImageFrame& GLFrame(const Ref<TImage>& image) {
  return *Cast<TGLImageFrame>(image->frames[0]);
}

// A level of the frame's texture: 0xAABBGGRR words in memory order; empty past the last level.
struct TextureLevel {
  int width = 0, height = 0;
  std::vector<uint32_t> texels;
  uint32_t Rgb(int x, int y) const { return texels[y * width + x] & 0xFFFFFF; }
};

TextureLevel ReadTextureLevel(const Ref<TImage>& image, int level) {
  BindTexture(GLFrame(image).texture);
  TextureLevel result;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &result.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &result.height);
  result.texels.resize(static_cast<size_t>(result.width) * result.height);
  if (!result.texels.empty())
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, result.texels.data());
  return result;
}

TEST_F(ImageTest,
       DeletedTexturesSpareLiveOnesNonPowerOfTwoImagesArePaddedFilteredOnesGetFullMipmaps) {
  Ref<TImage> old = LoadImage(SolidPixmap(8, 8, 0xFFFF0000), 0);
  OpenGraphics(640, 480, 0, 0);
  const Ref<TImage> fresh = LoadImage(SolidPixmap(8, 8, 0xFF00FF00), 0);
  old = nullptr;
  ReleaseStep();  // must not delete the new context's texture of the same name
  DrawImage(fresh, 10, 10);
  ExpectColour({{12, 12}}, {0, 255, 0});

  // GL unbinds a deleted texture and may hand its name out again: it must be bound anew.
  Ref<TImage> first = LoadImage(SolidPixmap(8, 8, 0xFFFF0000), 0);
  DrawImage(first, 10, 10);
  EXPECT_EQ(GLState().boundTexture, GLFrame(first).texture);
  first = nullptr;
  ReleaseStep();
  EXPECT_EQ(GLState().boundTexture, 0u);
  DrawImage(LoadImage(SolidPixmap(8, 8, 0xFF0000FF), 0), 10, 10);
  ExpectColour({{12, 12}}, {0, 0, 255});

  // Pixel (x, y) has red x * 10 and green y * 20: 0xGGRR in texel byte order.
  auto paint = [](int x, int y) { return 0xFF000000u | (x * 10u) << 16 | (y * 20u) << 8; };
  const Ref<TImage> image = LoadImage(PaintedPixmap(20, 10, paint), 0);
  EXPECT_EQ(std::pair(GLFrame(image).uMax, GLFrame(image).vMax), std::pair(0.625f, 0.625f));
  const TextureLevel texture = ReadTextureLevel(image, 0);
  ASSERT_EQ(std::pair(texture.width, texture.height), std::pair(32, 16));
  // Column 20 repeats column 19, row 10 row 9, and so on to the edges.
  for (auto [x, y, fromX, fromY] :
       {std::array{7, 3, 7, 3}, {20, 4, 19, 4}, {5, 10, 5, 9}, {20, 10, 19, 9}, {31, 15, 19, 9}}) {
    EXPECT_EQ(texture.Rgb(x, y), (fromY * 20u) << 8 | fromX * 10u) << x << ", " << y;
  }

  // Powers of two need no padding.
  const Ref<TImage> square = LoadImage(SolidPixmap(64, 64, kWhite, PF_RGB888), 0);
  EXPECT_EQ(std::pair(GLFrame(square).uMax, GLFrame(square).vMax), std::pair(1.0f, 1.0f));

  const Ref<TPixmap> pixmap =
      PaintedPixmap(32, 16, [](int x, int) { return x % 2 ? 0xFFFF0000u : 0xFF0000FFu; });
  const Ref<TImage> filtered = LoadImage(pixmap, ImageFiltered);
  const TextureLevel level1 = ReadTextureLevel(filtered, 1);
  EXPECT_EQ(std::pair(level1.width, level1.height), std::pair(16, 8));
  EXPECT_EQ(level1.Rgb(3, 0), 0x7F007Fu);             // red and blue columns averaged
  EXPECT_EQ(ReadTextureLevel(filtered, 5).width, 1);  // 32x16 down to 1x1
  EXPECT_EQ(ReadTextureLevel(filtered, 6).width, 0);
  EXPECT_EQ(ReadTextureLevel(LoadImage(pixmap, 0), 1).width, 0);
}

TEST_F(ImageTest, TilesCoverTheViewportExactlyAtAnyOffset) {
  const Ref<TImage> image = LoadImage(SolidPixmap(16, 8), 0);
  for (float offset : {0.0f, 7.3f, -5.6f, 1000.25f, -333.5f}) {
    SetViewport(0, 0, 640, 480);
    ClearScreen();
    SetViewport(13, 17, 101, 77);
    SetRotation(30);  // ignored while tiling
    TileImage(image, offset, offset * 0.7f);
    const Ref<TPixmap> viewportAndBorder = PaintedPixmap(103, 79, [](int x, int y) {
      return x >= 1 && x <= 101 && y >= 1 && y <= 77 ? kWhite : kBlack;
    });
    EXPECT_TRUE(SamePixels(viewportAndBorder, CapturePixmap(12, 16, 103, 79))) << offset;
  }

  // Tiles repeat from their position: an 8 x 8 white tile with a red top-left pixel.
  SetRotation(0);
  ClearScreen();
  auto redCorner = [](int x, int y) { return x == 0 && y == 0 ? 0xFFFF0000u : kWhite; };
  TileImage(LoadImage(PaintedPixmap(8, 8, redCorner), 0), 21, 30);
  for (int x : {13, 21, 29, 101, 109})
    ExpectColour({{x, 22}, {x, 30}, {x, 38}, {x, 86}}, {255, 0, 0});
  ExpectColour({{14, 22}}, {255, 255, 255});
}

TEST_F(ImageTest, StripsCutWholeCellsRowByRow) {
  // A 100 x 40 sheet: the red channel says which 32-pixel column it is in.
  const Ref<TPixmap> sheet =
      PaintedPixmap(100, 40, [](int x, int) { return 0xFF000000u | (x / 32 * 80u) << 16; });
  const Ref<TImage> strip = LoadImageStrip(sheet, 32, 32, 0, 3, 0);
  ASSERT_TRUE(strip);
  EXPECT_EQ(strip->frames.size(), 3u);
  EXPECT_EQ(std::pair(GetImageWidth(strip), GetImageHeight(strip)), std::pair(32, 32));
  for (int cell = 0; cell < 3; ++cell) {
    EXPECT_EQ(strip->pixmaps[cell]->width, 32);
    EXPECT_EQ(ReadPixel(strip->pixmaps[cell], 31, 31), 0xFF000000u | (cell * 80u) << 16);
  }
  EXPECT_TRUE(LoadImageStrip(sheet, 32, 32, 2, 1, 0));
  EXPECT_FALSE(LoadImageStrip(sheet, 32, 32, 0, 4, 0));
  EXPECT_FALSE(LoadImageStrip(sheet, 32, 32, 1, 3, 0));
  EXPECT_FALSE(LoadImageStrip(sheet, 0, 32, 0, 1, 0));
  EXPECT_FALSE(LoadImageStrip(String(u"no/such/file.png"), 8, 8, 0, 1));
  EXPECT_FALSE(LoadImage(String(u"incbin::no-such-picture.png")));
}

TEST_F(ImageTest, MaskingAppliesOnlyToPixmapsWithoutAlphaAndUsesTheContextsColour) {
  // Black left half, white right half.
  auto paint = [](int x, int) { return x < 4 ? kBlack : kWhite; };
  const Ref<TImage> rgb = LoadImage(PaintedPixmap(8, 8, paint, PF_RGB888), ImageMasked);
  const Ref<TImage> rgba = LoadImage(PaintedPixmap(8, 8, paint, PF_RGBA8888), ImageMasked);
  EXPECT_EQ(ReadPixel(rgb->pixmaps[0], 1, 1) >> 24, 0u);
  EXPECT_EQ(ReadPixel(rgba->pixmaps[0], 1, 1), kBlack);

  SetClearColor(0, 0, 255);
  ClearScreen();
  DrawImage(rgb, 10, 10);
  DrawImage(rgba, 30, 10);
  ExpectColour({{11, 11}}, {0, 0, 255});  // cut out by the alpha test
  ExpectColour({{16, 11}}, {255, 255, 255});
  ExpectColour({{31, 11}}, {0, 0, 0});

  SetMaskColor(255, 0, 255);
  const Ref<TImage> magenta = LoadImage(SolidPixmap(4, 4, 0xFFFF00FF, PF_RGB888), -1);
  EXPECT_EQ(ReadPixel(magenta->pixmaps[0], 2, 2) >> 24, 0u);
}

TEST_F(ImageTest, DynamicImagesDrawWhatWasWrittenThroughTheLockOrCapturedFromTheBackBuffer) {
  const Ref<TImage> still = LoadImage(SolidPixmap(4, 4), 0);
  EXPECT_EQ(RuntimeErrorText([&] { LockImage(still); }), "Image frame cannot be locked");
  EXPECT_EQ(RuntimeErrorText([&] { UnlockImage(still); }), "Image frame cannot be unlocked");

  const Ref<TImage> image = CreateImage(20, 10, 2, 0);
  EXPECT_FALSE(image->pixmaps[0]);
  SetClearColor(0, 0, 255);
  ClearScreen();
  DrawImage(image, 0, 0, 1);  // never written: transparent, cut by the mask test
  ExpectColour({{5, 5}}, {0, 0, 255});

  const Ref<TPixmap> pixels = LockImage(image, 1, 0, 1);
  EXPECT_EQ(std::pair(pixels->width, pixels->height), std::pair(20, 10));
  PastePixmap(pixels, PaintedPixmap(20, 10, [](int x, int) { return x < 10 ? 0xFF00FF00u : 0u; }),
              0, 0);
  UnlockImage(image, 1);
  DrawImage(image, 100, 100, 1);
  ExpectColour({{105, 105}}, {0, 255, 0});
  ExpectColour({{115, 105}}, {0, 0, 255});

  // Captured: the red rectangle drawn at (10, 10), black beside it.
  SetClearColor(0, 0, 0);
  ClearScreen();
  SetColor(255, 0, 0);
  DrawRect(10, 10, 4, 8);
  SetColor(255, 255, 255);
  const Ref<TImage> captured = CreateImage(8, 8, 1, ImageMasked);
  CaptureImage(captured, 10, 10);
  ASSERT_TRUE(captured->pixmaps[0]);
  EXPECT_EQ(ReadPixel(captured->pixmaps[0], 1, 1), 0xFFFF0000u);
  EXPECT_EQ(ReadPixel(captured->pixmaps[0], 6, 1) >> 24, 0u);  // black grabbed with the mask flag
  ClearScreen();
  DrawImage(captured, 300, 300);
  ExpectColour({{301, 301}}, {255, 0, 0});
}

}  // namespace
}  // namespace salvo::testing
