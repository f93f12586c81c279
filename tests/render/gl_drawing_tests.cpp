// Primitives, blend modes, viewport and pixmaps through the OpenGL driver,
// checked on pixels read back from the back buffer.
#include <GL/gl.h>

#include "gl_test_support.h"

namespace salvo::testing {
namespace {

class GLDrawingTest : public GLTest {
 protected:
  // A background of (200, 100, 0) and a 20 x 20 square of colour and alpha
  // at (50, 50) in the given blend mode; returns the square's centre pixel.
  Rgb BlendOver(int mode, Rgb color, float alpha) {
    SetClearColor(200, 100, 0);
    ClearScreen();
    SetBlendMode(mode);
    SetColor(color.r, color.g, color.b);
    SetAlpha(alpha);
    DrawRect(50, 50, 20, 20);
    return PixelAt(60, 60);
  }
};

TEST_F(GLDrawingTest, BlendModesCombineWithTheBackground) {
  EXPECT_TRUE(Near(BlendOver(BlendSolid, {0, 0, 255}, 0.1f), {0, 0, 255}));
  // Alpha byte 127: source weight 127/255, destination 128/255.
  EXPECT_TRUE(Near(BlendOver(BlendAlpha, {0, 0, 255}, 0.5f), {100, 50, 127}));
  EXPECT_TRUE(Near(BlendOver(BlendAdditive, {40, 40, 255}, 0.5f), {220, 120, 127}));
  EXPECT_TRUE(Near(BlendOver(BlendMultiply, {128, 255, 255}, 1.0f), {100, 100, 0}));
  EXPECT_TRUE(Near(BlendOver(9, {0, 255, 0}, 0.0f), {0, 255, 0}));  // unknown: solid
}

TEST_F(GLDrawingTest, MaskModeDropsPixelsBelowHalfAlpha) {
  EXPECT_TRUE(Near(BlendOver(BlendMask, {0, 0, 255}, 0.4f), {200, 100, 0}));
  EXPECT_TRUE(Near(BlendOver(BlendMask, {0, 0, 255}, 0.6f), {0, 0, 255}));
}

TEST_F(GLDrawingTest, AlphaIsClampedByTheDriverButStoredAsSet) {
  EXPECT_TRUE(Near(BlendOver(BlendAlpha, {0, 0, 255}, 2.0f), {0, 0, 255}));
  EXPECT_FLOAT_EQ(GetAlpha(), 2.0f);
  EXPECT_EQ(GLState().color[3], 255);
  EXPECT_TRUE(Near(BlendOver(BlendAlpha, {0, 0, 255}, -1.0f), {200, 100, 0}));
  EXPECT_FLOAT_EQ(GetAlpha(), -1.0f);
  EXPECT_EQ(GLState().color[3], 0);
}

TEST_F(GLDrawingTest, BlendChangesAreCachedUntilTheNextOpen) {
  EXPECT_EQ(GLState().currentBlend, BlendMask);  // applied by OpenGraphics
  SetBlendMode(BlendAlpha);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  // Behind the driver's back: the same mode again is skipped.
  glDisable(GL_BLEND);
  SetBlendMode(BlendAlpha);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  OpenGraphics(640, 480, 0, 0);
  EXPECT_EQ(GLState().currentBlend, BlendMask);
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
}

TEST_F(GLDrawingTest, RectanglesRotateAndScaleAboutTheirPosition) {
  SetRotation(90);  // local (x, y) lands at (-y, x): clockwise on screen
  DrawRect(100, 100, 20, 10);
  EXPECT_TRUE(IsLit(95, 110));
  EXPECT_TRUE(IsLit(91, 118));
  EXPECT_FALSE(IsLit(105, 110));
  EXPECT_FALSE(IsLit(95, 95));
  EXPECT_FALSE(IsLit(95, 121));

  ClearScreen();
  SetTransform(0, 2, 3);
  DrawRect(10, 10, 5, 5);  // covers 10..20 x 10..25
  EXPECT_TRUE(IsLit(10, 10));
  EXPECT_TRUE(IsLit(19, 24));
  EXPECT_FALSE(IsLit(20, 15));
  EXPECT_FALSE(IsLit(15, 25));
}

TEST_F(GLDrawingTest, HandleAndOriginShiftPrimitives) {
  SetOrigin(100, 50);
  SetHandle(10, 5);
  DrawRect(0, 0, 4, 4);  // covers 90..94 x 45..49
  EXPECT_TRUE(IsLit(90, 45));
  EXPECT_TRUE(IsLit(93, 48));
  EXPECT_FALSE(IsLit(94, 48));
  EXPECT_FALSE(IsLit(100, 50));
}

TEST_F(GLDrawingTest, LinesLightTheirLastPixelOnlyWhenAsked) {
  DrawLine(10, 20, 30, 20, 0);
  EXPECT_TRUE(IsLit(10, 20));
  EXPECT_TRUE(IsLit(29, 20));
  EXPECT_FALSE(IsLit(30, 20));
  DrawLine(10, 40, 30, 40, 1);
  EXPECT_TRUE(IsLit(30, 40));
  EXPECT_FALSE(IsLit(31, 40));
  EXPECT_FALSE(IsLit(20, 41));
}

TEST_F(GLDrawingTest, PointsLightExactlyTheirPixel) {
  DrawPoint(7, 9);
  EXPECT_TRUE(IsLit(7, 9));
  EXPECT_FALSE(IsLit(8, 9));
  EXPECT_FALSE(IsLit(7, 10));
}

TEST(OvalSegments, AtLeastTwelveAndAMultipleOfFour) {
  EXPECT_EQ(OvalSegments(2, 2), 12);     // a 4 x 4 oval
  EXPECT_EQ(OvalSegments(50, 30), 80);   // 100 x 60
  EXPECT_EQ(OvalSegments(-50, 30), 80);  // mirrored
  EXPECT_EQ(OvalSegments(10.5f, 4), 12);
  EXPECT_EQ(OvalSegments(11, 7), 16);  // 18 rounded down
  EXPECT_EQ(OvalSegments(1e30f, 1e30f) % 4, 0);
}

TEST_F(GLDrawingTest, OvalsFillTheirRectangle) {
  DrawOval(100, 100, 100, 60);
  EXPECT_TRUE(IsLit(150, 130));
  EXPECT_TRUE(IsLit(102, 130));
  EXPECT_TRUE(IsLit(197, 130));
  EXPECT_TRUE(IsLit(150, 101));
  EXPECT_TRUE(IsLit(150, 158));
  EXPECT_FALSE(IsLit(98, 130));
  EXPECT_FALSE(IsLit(201, 130));
  EXPECT_FALSE(IsLit(150, 98));
  EXPECT_FALSE(IsLit(150, 161));
  EXPECT_FALSE(IsLit(103, 103));  // the rectangle's corner is outside
}

TEST_F(GLDrawingTest, PolygonsNeedThreePointsAndAnEvenCount) {
  DrawPoly({10, 10, 30, 10});
  DrawPoly({10, 10, 30, 10, 10, 30, 5});
  EXPECT_FALSE(IsLit(14, 14));
  SetOrigin(100, 0);
  DrawPoly({10, 10, 30, 10, 10, 30});
  EXPECT_TRUE(IsLit(114, 14));
  EXPECT_FALSE(IsLit(128, 28));
}

TEST_F(GLDrawingTest, ViewportClipsDrawingAndClearing) {
  SetViewport(100, 100, 50, 40);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  SetClearColor(255, 0, 0);
  ClearScreen();
  EXPECT_TRUE(Near(PixelAt(100, 100), {255, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(149, 139), {255, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(99, 120), {0, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(150, 120), {0, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(120, 140), {0, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(120, 99), {0, 0, 0}));

  DrawRect(0, 0, 640, 480);
  EXPECT_TRUE(IsLit(120, 120));
  EXPECT_FALSE(IsLit(160, 120));

  SetViewport(0, 0, 640, 480);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  DrawRect(0, 0, 640, 480);
  EXPECT_TRUE(IsLit(160, 120));
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
  const Ref<TPixmap> back = CapturePixmap(50, 60, 4, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(ReadPixel(back, x, y), ReadPixel(pixmap, x, y)) << x << ", " << y;
    }
  }
  EXPECT_TRUE(Near(PixelAt(49, 60), {0, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(50, 59), {0, 0, 0}));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));  // the blend mode is back in force
}

TEST_F(GLDrawingTest, PixmapsMayHangOffTheTopLeft) {
  DrawPixmap(SolidPixmap(10, 10), -5, -5);
  EXPECT_TRUE(IsLit(0, 0));
  EXPECT_TRUE(IsLit(4, 4));
  EXPECT_FALSE(IsLit(5, 5));
}

TEST_F(GLDrawingTest, CapturedPixmapsHaveTheTopRowFirst) {
  SetColor(255, 0, 0);
  DrawRect(0, 0, 640, 1);
  const Ref<TPixmap> captured = CapturePixmap(0, 0, 8, 2);
  EXPECT_EQ(captured->format, PF_RGBA8888);
  EXPECT_EQ(ReadPixel(captured, 3, 0), 0xFFFF0000u);
  EXPECT_EQ(ReadPixel(captured, 3, 1), 0xFF000000u);
}

TEST(GLDriverClosed, CommandsWithoutAWindowDoNothing) {
  InstallGLDriver();
  CloseGraphics();
  SetColor(255, 255, 255);
  DrawRect(0, 0, 10, 10);
  DrawOval(0, 0, 10, 10);
  ClearScreen();
  PresentFrame();
  const Ref<TPixmap> captured = CapturePixmap(0, 0, 2, 2);
  EXPECT_EQ(ReadPixel(captured, 1, 1), 0u);
}

}  // namespace
}  // namespace salvo::testing
