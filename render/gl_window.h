// The platform side of the OpenGL driver, on SDL2: the display-mode list, one
// window with an OpenGL context (windowed, or full screen with the display
// switched while the window has the focus), buffer swaps, the swap interval
// and the mouse pointer. At most one window exists.
#pragma once

#include <string>
#include <vector>

#include "pixmap/pixmap.h"

namespace salvo {

// OpenGLWindow flags.
inline constexpr int GLWindowFullscreen = 1;
inline constexpr int GLWindowDoubleBuffer = 2;
inline constexpr int GLWindowAlpha = 4;
inline constexpr int GLWindowDepth = 8;
inline constexpr int GLWindowStencil = 16;
inline constexpr int GLWindowAccum = 32;
// Full screen at the desktop's own resolution, no display mode switched; the
// size passed is ignored.
inline constexpr int GLWindowDesktop = 64;
// A resizable window whose close button is read as a press of Escape.
inline constexpr int GLWindowResizable = 128;

struct DisplayModeInfo {
  int width = 0;
  int height = 0;
  int depth = 0;  // bits per pixel
  int hertz = 0;  // 0 when the system does not know the refresh rate
};

// The primary display's modes of 16 bits per pixel or more, in the system's
// order, duplicates kept, at most `capacity` of them. Empty when there is no
// video system.
std::vector<DisplayModeInfo> EnumerateDisplayModes(int capacity = 256);

// The title and icon (any pixmap, read as 0xAARRGGBB) of the game's window,
// for the window open now and every one opened later. Without one (title
// ""), windows opened keep the runtime's titles and the system's icon.
void SetGLWindowIdentity(const std::string& title, const Ref<TPixmap>& icon);

// Closes any open window, then opens a new one with a current GL context.
// Returns 1 on success, 0 when no window or context could be made.
int OpenGLWindow(int width, int height, int depth, int hertz, int flags);
// Deletes the context and the window and gives the desktop its mode back.
void CloseGLWindow();
// 1 while a window with a current GL context exists.
int GLWindowOpen();
void SwapGLBuffers();
// 1 when the system accepted the interval, else 0.
int SetSwapInterval(int interval);
// Shows (1) or hides (0) the pointer over the window; only while a window is open.
void SetMouseVisible(int visible);
// 1 while a full-screen window holds the display in its mode.
int GLDisplayModeSwitched();

// The size of the open window's GL drawable in pixels, and of the window in
// the units pointer positions come in (they differ on high-density screens);
// 0 x 0 without a window.
void GetGLDrawableSize(int& width, int& height);
void GetGLWindowSize(int& width, int& height);
// The size of the primary desktop's usable area (without panels and docks);
// false when there is no display to measure.
bool GetDesktopUsableSize(int& width, int& height);
// The largest whole multiple of width x height that fits the desktop's usable
// area, at least 1.
int LargestWindowScale(int width, int height);
// A GL entry point of the current context, or nullptr.
void* GetGLProcAddress(const char* name);
// Why the video system could not start or the last OpenGLWindow failed, in
// the system's own words; "" after a success.
std::string LastWindowError();

// How this platform's window system is reached, for a player told that no
// display could be opened: `reachedThrough` names what was used ("DISPLAY is
// :0" on Linux; "" where there is nothing to name) and `advice` says where
// the game can open one, as one sentence without a full stop.
struct TWindowSession {
  std::string reachedThrough;
  std::string advice;
};
TWindowSession DescribeWindowSession();

}  // namespace salvo
