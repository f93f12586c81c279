// The SDL window under Xvfb (640 x 480 x 24): display modes, windowed and
// full-screen windows, focus, the pointer and close requests; and the 640 x 480
// picture scaled into larger windows, looked for in the window's back buffer.
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

using WindowTest = GLDriverTest;
using ScaledOutputTest = GLDriverTest;

SDL_Event WindowEvent(Uint8 kind) {
  SDL_Event event{SDL_WINDOWEVENT};
  event.window.event = kind;
  event.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
  return event;
}

std::pair<int, int> WindowSize() {
  int w = 0, h = 0;
  SDL_GetWindowSize(SDL_GL_GetCurrentWindow(), &w, &h);
  return {w, h};
}

TEST_F(WindowTest, WindowedDisplaysAreFixedSizeCaptionedWindowsThatIgnoreCloseRequests) {
  OpenGraphics(300, 200, 0, 0);
  ASSERT_EQ(GLWindowOpen(), 1);
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  EXPECT_STREQ(SDL_GetWindowTitle(window), "QuarnGL Window");
  EXPECT_FALSE(SDL_GetWindowFlags(window) &
               (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_BORDERLESS));
  EXPECT_EQ(WindowSize(), std::pair(300, 200));
  int doubleBuffered = 0;
  SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffered);
  EXPECT_EQ(doubleBuffered, 1);
  EXPECT_EQ(GLDisplayModeSwitched(), 0);
  DrawRect(290, 190, 10, 10);
  EXPECT_TRUE(IsLit(299, 199));  // the bottom-right corner is in view
  // Every open starts a new context.
  const int serial = GLState().contextSerial;
  EXPECT_NE(serial, 0);
  OpenGraphics(320, 240, 0, 0);
  EXPECT_EQ(GLState().contextSerial, serial + 1);
  EXPECT_EQ(GLState().texturingOn, 0);

  SDL_Event close = WindowEvent(SDL_WINDOWEVENT_CLOSE), quit{SDL_QUIT};
  SDL_PushEvent(&close);
  SDL_PushEvent(&quit);
  PumpMessages();
  EXPECT_EQ(GLWindowOpen(), 1);
  // The last pointer call wins.
  HideMouse();
  HideMouse();
  ShowMouse();
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  HideMouse();
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

