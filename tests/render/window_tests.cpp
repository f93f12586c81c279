// The SDL window under Xvfb (640 x 480 x 24): display modes, windowed and
// full-screen windows, focus handling, the pointer and ignored close requests.
#include <SDL.h>

#include "gl_test_support.h"
#include "input/input.h"
#include "input/sdl_events.h"
#include "render/gl_window.h"

namespace salvo::testing {
namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallGLDriver(); }
  void TearDown() override {
    CloseGraphics();
    ReleaseStep();
  }
};

SDL_Window* CurrentWindow() {
  return SDL_GL_GetCurrentWindow();
}

SDL_Event WindowEvent(Uint8 kind) {
  SDL_Event event{SDL_WINDOWEVENT};
  event.window.event = kind;
  event.window.windowID = SDL_GetWindowID(CurrentWindow());
  return event;
}

TEST_F(WindowTest, ModesAreListedFromTheDisplay) {
  EXPECT_LE(CountGraphicsModes(), 256);
  for (int i = 0, w, h, d, hz; i < CountGraphicsModes(); ++i) {
    GetGraphicsModeInfo(i, w, h, d, hz);
    EXPECT_GE(d, 16);
  }
  EXPECT_EQ(GraphicsModeExists(640, 480, 0, 0), 1);
  EXPECT_EQ(EnumerateDisplayModes(1).size(), 1u);
}

TEST_F(WindowTest, WindowedDisplaysAreFixedSizeCaptionedWindowsOfAnySize) {
  OpenGraphics(300, 200, 0, 0);
  ASSERT_EQ(GLWindowOpen(), 1);
  SDL_Window* window = CurrentWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(window), "QuarnGL Window");
  const Uint32 flags = SDL_GetWindowFlags(window);
  EXPECT_FALSE(flags & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_BORDERLESS));
  int w = 0, h = 0, doubleBuffered = 0;
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 200);
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
}

TEST_F(WindowTest, FullScreenTakesTheDisplaysModeWhileItHasTheFocus) {
  OpenGraphics(640, 480, 16, 60);
  ASSERT_EQ(GLWindowOpen(), 1);
  SDL_Window* window = CurrentWindow();
  EXPECT_STREQ(SDL_GetWindowTitle(window), "QuarnGL Application");
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
  EXPECT_EQ(GLDisplayModeSwitched(), 1);
  int w, h, d, hz;
  GetGraphicsMode(w, h, d, hz);
  EXPECT_EQ(d, 16);
  EXPECT_EQ(hz, 60);

  ClearScreen();
  SetColor(0, 255, 0);
  DrawRect(600, 440, 40, 40);
  EXPECT_TRUE(Near(PixelAt(639, 479), {0, 255, 0}));
  PresentFrame();

  // Losing focus gives the display mode back; focus takes it again.
  CallPlatformEventHook(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
  EXPECT_EQ(GLDisplayModeSwitched(), 0);
  CallPlatformEventHook(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
  EXPECT_EQ(GLDisplayModeSwitched(), 1);
  EXPECT_TRUE(SDL_GetWindowFlags(CurrentWindow()) & SDL_WINDOW_FULLSCREEN);

  CloseGraphics();
  EXPECT_EQ(GLWindowOpen(), 0);
  EXPECT_EQ(GLDisplayModeSwitched(), 0);
}

TEST_F(WindowTest, AFullScreenSizeTheDisplayLacksLeavesTheOpenWindowAlone) {
  OpenGraphics(640, 480, 0, 0);
  SDL_Window* window = CurrentWindow();
  EXPECT_EQ(RuntimeErrorText([] { OpenGraphics(800, 600, 32, 60); }),
            "Graphics mode does not exist");
  EXPECT_EQ(GLWindowOpen(), 1);
  EXPECT_EQ(CurrentWindow(), window);
  EXPECT_EQ(GetGraphicsWidth(), 640);
}

TEST_F(WindowTest, CloseRequestsAreIgnoredAndTheLastPointerCallWins) {
  OpenGraphics(320, 240, 0, 0);
  SDL_Event close = WindowEvent(SDL_WINDOWEVENT_CLOSE);
  SDL_PushEvent(&close);
  SDL_Event quit{SDL_QUIT};
  SDL_PushEvent(&quit);
  PumpMessages();
  EXPECT_EQ(GLWindowOpen(), 1);
  EXPECT_EQ(DrawingContext().graphicsOpen, 1);

  ShowMouse();
  ShowMouse();
  HideMouse();
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  HideMouse();
  ShowMouse();
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

}  // namespace
}  // namespace salvo::testing
