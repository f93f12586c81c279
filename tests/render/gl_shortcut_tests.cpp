// The OpenGL driver's drawing shortcuts (batching, unblended opaque draws,
// nearest sampling for texel-for-pixel draws) leave every pixel as the plain
// path draws it: each scene is drawn both ways and compared pixel for pixel.
#include <GL/gl.h>

#include <functional>
#include <random>
#include <vector>

#include "gl_test_support.h"

namespace salvo::testing {
namespace {

class GLShortcutTest : public GLTest {
 protected:
  // The scene as drawn with the shortcuts in `mask`, captured whole.
  Ref<TPixmap> Drawn(int mask, const std::function<void()>& scene) {
    UseShortcuts(mask);
    SetViewport(0, 0, 640, 480);
    SetClearColor(0, 0, 0);
    ClearScreen();
    SetBlendMode(BlendAlpha);
    SetAlpha(1);
    SetColor(255, 255, 255);
    SetTransform(0, 1, 1);
    SetOrigin(0, 0);
    scene();
    return CapturePixmap(0, 0, 640, 480);
  }

  // Plain against all shortcuts and against each on its own.
  void ExpectSamePixelsEveryWay(const std::function<void()>& scene) {
    const Ref<TPixmap> plain = Drawn(0, scene);
    for (int mask : {kAllShortcuts, 1, 2, 4})
      EXPECT_TRUE(SamePixels(plain, Drawn(mask, scene))) << "shortcuts " << mask;
  }
};

uint32_t Speckled(int x, int y) {
  return 0xFF000000u |
         static_cast<uint32_t>(((x * 37) & 255) << 16 | ((y * 53) & 255) << 8 | ((x * y) & 255));
}

// A soft round spot: opaque in the middle, fading to transparent.
uint32_t Spot(int x, int y) {
  const int dx = x - 8;
  const int dy = y - 8;
  const int alpha = std::max(0, 255 - (dx * dx + dy * dy) * 4);
  return static_cast<uint32_t>(alpha) << 24 | 0xFFC080u;
}

TEST_F(GLShortcutTest, OpaqueTilesSpritesOverThemAndRotatedMirroredAndTranslucentImages) {
  const Ref<TImage> ground = LoadImage(PaintedPixmap(48, 48, Speckled), -1);
  const Ref<TImage> small = LoadImage(PaintedPixmap(20, 10, Speckled), -1);
  const Ref<TImage> spot = LoadImage(PaintedPixmap(16, 16, Spot), -1);
  const Ref<TImage> sprite = LoadImage(PaintedPixmap(32, 16, Speckled), -1);
  const Ref<TImage> plain = LoadImage(PaintedPixmap(32, 16, Speckled), 0);
  ExpectSamePixelsEveryWay([&] {
    TileImage(ground, 0, 0, 0);
    DrawImage(small, 100, 100);     // whole pixels: texel for pixel
    DrawImage(small, 130.5f, 100);  // half a pixel off
    DrawImage(small, 160, 100.25f);
    SetAlpha(0.5f);
    DrawImage(small, 200, 100);  // opaque texture, translucent colour
    SetAlpha(1);
    for (int i = 0; i < 40; ++i) DrawImage(spot, static_cast<float>(i * 15), 300);
    SetBlendMode(BlendMask);
    DrawImage(spot, 50, 50);
    SetBlendMode(BlendSolid);
    DrawImage(spot, 80, 50);
    SetBlendMode(BlendMultiply);
    DrawImage(small, 110, 50);
  });
  ExpectSamePixelsEveryWay([&] {
    for (int i = 0; i < 12; ++i) {
      SetRotation(static_cast<float>(i * 30));
      DrawImage(sprite, static_cast<float>(50 + i * 45), 100);
      DrawImage(plain, static_cast<float>(50 + i * 45), 200);
    }
    SetRotation(0);
    SetScale(-1, 1);
    DrawImage(sprite, 100, 300);
    SetScale(2, 2);
    DrawImage(sprite, 200, 300);
    SetScale(1, 1);
    SetAlpha(0.4f);
    DrawImage(sprite, 300, 300);
    DrawImage(sprite, 310, 305);
  });
}

TEST_F(GLShortcutTest, OvalsRectanglesPolygonsInChangingColoursAndAdditiveParticlesAmongSprites) {
  const Ref<TImage> spot = LoadImage(PaintedPixmap(16, 16, Spot), -1);
  const Ref<TImage> sprite = LoadImage(PaintedPixmap(16, 16, Speckled), -1);
  ExpectSamePixelsEveryWay([&] {
    std::minstd_rand engine{12345};
    auto next = [&] { return std::uniform_real_distribution<float>(0, 1)(engine); };
    for (int i = 0; i < 400; ++i) {
      SetColor(180, static_cast<int>(next() * 60), 0);
      SetAlpha(i % 3 == 0 ? 0.5f : 1.0f);
      DrawOval(next() * 600, next() * 440, 4, 4);
      SetColor(255, 255, 255);
    }
    SetAlpha(1);
    DrawOval(100.3f, 200.7f, 100, 60);
    for (int i = 0; i < 50; ++i) {
      SetColor(0, 200, static_cast<int>(next() * 255));
      DrawRect(next() * 600, next() * 440, next() * 30, next() * 30);
    }
    SetRotation(30);
    DrawPoly({0, 0, 40, 10, 50, 40, 10, 30});
    DrawRect(300.5f, 100.5f, 40, 20);
  });
  ExpectSamePixelsEveryWay([&] {
    std::minstd_rand engine{12345};
    auto next = [&] { return std::uniform_real_distribution<float>(0, 1)(engine); };
    for (int i = 0; i < 300; ++i) {
      SetColor(255, 128, 32);
      SetBlendMode(BlendAdditive);
      SetAlpha(0.3f);
      const float scale = next() * 2;
      SetScale(scale, scale);
      DrawImage(spot, next() * 640, next() * 480);
      SetScale(1, 1);
      SetAlpha(1);
      SetBlendMode(BlendAlpha);
      SetColor(255, 255, 255);
      if (i % 10 == 0) DrawImage(sprite, next() * 640, next() * 480);
    }
  });
}

// Everything that reads or changes what pending draws depend on must see
// them drawn first: captures, pixmaps, viewports, clears, texture uploads,
// lines and points.
TEST_F(GLShortcutTest, PendingDrawsComeBeforeWhatReadsOrChangesTheirState) {
  const Ref<TImage> canvas = CreateImage(16, 16, 1, -1);
  const Ref<TImage> spot = LoadImage(PaintedPixmap(16, 16, Spot), -1);
  Ref<TPixmap> capturedMidway;
  const auto scene = [&] {
    PastePixmap(LockImage(canvas), SolidPixmap(16, 16, 0xFF00FF00), 0, 0);
    UnlockImage(canvas);
    DrawImage(canvas, 20, 40);
    SetColor(255, 0, 0);
    DrawOval(10, 10, 20, 20);
    capturedMidway = CapturePixmap(0, 0, 64, 64);
    SetViewport(0, 0, 70, 480);  // clips later draws only
    DrawOval(65, 40, 20, 20);
    SetViewport(0, 0, 640, 480);
    DrawOval(100, 100, 20, 20);
    ClearScreen();  // clears the ovals before it, not those after
    DrawOval(120, 100, 20, 20);
    DrawOval(40, 10, 20, 20);
    DrawPixmap(SolidPixmap(8, 8, 0xFF0000FF), 45, 15);  // over the oval
    DrawOval(60, 10, 20, 20);
    SetColor(255, 255, 255);
    DrawImage(canvas, 150, 100);
    // The frame's new pixels apply to later draws only.
    PastePixmap(LockImage(canvas), SolidPixmap(16, 16, 0xFFFF00FF), 0, 0);
    UnlockImage(canvas);
    DrawImage(canvas, 170, 100);
    SetColor(255, 255, 0);
    DrawOval(200, 100, 10, 10);
    DrawLine(195, 105, 215, 105);
    DrawOval(220, 100, 10, 10);
    DrawPoint(225, 95);
    DrawImage(spot, 240, 100);
    SetLineWidth(3);
    DrawOval(260, 100, 10, 10);
    DrawLine(255, 105, 275, 105);
    SetLineWidth(1);
  };
  const Ref<TPixmap> plain = Drawn(0, scene);
  const Ref<TPixmap> plainMidway = capturedMidway;
  EXPECT_TRUE(Near(PixelAt(20, 20), {0, 0, 0}));        // cleared
  EXPECT_TRUE(Near(PixelAt(130, 110), {255, 0, 0}));    // drawn after the clear
  EXPECT_TRUE(Near(PixelAt(160, 110), {0, 255, 0}));    // the canvas before the upload
  EXPECT_TRUE(Near(PixelAt(180, 110), {255, 0, 255}));  // and after
  EXPECT_TRUE(Near(PixelAt(48, 18), {0, 0, 255}));      // the pixmap over the oval
  for (int mask : {kAllShortcuts, 1}) {
    EXPECT_TRUE(SamePixels(plain, Drawn(mask, scene))) << "shortcuts " << mask;
    EXPECT_TRUE(SamePixels(plainMidway, capturedMidway)) << "shortcuts " << mask;
  }
}

}  // namespace
}  // namespace salvo::testing