TEST_F(WindowTest,
       ModesAreListedFullScreenTakesOneWhileItHasTheFocusAndWithoutAWindowCommandsDoNothing) {
  EXPECT_LE(CountGraphicsModes(), 256);
  for (int i = 0, w, h, d, hz; i < CountGraphicsModes(); ++i) {
    GetGraphicsModeInfo(i, w, h, d, hz);
    EXPECT_GE(d, 16);
  }
  EXPECT_EQ(EnumerateDisplayModes(1).size(), 1u);
  OpenGraphics(640, 480, 16, 60);
  ASSERT_EQ(GLWindowOpen(), 1);
  EXPECT_STREQ(SDL_GetWindowTitle(SDL_GL_GetCurrentWindow()), "QuarnGL Application");
  EXPECT_TRUE(SDL_GetWindowFlags(SDL_GL_GetCurrentWindow()) & SDL_WINDOW_FULLSCREEN);
  EXPECT_EQ(GLDisplayModeSwitched(), 1);
  int w, h, d, hz;
  GetGraphicsMode(w, h, d, hz);
  EXPECT_EQ(std::pair(d, hz), std::pair(16, 60));
  SetColor(0, 255, 0);
  DrawRect(600, 440, 40, 40);
  ExpectColour({{639, 479}}, {0, 255, 0});
  PresentFrame();
  // Losing focus gives the display mode back; focus takes it again.
  CallPlatformEventHook(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
  EXPECT_EQ(GLDisplayModeSwitched(), 0);
  CallPlatformEventHook(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
  EXPECT_EQ(GLDisplayModeSwitched(), 1);
  EXPECT_TRUE(SDL_GetWindowFlags(SDL_GL_GetCurrentWindow()) & SDL_WINDOW_FULLSCREEN);
  CloseGraphics();
  EXPECT_EQ(GLWindowOpen(), 0);
  EXPECT_EQ(GLDisplayModeSwitched(), 0);
  // Without a window commands do nothing.
  SetColor(255, 255, 255);
  DrawRect(0, 0, 10, 10);
  DrawOval(0, 0, 10, 10);
  ClearScreen();
  PresentFrame();
  EXPECT_EQ(ReadPixel(CapturePixmap(0, 0, 2, 2), 1, 1), 0u);
}

TEST(PlaceScaledPicture, FitKeepsTheShapeAndIntegerTakesWholeMultiples) {
  // Drawable width, height and method; the picture's x, y, width, height.
  const int cases[][7] = {
      // A 1920 x 1080 desktop: 2.25 times, bars left and right; or twice, centred.
      {1920, 1080, ScaleFit, 240, 0, 1440, 1080},
      {1920, 1080, ScaleInteger, 320, 60, 1280, 960},
      // Taller than the picture's shape: bars above and below.
      {1280, 1200, ScaleFit, 0, 120, 1280, 960},
      {1000, 500, ScaleFit, 167, 0, 666, 500},
      {1279, 959, ScaleInteger, 319, 239, 640, 480},
      // Smaller than the picture: integer scaling cannot fit, so it shrinks.
      {320, 300, ScaleInteger, 0, 30, 320, 240},
      {0, 0, ScaleFit, 0, 0, 0, 0},  // no drawable: nothing to place
  };
  for (const auto& c : cases) {
    const ScaledRect got = PlaceScaledPicture(640, 480, c[0], c[1], c[2]);
    EXPECT_EQ(std::vector<int>({got.x, got.y, got.width, got.height}),
              std::vector<int>(c + 3, c + 7))
        << c[0] << " x " << c[1] << " method " << c[2];
  }
}

constexpr unsigned kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// A rectangle of the window (right and bottom excluded) and its one colour.
struct Region {
  int left, top, right, bottom;
  unsigned colour;
};

// Presents the scaled picture and checks the window's back buffer (row 0 at
// the top): its size, the regions, and black at the points.
void ExpectShown(int width, int height, std::initializer_list<Region> regions, Points black) {
  PresentScaledPicture();
  int w = 0, h = 0;
  GetGLDrawableSize(w, h);
  ASSERT_EQ(std::pair(w, h), std::pair(width, height));
  auto bind = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(GetGLProcAddress("glBindFramebuffer"));
  GLint picture = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &picture);
  bind(GL_READ_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  std::vector<unsigned> shown(static_cast<size_t>(w) * h);  // 0xAARRGGBB
  glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, shown.data());
  bind(GL_READ_FRAMEBUFFER, static_cast<GLuint>(picture));
  glReadBuffer(PictureReadBuffer());
  auto at = [&](int x, int y) { return shown[static_cast<size_t>(h - 1 - y) * w + x] & 0xFFFFFF; };
  for (const Region& r : regions) {
    int wrong = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) wrong += at(x, y) != r.colour;
    EXPECT_EQ(wrong, 0) << "pixels of (" << r.left << ", " << r.top << ")-(" << r.right << ", "
                        << r.bottom << ") not " << std::hex << r.colour;
  }
  for (auto [x, y] : black) EXPECT_EQ(at(x, y), kBlack) << "window pixel " << x << ", " << y;
}

// A red rectangle near the top left, a green one in the bottom-right corner,
// on the black of a fresh display.
void DrawShapes() {
  ClearScreen();
  SetBlendMode(BlendSolid);
  SetColor(255, 0, 0);
  DrawRect(10, 20, 30, 40);
  SetColor(0, 255, 0);
  DrawRect(600, 440, 40, 40);
}

