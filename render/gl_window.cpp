#include "render/gl_window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "input/input_state.h"
#include "input/sdl_events.h"
#include "render/gl_platform_internal.h"
#include "render/window_system_internal.h"

namespace salvo {

namespace {

struct WindowState {
  bool videoReady = false;
  bool videoTried = false;
  bool exitHandlerRegistered = false;
  SDL_Window* window = nullptr;
  SDL_GLContext glContext = nullptr;
  int contextOpen = 0;
  // Full screen: the display mode to hold while focused. haveMode is false
  // for a windowed window, or when the display has no mode of the size.
  bool fullscreen = false;
  bool haveMode = false;
  SDL_DisplayMode fullscreenMode{};
  int modeSwitched = 0;
  // A resizable window: its close button reads as Escape.
  bool closeIsEscape = false;
  std::string videoError;
  // The program's own title and icon (0xAARRGGBB rows), when it gave them.
  std::string title;
  std::vector<uint32_t> icon;
  int iconSize = 0;
};

WindowState& State() {
  static WindowState state;
  return state;
}

// With no window system to reach, SDL falls back to its offscreen driver,
// whose windows nobody can see. Unless that driver was asked for by name
// (SDL_VIDEODRIVER), there is no display.
bool FellBackToNoScreen() {
  const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (requested && *requested) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  const std::string name = driver ? driver : "";
  return name == "offscreen" || name == "dummy";
}

// What the window-system drivers themselves report when asked one by one.
std::string WhyNoWindowSystem() {
  std::string reasons;
  for (const std::string& name : WindowSystemNames()) {
    if (SDL_VideoInit(name.c_str()) == 0) {
      SDL_VideoQuit();
      continue;
    }
    if (!reasons.empty()) reasons += ", ";
    reasons += SDL_GetError();
  }
  return reasons.empty() ? "SDL found no display" : reasons;
}

// SDL's own choice can fall back to the offscreen driver when its first look
// at a busy X server fails; asking for each window system by name once more
// finds a display that is there.
bool StartWindowSystemByName() {
  for (const std::string& name : WindowSystemNames()) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, name.c_str(), SDL_HINT_OVERRIDE);
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (started) return true;
  }
  return false;
}

bool StartVideo() {
  WindowState& state = State();
  // One try per process: a display does not appear while the program runs,
  // and every failed try costs the system's complaints on stderr again.
  if (state.videoReady || state.videoTried) return state.videoReady;
  state.videoTried = true;
  // Ctrl+C keeps its default effect; SDL must not take the signals over.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A full-screen window gives the desktop its mode back and minimises when
  // it loses the focus.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
  // Mouse buttons held over a windowed window keep reporting outside it.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "1");
  state.videoReady = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  state.videoError = state.videoReady ? "" : SDL_GetError();
  if (state.videoReady && FellBackToNoScreen()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    state.videoReady = StartWindowSystemByName();
    if (!state.videoReady) state.videoError = WhyNoWindowSystem();
  }
  return state.videoReady;
}

// The video subsystem itself stays up to the end: shutting it down here
// would unload the GL driver before the leak checker of a sanitizer build can
// attribute the driver's own allocations to it.
void CloseAtExit() {
  CloseGLWindow();
}

// The display mode of the size, preferring the requested bits per pixel and
// requiring the refresh rate when one is given. A refused rate is dropped once.
bool FindFullscreenMode(int width, int height, int depth, int hertz, SDL_DisplayMode& found) {
  const int count = SDL_GetNumDisplayModes(0);
  for (int rate : {hertz, 0}) {
    bool any = false;
    for (int i = 0; i < count; ++i) {
      SDL_DisplayMode mode;
      if (SDL_GetDisplayMode(0, i, &mode) != 0) break;
      const int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
      if (mode.w != width || mode.h != height || bits < 16) continue;
      if (rate != 0 && mode.refresh_rate != rate) continue;
      if (bits == depth) {
        found = mode;
        return true;
      }
      if (!any) found = mode;
      any = true;
    }
    if (any) return true;
    if (hertz == 0) break;
  }
  return false;
}

