// Ending the game cleanly when its X display goes away. Xlib's own handlers
// end the process through exit(), whose exit handlers then talk to the dead
// connection and never return; SDL's handler for protocol errors makes a
// request from inside the handler and waits forever on Xlib's lock. These
// handlers replace both for the game's window: one line on stderr, then the
// process ends at once without touching the connection again.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "render/window_system_internal.h"

namespace salvo {

namespace {

// Read inside the handlers, so plain data prepared beforehand.
char ioErrorMessage[256] = "X connection lost\n";
std::atomic<unsigned long> guardedWindow{0};
bool installed = false;

// Only async-signal-safe calls: the handler may run while Xlib holds its lock
// and anything could be half done.
[[noreturn]] void EndWith(const char* message) {
  ssize_t ignored = write(STDERR_FILENO, message, std::strlen(message));
  (void)ignored;
  _exit(kDisplayLostExitCode);
}

// The connection is gone: nothing may be sent over it any more, not even by
// exit handlers, so the process ends here.
int OnIOError(Display*) {
  EndWith(ioErrorMessage);
}

// A request about the game's window failed because the window no longer
// exists (destroyed by the window manager, xdotool or another client). The
// game cannot draw anywhere: it ends. Any other error is one a running game
// survives; it is left without a request (Xlib's lock is held here).
int OnXError(Display*, XErrorEvent* error) {
  const unsigned long window = guardedWindow.load();
  const bool gone = error->error_code == BadWindow || error->error_code == BadDrawable;
  if (window != 0 && gone && error->resourceid == window) {
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
    XSetIOErrorHandler(OnIOError);
    XSetErrorHandler(OnXError);
    installed = true;
  }
  guardedWindow.store(info.info.x11.window);
}

void ReleaseWindowConnection() {
  guardedWindow.store(0);
}

}  // namespace salvo
