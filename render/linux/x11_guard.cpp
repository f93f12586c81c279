// Ending the game cleanly when its X display goes away. Xlib's own handlers
// end the process through exit(), whose exit handlers then talk to the dead
// connection and never return; SDL's handler for protocol errors makes a
// request from inside the handler and waits forever on Xlib's lock. These
// handlers replace both for the game's window: one line on stderr, then the
// process ends at once without touching the connection again. When only the
// window is gone, the server still answers: a connection of its own gives the
// display its mode back first, so the desktop is not left at 640 x 480.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "render/display_lost.h"
#include "render/window_system_internal.h"

namespace salvo {

namespace {

// Read inside the handlers, so plain data prepared beforehand.
char ioErrorMessage[256] = "X connection lost\n";
char displayName[256] = "";
std::atomic<unsigned long> guardedWindow{0};
bool installed = false;
// The desktop's own mode, as SDL found it before any switch.
int desktopWidth = 0;
int desktopHeight = 0;
int desktopHertz = 0;

// Nothing that talks to the display: the handler may run while Xlib holds
// its lock and anything of it could be half done. The hook (which finishes a
// recording's file) leaves the display alone too.
[[noreturn]] void EndWith(const char* message) {
  RunDisplayLostHook();
  ssize_t ignored = write(STDERR_FILENO, message, std::strlen(message));
  (void)ignored;
  _exit(kDisplayLostExitCode);
}

[[noreturn]] void OnRestoreTimeout(int) {
  EndWith("The game's window was closed by the window system\n");
}

// Sets the screen back to the desktop's size through `display`, a connection
// other than the game's (the game's own is locked by Xlib while its error
// handler runs). Does nothing when the screen already has that size.
void RestoreDesktopSize(Display* display) {
  const Window root = DefaultRootWindow(display);
  XRRScreenConfiguration* config = XRRGetScreenInfo(display, root);
  if (!config) return;
  int count = 0;
  XRRScreenSize* sizes = XRRConfigSizes(config, &count);
  Rotation rotation = 0;
  const SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
  for (int i = 0; i < count; ++i) {
    if (sizes[i].width != desktopWidth || sizes[i].height != desktopHeight) continue;
    if (i == current) break;
    const short hertz = static_cast<short>(desktopHertz);
    if (hertz == 0 || XRRSetScreenConfigAndRate(display, config, root, i, rotation, hertz,
                                                CurrentTime) != RRSetConfigSuccess) {
      XRRSetScreenConfig(display, config, root, i, rotation, CurrentTime);
    }
    break;
  }
  XRRFreeScreenConfigInfo(config);
}

// Gives the display its own mode back over a fresh connection, bounded in
// time: a server that stops answering must not keep the game from ending.
void RestoreDesktopMode() {
  if (desktopWidth <= 0 || desktopHeight <= 0) return;
  signal(SIGALRM, OnRestoreTimeout);
  alarm(2);
  if (Display* display = XOpenDisplay(displayName)) {
    int event = 0;
    int error = 0;
    if (XRRQueryExtension(display, &event, &error)) RestoreDesktopSize(display);
    XCloseDisplay(display);
  }
  alarm(0);
}

// The connection is gone: nothing may be sent over it any more, not even by
// exit handlers, so the process ends here.
int OnIOError(Display*) {
  EndWith(ioErrorMessage);
}

// A request about the game's window failed because the window no longer
// exists (destroyed by the window manager, xdotool or another client). The
// game cannot draw anywhere: it gives the display its mode back and ends. Any
// other error is one a running game survives; it is left without a request
// (Xlib's lock is held here).
int OnXError(Display*, XErrorEvent* error) {
  const unsigned long window = guardedWindow.load();
  const bool gone = error->error_code == BadWindow || error->error_code == BadDrawable;
  if (window != 0 && gone && error->resourceid == window) {
    RestoreDesktopMode();
    EndWith("The game's window was closed by the window system\n");
  }
  return 0;
}

}  // namespace

void GuardWindowConnection(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  if (!installed) {
    const char* name = DisplayString(info.info.x11.display);
    std::snprintf(ioErrorMessage, sizeof ioErrorMessage, "X connection to %s lost\n",
                  name ? name : "the display");
    std::snprintf(displayName, sizeof displayName, "%s", name ? name : "");
    XSetIOErrorHandler(OnIOError);
    XSetErrorHandler(OnXError);
    installed = true;
  }
  SDL_DisplayMode desktop;
  if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &desktop) == 0) {
    desktopWidth = desktop.w;
    desktopHeight = desktop.h;
    desktopHertz = desktop.refresh_rate;
  }
  guardedWindow.store(info.info.x11.window);
}

void ReleaseWindowConnection() {
  guardedWindow.store(0);
}

}  // namespace salvo
