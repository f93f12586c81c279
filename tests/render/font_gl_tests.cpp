// Text drawn through the OpenGL driver, read back and compared pixel by pixel
// with the embedded font bitmap; and collision checked against what the same
// placement draws on screen.
#include "gl_test_support.h"
#include "render/collision.h"
#include "render/image_font.h"
#include "runtime/embedded.h"

namespace salvo::testing {
namespace {

class FontGLTest : public GLTest {};

bool FontBit(char16_t code, int column, int row) {
  const auto* bits = static_cast<const uint8_t*>(EmbeddedFileData(u"quarnfont.bin"));
  return (bits[row * 96 + (code - 32)] >> column) & 1;
}

// Every pixel of the text's box is ink colour where the bitmap has ink (each
// font pixel a scale x scale block) and black elsewhere.
void ExpectTextOnScreen(const String& text, int x, int y, int scale, uint32_t ink) {
  const int width = static_cast<int>(text.size()) * 8 * scale;
  const int height = 16 * scale;
  Ref<TPixmap> screen = CapturePixmap(x, y, width, height);
  int mismatches = 0;
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < width; ++px) {
      const char16_t code = text[px / (8 * scale)];
      const bool lit = FontBit(code, (px / scale) % 8, py / scale);
      const uint32_t colour = ReadPixel(screen, px, py) & 0xFFFFFF;
      if (colour != (lit ? ink : 0u) && ++mismatches <= 5) {
        ADD_FAILURE() << "pixel (" << x + px << ", " << y + py << ") of '" << char(code) << "' is "
                      << std::hex << colour;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_F(FontGLTest, TextMatchesTheBitmapAtEveryScaleInTheCurrentColour) {
  struct Case {
    const char16_t* text;
    int x, y, scale;
    uint32_t ink;
  };
  const Case cases[] = {{u"Game Over! 0123 @#&~", 10, 20, 1, 0xFFFFFF},
                        {u"Hi@", 5, 100, 3, 0xFFFFFF},
                        {u"Red", 50, 50, 1, 0xFF0000}};
  for (const Case& c : cases) {
    ClearScreen();
    SetScale(c.scale, c.scale);
    SetColor(c.ink >> 16, (c.ink >> 8) & 255, c.ink & 255);
    DrawText(c.text, c.x, c.y);
    ExpectTextOnScreen(c.text, c.x, c.y, c.scale, c.ink);
  }
  // At scale 2 glyphs are 16 x 32: spaces (no ink) beside and below stay black.
  ClearScreen();
  SetScale(2, 2);
  SetColor(255, 255, 255);
  DrawText(u"MW", 100, 200);
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
  SetBlendMode(BlendMask);
  SetColor(255, 255, 255);
  Ref<TPixmap> screen = CapturePixmap(0, 0, 640, 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const uint32_t pixel = ReadPixel(screen, x, y);
      if (((pixel >> 16) & 255) > 128 && ((pixel >> 8) & 255) > 128) return true;
    }
  }
  return false;
}

TEST_F(FontGLTest, CollisionAgreesWithWhatIsDrawnUnderTheFrontEndTransform) {
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
  SetTransform(0, 1, 1);
  SetOrigin(0, 0);
}

}  // namespace
}  // namespace salvo::testing