TEST_F(ScaledOutputTest,
       IntegerScalingDoublesPixelsAndPointerScissorAndClearWorkAtTheProgramsCoordinates) {
  SetGraphicsScaling(ScaleToWindow, ScaleInteger, 2);
  OpenGraphics(640, 480, 16, 60);
  ASSERT_EQ(ScaledOutputActive(), 1);
  EXPECT_TRUE(SDL_GetWindowFlags(SDL_GL_GetCurrentWindow()) & SDL_WINDOW_RESIZABLE);
  // Where the mapping takes the point (x, y).
  auto Mapped = [](void (*map)(int&, int&), int x, int y) {
    map(x, y);
    return std::pair(x, y);
  };
  EXPECT_EQ(Mapped(MapPointerToWindow, 20, 40), std::pair(41, 81));
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
  EXPECT_EQ(std::pair(MouseX(), MouseY()), std::pair(639, 1));

  DrawShapes();
  // Pixel reads stay in the program's coordinates.
  ExpectColour({{10, 20}, {39, 59}}, {255, 0, 0});
  ExpectColour({{40, 59}}, {0, 0, 0});
  ExpectColour({{639, 479}}, {0, 255, 0});
  // Logical (10, 20)-(40, 60) covers window (20, 40)-(80, 120), edges exact.
  ExpectShown(1280, 960, {{20, 40, 80, 120, kRed}, {1200, 880, 1280, 960, kGreen}},
              {{19, 40}, {80, 119}, {20, 39}, {79, 120}, {1199, 879}});

  SetViewport(100, 50, 60, 40);
  SetClearColor(0, 0, 255);
  ClearScreen();
  ExpectColour({{100, 50}, {159, 89}}, {0, 0, 255});
  ExpectColour({{160, 89}, {99, 50}}, {0, 0, 0});
  // Outside the scissor the red rectangle is kept.
  ExpectShown(1280, 960, {{200, 100, 320, 180, kBlue}, {20, 40, 80, 120, kRed}},
              {{199, 100}, {320, 179}});
  // Presenting neither dropped the scissor nor the clear colour: a second
  // clear still only touches the viewport, in blue.
  SetViewport(0, 0, 640, 480);
  SetClearColor(0, 0, 0);
  ClearScreen();
  SetViewport(300, 300, 10, 10);
  PresentScaledPicture();
  SetClearColor(0, 0, 255);
  ClearScreen();
  ExpectColour({{305, 305}}, {0, 0, 255});
  ExpectColour({{299, 305}, {10, 20}}, {0, 0, 0});

  // A plain window leaves positions as they are.
  SetGraphicsScaling(ScaleOff);
  OpenGraphics(640, 480, 0, 0);
  EXPECT_EQ(ScaledOutputActive(), 0);
  EXPECT_EQ(Mapped(MapPointerToProgram, 41, 81), std::pair(41, 81));
}

TEST_F(ScaledOutputTest,
       AResizedWindowIsFittedWithBlackBarsFromTheNextFrameOnAndItsCloseButtonReadsAsEscape) {
  SetGraphicsScaling(ScaleToWindow, ScaleFit, 1);
  OpenGraphics(640, 480, 0, 0);
  EXPECT_EQ(WindowSize(), std::pair(640, 480));
  // 1000 x 600 is wider than 4:3: the picture is 800 x 600 with bars of 100
  // on either side.
  SDL_SetWindowSize(SDL_GL_GetCurrentWindow(), 1000, 600);
  for (int frame = 0; frame < 3; ++frame) {
    DrawShapes();
    SetColor(0, 0, 255);
    DrawRect(0, 0, 640, 10);  // a blue band along the top
    if (frame == 2) break;
    PresentFrame();
    PumpMessages();
  }
  // 1.25 times: the band covers rows 0..12 from x 100 to 900; the red
  // rectangle (10, 20)-(40, 60) becomes (112.5, 25)-(150, 75); the green
  // square ends in the picture's bottom-right corner.
  ExpectShown(1000, 600,
              {{0, 0, 100, 600, kBlack},
               {900, 0, 1000, 600, kBlack},
               {100, 0, 900, 11, kBlue},
               {115, 28, 148, 73, kRed},
               {852, 552, 900, 600, kGreen}},
              {{108, 50}, {155, 50}});
  // And the program still reads its own 640 x 480 picture.
  EXPECT_EQ(CapturePixmap(0, 0, 640, 480)->width, 640);
  ExpectColour({{639, 479}}, {0, 255, 0});

  ResetKeys();
  SDL_Event close = WindowEvent(SDL_WINDOWEVENT_CLOSE);
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
  EXPECT_STREQ(SDL_GetWindowTitle(SDL_GL_GetCurrentWindow()), "QuarnGL Application");
  EXPECT_EQ(GLDisplayModeSwitched(), 0);
  // No mode was switched, so losing the focus must not minimise it.
  EXPECT_FALSE(SDL_GetHintBoolean(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, SDL_TRUE));
  SDL_Rect bounds;
  ASSERT_EQ(SDL_GetDisplayBounds(0, &bounds), 0);
  int w = 0, h = 0;
  GetGLDrawableSize(w, h);
  EXPECT_EQ(std::pair(w, h), std::pair(bounds.w, bounds.h));
  InstallGLDriver();  // the real mode list back for the other tests
  // Closing ends scaled output; opening plain draws straight to the window.
  CloseGraphics();
  EXPECT_EQ(ScaledOutputActive(), 0);
  SetGraphicsScaling(ScaleOff);
  OpenGraphics(640, 480, 0, 0);
  EXPECT_EQ(PictureReadBuffer(), static_cast<unsigned>(GL_BACK));
}

}  // namespace
}  // namespace salvo::testing