void SetContextAttributes(int flags) {
  auto bit = [flags](int flag) { return (flags & flag) ? 1 : 0; };
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, bit(GLWindowDoubleBuffer));
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, bit(GLWindowAlpha));
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, bit(GLWindowDepth));
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, bit(GLWindowStencil));
  const int accum = bit(GLWindowAccum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
  RequestFixedFunctionContext();
}

SDL_Window* CreateWindowedWindow(int width, int height, bool resizable) {
  const Uint32 flags = SDL_WINDOW_OPENGL | (resizable ? SDL_WINDOW_RESIZABLE : 0);
  return SDL_CreateWindow("QuarnGL Window", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                          height, flags);
}

// Covers the whole primary display at its current resolution.
SDL_Window* CreateDesktopWindow() {
  SDL_Rect bounds{0, 0, 640, 480};
  SDL_GetDisplayBounds(0, &bounds);
  return SDL_CreateWindow("QuarnGL Application", bounds.x, bounds.y, bounds.w, bounds.h,
                          SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN_DESKTOP);
}

// A full-screen window at the requested mode, or, when the display has no
// mode of that size, a topmost borderless window of the size at (0, 0).
SDL_Window* CreateFullscreenWindow(int width, int height) {
  WindowState& state = State();
  if (!state.haveMode) {
    return SDL_CreateWindow("QuarnGL Application", 0, 0, width, height,
                            SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP);
  }
  SDL_Window* window = SDL_CreateWindow("QuarnGL Application", 0, 0, width, height,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return nullptr;
  SDL_SetWindowDisplayMode(window, &state.fullscreenMode);
  state.modeSwitched = SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
  SDL_ShowWindow(window);
  return window;
}

// Focus changes of a full-screen window: the display is switched while the
// window has the focus and given back (the window minimised) when it goes.
// The close button of a resizable window is read as Escape pressed and
// released; other windows ignore close requests.
void HandleWindowEvent(const SDL_Event& event) {
  WindowState& state = State();
  if (event.type != SDL_WINDOWEVENT || !state.window) return;
  if (event.window.windowID != SDL_GetWindowID(state.window)) return;
  if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
    if (state.closeIsEscape) {
      FeedKeyDown(VK_ESCAPE);
      FeedKeyUp(VK_ESCAPE);
    }
    return;
  }
  if (!state.fullscreen || !state.haveMode) return;
  if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED && !state.modeSwitched) {
    if (SDL_GetWindowFlags(state.window) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(state.window);
    state.modeSwitched = SDL_SetWindowFullscreen(state.window, SDL_WINDOW_FULLSCREEN) == 0;
  } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && state.modeSwitched) {
    // SDL gives the desktop its mode back as it minimises the window.
    SDL_MinimizeWindow(state.window);
    state.modeSwitched = 0;
  }
}

// Gives the window the program's title and icon, when it has them.
void ApplyIdentity(SDL_Window* window) {
  const WindowState& state = State();
  if (!window || state.title.empty()) return;
  SDL_SetWindowTitle(window, state.title.c_str());
  if (state.icon.empty()) return;
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<uint32_t*>(state.icon.data()), state.iconSize, state.iconSize, 32,
      state.iconSize * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!icon) return;
  SDL_SetWindowIcon(window, icon);
  SDL_FreeSurface(icon);
}

}  // namespace

void SetGLWindowIdentity(const std::string& title, const Ref<TPixmap>& icon) {
  WindowState& state = State();
  state.title = title;
  state.icon.clear();
  state.iconSize = 0;
  if (icon && icon->width > 0 && icon->width == icon->height) {
    state.iconSize = icon->width;
    for (int y = 0; y < icon->height; ++y) {
      for (int x = 0; x < icon->width; ++x) state.icon.push_back(ReadPixel(icon, x, y));
    }
  }
  ApplyIdentity(state.window);
}

std::vector<DisplayModeInfo> EnumerateDisplayModes(int capacity) {
  std::vector<DisplayModeInfo> modes;
  if (!StartVideo()) return modes;
  const int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count && static_cast<int>(modes.size()) < capacity; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) != 0) break;
    const int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    if (bits < 16) continue;
    modes.push_back({mode.w, mode.h, bits, mode.refresh_rate});
  }
  return modes;
}

