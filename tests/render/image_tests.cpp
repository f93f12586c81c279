// Images on the OpenGL driver: textures and their padding, mipmaps, frames
// of reopened contexts, handles, tiling, strips, masking and locking.
#include <GL/gl.h>

#include <array>
#include <vector>

#include "gl_test_support.h"

namespace salvo::testing {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

class ImageTest : public GLTest {};

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
       NonPowerOfTwoImagesArePaddedByRepeatingTheirEdgesAndFilteredOnesGetAFullMipmapChain) {
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
    EXPECT_FLOAT_EQ(DrawingContext().ix, GLState().ix);  // the real transform is back
    EXPECT_NEAR(GLState().jx, 0.5f, 1e-6);
  }

  // Tiles repeat from their position: an 8 x 8 white tile with a red top-left pixel.
  SetRotation(0);
  ClearScreen();
  auto redCorner = [](int x, int y) { return x == 0 && y == 0 ? 0xFFFF0000u : kWhite; };
  TileImage(LoadImage(PaintedPixmap(8, 8, redCorner), 0), 21, 30);
  for (int x : {13, 21, 29, 101, 109}) {
    ExpectColour({{x, 22}, {x, 30}, {x, 38}, {x, 86}}, {255, 0, 0});
  }
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

TEST_F(ImageTest, DynamicImagesDrawWhatWasWrittenThroughTheLock) {
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
}

TEST_F(ImageTest, CapturedImagesHoldTheBackBuffer) {
  SetColor(255, 0, 0);
  DrawRect(10, 10, 4, 8);  // red on black
  SetColor(255, 255, 255);
  const Ref<TImage> image = CreateImage(8, 8, 1, ImageMasked);
  CaptureImage(image, 10, 10);
  ASSERT_TRUE(image->pixmaps[0]);
  EXPECT_EQ(ReadPixel(image->pixmaps[0], 1, 1), 0xFFFF0000u);
  EXPECT_EQ(ReadPixel(image->pixmaps[0], 6, 1) >> 24, 0u);  // black grabbed with the mask flag
  ClearScreen();
  DrawImage(image, 300, 300);
  ExpectColour({{301, 301}}, {255, 0, 0});
}

TEST_F(ImageTest, DeletedTexturesLeaveTheLiveOnesAlone) {
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
}

}  // namespace
}  // namespace salvo::testing
