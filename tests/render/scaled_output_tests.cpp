// Scaled output: the program draws at 640 x 480 and the picture is shown
// scaled into a larger window, fitted with black bars or at a whole multiple.
// Shapes drawn at known coordinates are looked for in the window's back
// buffer; pixel reads, scissor and clearing stay in the program's coordinates.
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <vector>

#include "gl_test_support.h"
#include "input/input.h"
#include "input/sdl_events.h"
#include "render/gl_scaler_internal.h"
#include "render/gl_window.h"

namespace salvo::testing {
namespace {

bool SameRect(const ScaledRect& a, const ScaledRect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

TEST(PlaceScaledPicture, FitKeepsTheShapeAndIntegerTakesWholeMultiples) {
  struct Case {
    int drawableWidth, drawableHeight, method;
    ScaledRect expected;
  };
  const Case cases[] = {
      // A 1920 x 1080 desktop: 2.25 times, bars left and right; or twice, centred.
      {1920, 1080, ScaleFit, {240, 0, 1440, 1080}},
      {1920, 1080, ScaleInteger, {320, 60, 1280, 960}},
      // Taller than the picture's shape: bars above and below.
      {1280, 1200, ScaleFit, {0, 120, 1280, 960}},
      {1000, 500, ScaleFit, {167, 0, 666, 500}},
      {1279, 959, ScaleInteger, {319, 239, 640, 480}},
      // Exactly the picture's size, or an exact multiple: no bars at all.
      {640, 480, ScaleFit, {0, 0, 640, 480}},
      {640, 480, ScaleInteger, {0, 0, 640, 480}},
      {1920, 1440, ScaleInteger, {0, 0, 1920, 1440}},
      // Smaller than the picture: integer scaling cannot fit, so it shrinks.
      {320, 300, ScaleInteger, {0, 30, 320, 240}},
      // No drawable: nothing to place.
      {0, 0, ScaleFit, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const ScaledRect got =
        PlaceScaledPicture(640, 480, c.drawableWidth, c.drawableHeight, c.method);
    EXPECT_TRUE(SameRect(got, c.expected))
        << c.drawableWidth << " x " << c.drawableHeight << " method " << c.method << ": got "
        << got.x << ", " << got.y << ", " << got.width << " x " << got.height;
  }
}

// The window's back buffer after the picture was copied into it, row 0 at
// the top, 0xRRGGBB per pixel.
class WindowPixels {
 public:
  WindowPixels() {
    GetGLDrawableSize(width, height);
    auto bind = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(GetGLProcAddress("glBindFramebuffer"));
    GLint picture = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &picture);
    bind(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    bind(GL_READ_FRAMEBUFFER, static_cast<GLuint>(picture));
    glReadBuffer(PictureReadBuffer());
    pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const unsigned char* p = &rgba[(static_cast<size_t>(height - 1 - y) * width + x) * 4];
        pixels[static_cast<size_t>(y) * width + x] = (p[0] << 16) | (p[1] << 8) | p[2];
      }
    }
  }
  unsigned At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // Every pixel of the rectangle has the colour.
  bool All(int left, int top, int right, int bottom, unsigned colour) const {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        if (At(x, y) != colour) return false;
      }
    }
    return true;
  }

  int width = 0;
  int height = 0;
  std::vector<unsigned> pixels;
};

constexpr unsigned kBlack = 0x000000;
constexpr unsigned kRed = 0xFF0000;
constexpr unsigned kGreen = 0x00FF00;
constexpr unsigned kBlue = 0x0000FF;

class ScaledOutputTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallGLDriver(); }
  void TearDown() override {
    CloseGraphics();
    SetGraphicsScaling(ScaleOff);
    ReleaseStep();
  }

  // A red rectangle near the top left, a green one in the bottom-right
  // corner, on black.
  static void DrawShapes() {
    SetClearColor(0, 0, 0);
    ClearScreen();
    SetBlendMode(BlendSolid);
    SetColor(255, 0, 0);
    DrawRect(10, 20, 30, 40);
    SetColor(0, 255, 0);
    DrawRect(600, 440, 40, 40);
    SetColor(255, 255, 255);
  }
};

