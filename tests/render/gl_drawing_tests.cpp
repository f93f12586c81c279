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
    EXPECT_TRUE(Near(BlendOver(c.mode, c.color, c.alpha), c.expected))
        << "mode " << c.mode << " alpha " << c.alpha;
  }
  // ...but stored as set.
  EXPECT_FLOAT_EQ(GetAlpha(), -1.0f);
  EXPECT_EQ(GLState().color[3], 0);
  SetAlpha(2.0f);
  EXPECT_FLOAT_EQ(GetAlpha(), 2.0f);
  EXPECT_EQ(GLState().color[3], 255);
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

TEST_F(GLDrawingTest, LinesLightTheirLastPixelOnlyWhenAskedAndPointsTheirPixel) {
  DrawLine(10, 20, 30, 20, 0);
  DrawLine(10, 40, 30, 40, 1);
  DrawPoint(7, 9);
  ExpectLit({{10, 20}, {29, 20}, {30, 40}, {7, 9}},
            {{30, 20}, {31, 40}, {20, 41}, {8, 9}, {7, 10}});
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
  ExpectLit({{150, 130}, {102, 130}, {197, 130}, {150, 101}, {150, 158}},
            {{98, 130}, {201, 130}, {150, 98}, {150, 161}, {103, 103}});  // corners are outside
}

TEST_F(GLDrawingTest, PolygonsNeedThreePointsAndAnEvenCount) {
  DrawPoly({10, 10, 30, 10});
  DrawPoly({10, 10, 30, 10, 10, 30, 5});
  SetOrigin(100, 0);
  DrawPoly({10, 10, 30, 10, 10, 30});
  ExpectLit({{114, 14}}, {{14, 14}, {128, 28}});
}

TEST_F(GLDrawingTest, ViewportClipsDrawingAndClearing) {
  SetViewport(100, 100, 50, 40);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  SetClearColor(255, 0, 0);
  ClearScreen();
  for (auto [x, y] : {std::pair{100, 100}, {149, 139}}) {
    EXPECT_TRUE(Near(PixelAt(x, y), {255, 0, 0})) << x << ", " << y;
  }
  for (auto [x, y] : {std::pair{99, 120}, {150, 120}, {120, 140}, {120, 99}}) {
    EXPECT_TRUE(Near(PixelAt(x, y), {0, 0, 0})) << x << ", " << y;
  }
  DrawRect(0, 0, 640, 480);
  ExpectLit({{120, 120}}, {{160, 120}});

  SetViewport(0, 0, 640, 480);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  DrawRect(0, 0, 640, 480);
  ExpectLit({{160, 120}}, {});
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

  // Pixmaps may hang off the top left.
  ClearScreen();
  SetBlendMode(BlendSolid);
  DrawPixmap(SolidPixmap(10, 10), -5, -5);
  ExpectLit({{0, 0}, {4, 4}}, {{5, 5}});
}

TEST(GLDriverClosed, CommandsWithoutAWindowDoNothing) {
  InstallGLDriver();
  CloseGraphics();
  SetColor(255, 255, 255);
  DrawRect(0, 0, 10, 10);
  DrawOval(0, 0, 10, 10);
  ClearScreen();
  PresentFrame();
  EXPECT_EQ(ReadPixel(CapturePixmap(0, 0, 2, 2), 1, 1), 0u);
}

}  // namespace
}  // namespace salvo::testing
