#include "render/gl_window.h"

#include <SDL.h>

#include <cstdlib>

#include "input/sdl_events.h"
#include "render/x11_guard.h"

namespace salvo {

namespace {

struct WindowState {
  bool videoReady = false;
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
};

WindowState& State() {
  static WindowState state;
  return state;
}

bool StartVideo() {
  WindowState& state = State();
  if (state.videoReady) return true;
  // Ctrl+C keeps its default effect; SDL must not take the signals over.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A full-screen window gives the desktop its mode back and minimises when
  // it loses the focus.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
  // Mouse buttons held over a windowed window keep reporting outside it.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "1");
  state.videoReady = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
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
  // The fixed-function pipeline lives in the compatibility profile.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
}

SDL_Window* CreateWindowedWindow(int width, int height) {
  return SDL_CreateWindow("QuarnGL Window", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                          height, SDL_WINDOW_OPENGL);
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
void HandleWindowEvent(const SDL_Event& event) {
  WindowState& state = State();
  if (event.type != SDL_WINDOWEVENT || !state.window || !state.fullscreen || !state.haveMode) {
    return;
  }
  if (event.window.windowID != SDL_GetWindowID(state.window)) return;
  if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED && !state.modeSwitched) {
    if (SDL_GetWindowFlags(state.window) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(state.window);
    state.modeSwitched = SDL_SetWindowFullscreen(state.window, SDL_WINDOW_FULLSCREEN) == 0;
  } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && state.modeSwitched) {
    // SDL gives the desktop its mode back as it minimises the window.
    SDL_MinimizeWindow(state.window);
    state.modeSwitched = 0;
  }
}

}  // namespace

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

  state.fullscreen = (flags & GLWindowFullscreen) != 0;
  state.haveMode =
      state.fullscreen && FindFullscreenMode(width, height, depth, hertz, state.fullscreenMode);
  state.modeSwitched = 0;

  SetContextAttributes(flags);
  state.window = state.fullscreen ? CreateFullscreenWindow(width, height)
                                  : CreateWindowedWindow(width, height);
  if (!state.window) return 0;
  state.glContext = SDL_GL_CreateContext(state.window);
  if (!state.glContext) {
    SDL_DestroyWindow(state.window);
    state.window = nullptr;
    state.modeSwitched = 0;
    return 0;
  }
  SDL_GL_MakeCurrent(state.window, state.glContext);
  GuardX11Window(state.window);
  state.contextOpen = 1;
  SetSwapInterval(0);
  return 1;
}

void CloseGLWindow() {
  WindowState& state = State();
  if (!state.contextOpen) return;
  ReleaseX11Window();
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
  if (State().contextOpen) SDL_GL_SwapWindow(State().window);
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

}  // namespace salvo