TEST_F(ScaledOutputTest, IntegerScalingDoublesEveryPixelIntoTheWindow) {
  SetGraphicsScaling(ScaleToWindow, ScaleInteger, 2);
  OpenGraphics(640, 480, 16, 60);
  ASSERT_EQ(ScaledOutputActive(), 1);
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_RESIZABLE);
  EXPECT_EQ(GetGraphicsWidth(), 640);
  EXPECT_EQ(GetGraphicsHeight(), 480);

  DrawShapes();
  // Pixel reads stay in the program's coordinates and size.
  Ref<TPixmap> whole = CapturePixmap(0, 0, 640, 480);
  EXPECT_EQ(whole->width, 640);
  EXPECT_EQ(whole->height, 480);
  EXPECT_TRUE(Near(PixelAt(10, 20), {255, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(39, 59), {255, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(40, 59), {0, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(639, 479), {0, 255, 0}));

  PresentScaledPicture();
  const WindowPixels shown;
  ASSERT_EQ(shown.width, 1280);
  ASSERT_EQ(shown.height, 960);
  // Logical (10, 20)-(40, 60) covers window (20, 40)-(80, 120), edges exact.
  EXPECT_TRUE(shown.All(20, 40, 80, 120, kRed));
  EXPECT_EQ(shown.At(19, 40), kBlack);
  EXPECT_EQ(shown.At(80, 119), kBlack);
  EXPECT_EQ(shown.At(20, 39), kBlack);
  EXPECT_EQ(shown.At(79, 120), kBlack);
  EXPECT_TRUE(shown.All(1200, 880, 1280, 960, kGreen));
  EXPECT_EQ(shown.At(1199, 879), kBlack);
}

TEST_F(ScaledOutputTest, ScissorAndClearWorkAtTheProgramsCoordinates) {
  SetGraphicsScaling(ScaleToWindow, ScaleInteger, 2);
  OpenGraphics(640, 480, 0, 0);
  DrawShapes();
  SetViewport(100, 50, 60, 40);
  SetClearColor(0, 0, 255);
  ClearScreen();
  EXPECT_TRUE(Near(PixelAt(100, 50), {0, 0, 255}));
  EXPECT_TRUE(Near(PixelAt(159, 89), {0, 0, 255}));
  EXPECT_TRUE(Near(PixelAt(160, 89), {0, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(99, 50), {0, 0, 0}));

  PresentScaledPicture();
  {
    const WindowPixels shown;
    EXPECT_TRUE(shown.All(200, 100, 320, 180, kBlue));
    EXPECT_EQ(shown.At(199, 100), kBlack);
    EXPECT_EQ(shown.At(320, 179), kBlack);
    EXPECT_TRUE(shown.All(20, 40, 80, 120, kRed));  // outside the scissor: kept
  }

  // Presenting neither dropped the scissor nor the clear colour: a second
  // clear still only touches the viewport, in blue.
  SetViewport(0, 0, 640, 480);
  SetClearColor(0, 0, 0);
  ClearScreen();
  SetViewport(300, 300, 10, 10);
  PresentScaledPicture();
  SetClearColor(0, 0, 255);
  ClearScreen();
  EXPECT_TRUE(Near(PixelAt(305, 305), {0, 0, 255}));
  EXPECT_TRUE(Near(PixelAt(299, 305), {0, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(10, 20), {0, 0, 0}));
}

TEST_F(ScaledOutputTest, AResizedWindowIsFittedWithBlackBarsFromTheNextFrameOn) {
  SetGraphicsScaling(ScaleToWindow, ScaleFit, 1);
  OpenGraphics(640, 480, 0, 0);
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);

  // 1000 x 600 is wider than 4:3: the picture is 800 x 600 with bars of 100
  // on either side.
  SDL_SetWindowSize(window, 1000, 600);
  for (int frame = 0; frame < 2; ++frame) {
    DrawShapes();
    SetColor(0, 0, 255);
    DrawRect(0, 0, 640, 10);  // a blue band along the top
    PresentFrame();
    PumpMessages();
  }
  DrawShapes();
  SetColor(0, 0, 255);
  DrawRect(0, 0, 640, 10);
  PresentScaledPicture();
  const WindowPixels shown;
  ASSERT_EQ(shown.width, 1000);
  ASSERT_EQ(shown.height, 600);
  EXPECT_TRUE(shown.All(0, 0, 100, 600, kBlack));
  EXPECT_TRUE(shown.All(900, 0, 1000, 600, kBlack));
  // 1.25 times: the band covers rows 0..12 from x 100 to 900; the red
  // rectangle (10, 20)-(40, 60) becomes (112.5, 25)-(150, 75).
  EXPECT_TRUE(shown.All(100, 0, 900, 11, kBlue));
  EXPECT_TRUE(shown.All(115, 28, 148, 73, kRed));
  EXPECT_EQ(shown.At(108, 50), kBlack);
  EXPECT_EQ(shown.At(155, 50), kBlack);
  // The green corner square ends in the picture's bottom-right corner.
  EXPECT_TRUE(shown.All(852, 552, 900, 600, kGreen));
  // And the program still reads its own 640 x 480 picture.
  EXPECT_EQ(CapturePixmap(0, 0, 640, 480)->width, 640);
  EXPECT_TRUE(Near(PixelAt(639, 479), {0, 255, 0}));
}

TEST_F(ScaledOutputTest, PointerPositionsMapToTheProgramsCoordinates) {
  SetGraphicsScaling(ScaleToWindow, ScaleInteger, 2);
  OpenGraphics(640, 480, 0, 0);
  int x = 41, y = 81;
  MapPointerToProgram(x, y);
  EXPECT_EQ(x, 20);
  EXPECT_EQ(y, 40);
  x = 20;
  y = 40;
  MapPointerToWindow(x, y);
  EXPECT_EQ(x, 41);
  EXPECT_EQ(y, 81);

  // Through the event pump, as the mouse moves (after the window system's
  // own events about the new window are through).
  SDL_Delay(100);
  PumpMessages();
  SDL_Event motion{SDL_MOUSEMOTION};
  motion.motion.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
  motion.motion.x = 1279;
  motion.motion.y = 3;
  SDL_PushEvent(&motion);
  PumpMessages();
  EXPECT_EQ(MouseX(), 639);
  EXPECT_EQ(MouseY(), 1);

  // A plain window leaves positions as they are.
  SetGraphicsScaling(ScaleOff);
  OpenGraphics(640, 480, 0, 0);
  EXPECT_EQ(ScaledOutputActive(), 0);
  x = 41;
  y = 81;
  MapPointerToProgram(x, y);
  EXPECT_EQ(x, 41);
  EXPECT_EQ(y, 81);
}

TEST_F(ScaledOutputTest, TheCloseButtonOfAScaledWindowReadsAsEscape) {
  SetGraphicsScaling(ScaleToWindow, ScaleFit, 1);
  OpenGraphics(640, 480, 0, 0);
  ResetKeys();
  SDL_Event close{SDL_WINDOWEVENT};
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  close.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
  SDL_PushEvent(&close);
  PumpMessages();
  EXPECT_EQ(KeyPressCount(27), 1);
  EXPECT_EQ(KeyDown(27), 0);
  EXPECT_EQ(GLWindowOpen(), 1);  // the program decides what Escape does
}

TEST_F(ScaledOutputTest, TheDesktopNeedsNoDisplayModeAndPlainOutputStillDoes) {
  SetGraphicsModes({});  // a display without a single mode of the size
  EXPECT_EQ(RuntimeErrorText([] { OpenGraphics(640, 480, 16, 60); }),
            "Graphics mode does not exist");
  SetGraphicsScaling(ScaleToDesktop, ScaleFit);
  EXPECT_EQ(RuntimeErrorText([] { OpenGraphics(640, 480, 16, 60); }), "");
  ASSERT_EQ(ScaledOutputActive(), 1);
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  EXPECT_STREQ(SDL_GetWindowTitle(window), "QuarnGL Application");
  EXPECT_EQ(GLDisplayModeSwitched(), 0);
  // No mode was switched, so losing the focus must not minimise it.
  EXPECT_FALSE(SDL_GetHintBoolean(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, SDL_TRUE));
  SDL_Rect bounds;
  ASSERT_EQ(SDL_GetDisplayBounds(0, &bounds), 0);
  int w = 0, h = 0;
  GetGLDrawableSize(w, h);
  EXPECT_EQ(w, bounds.w);
  EXPECT_EQ(h, bounds.h);
  InstallGLDriver();  // the real mode list back for the other tests

  // Closing ends scaled output; opening plain draws straight to the window.
  CloseGraphics();
  EXPECT_EQ(ScaledOutputActive(), 0);
  SetGraphicsScaling(ScaleOff);
  OpenGraphics(640, 480, 0, 0);
  EXPECT_EQ(ScaledOutputActive(), 0);
  EXPECT_EQ(PictureReadBuffer(), static_cast<unsigned>(GL_BACK));
}

}  // namespace
}  // namespace salvo::testing