int OpenGLWindow(int width, int height, int depth, int hertz, int flags) {
  CloseGLWindow();
  if (!StartVideo()) return 0;
  WindowState& state = State();
  if (!state.exitHandlerRegistered) {
    state.exitHandlerRegistered = true;
    std::atexit(CloseAtExit);
    SetPlatformEventHook(HandleWindowEvent);
  }

  const bool desktop = (flags & GLWindowDesktop) != 0;
  state.fullscreen = desktop || (flags & GLWindowFullscreen) != 0;
  state.haveMode = state.fullscreen && !desktop &&
                   FindFullscreenMode(width, height, depth, hertz, state.fullscreenMode);
  state.modeSwitched = 0;
  state.closeIsEscape = (flags & GLWindowResizable) != 0;
  // A desktop-sized window switched no mode, so it has none to give back:
  // it stays on screen when another window takes the focus.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, desktop ? "0" : "1");

  state.videoError.clear();
  SetContextAttributes(flags);
  if (desktop) {
    state.window = CreateDesktopWindow();
  } else if (state.fullscreen) {
    state.window = CreateFullscreenWindow(width, height);
  } else {
    state.window = CreateWindowedWindow(width, height, state.closeIsEscape);
  }
  if (!state.window) {
    state.videoError = SDL_GetError();
    return 0;
  }
  state.glContext = SDL_GL_CreateContext(state.window);
  if (!state.glContext) {
    state.videoError = SDL_GetError();
    SDL_DestroyWindow(state.window);
    state.window = nullptr;
    state.modeSwitched = 0;
    return 0;
  }
  SDL_GL_MakeCurrent(state.window, state.glContext);
  ApplyIdentity(state.window);
  GuardWindowConnection(state.window);
  state.contextOpen = 1;
  SetSwapInterval(0);
  return 1;
}

void CloseGLWindow() {
  WindowState& state = State();
  if (!state.contextOpen) return;
  ReleaseWindowConnection();
  SDL_GL_MakeCurrent(state.window, nullptr);
  SDL_GL_DeleteContext(state.glContext);
  // Leaving full screen gives the desktop its own mode back.
  if (state.fullscreen) SDL_SetWindowFullscreen(state.window, 0);
  SDL_DestroyWindow(state.window);
  state.glContext = nullptr;
  state.window = nullptr;
  state.contextOpen = 0;
  state.modeSwitched = 0;
}

int GLWindowOpen() {
  return State().contextOpen;
}

void SwapGLBuffers() {
  if (State().contextOpen) SwapWindowBuffers(State().window);
}

int SetSwapInterval(int interval) {
  if (!State().contextOpen) return 0;
  return SDL_GL_SetSwapInterval(interval) == 0 ? 1 : 0;
}

void SetMouseVisible(int visible) {
  // SDL keeps a plain shown/hidden state, which is what the calls here mean:
  // the last one wins however often either is repeated.
  if (State().contextOpen) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

int GLDisplayModeSwitched() {
  return State().modeSwitched;
}

void GetGLDrawableSize(int& width, int& height) {
  width = height = 0;
  if (State().contextOpen) SDL_GL_GetDrawableSize(State().window, &width, &height);
}

void GetGLWindowSize(int& width, int& height) {
  width = height = 0;
  if (State().contextOpen) SDL_GetWindowSize(State().window, &width, &height);
}

bool GetDesktopUsableSize(int& width, int& height) {
  SDL_Rect usable{0, 0, 0, 0};
  if (!StartVideo() || SDL_GetDisplayUsableBounds(0, &usable) != 0) return false;
  width = usable.w;
  height = usable.h;
  return true;
}

int LargestWindowScale(int width, int height) {
  int usableWidth = 0;
  int usableHeight = 0;
  if (width <= 0 || height <= 0 || !GetDesktopUsableSize(usableWidth, usableHeight)) return 1;
  const int scale = std::min(usableWidth / width, usableHeight / height);
  return std::max(scale, 1);
}

void* GetGLProcAddress(const char* name) {
  return State().contextOpen ? SDL_GL_GetProcAddress(name) : nullptr;
}

std::string LastWindowError() {
  return State().videoError;
}

}  // namespace salvo
