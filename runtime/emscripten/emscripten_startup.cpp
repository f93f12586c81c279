// The start-up stub in the browser: a page delivers no signals, a crash of
// the program's WebAssembly ends it with the page's own error, and there is
// no executable file, only the program name emscripten passes as argv[0].
#include <emscripten.h>

#include <cstdint>
#include <cstdlib>

#include "runtime/startup_platform_internal.h"

namespace salvo {

void InstallSignalHandlers() {}

std::string ExecutablePath(const char* argv0) {
  return argv0 ? argv0 : "";
}

namespace {

void ExitWith(void* code) {
  std::exit(static_cast<int>(reinterpret_cast<intptr_t>(code)));
}

}  // namespace

// exit() right here would unwind through the browser callback that last
// resumed the program, where the page sees it as an uncaught error; from a
// callback of its own it ends the program quietly.
int EndProgram(int code) {
  emscripten_async_call(ExitWith, reinterpret_cast<void*>(static_cast<intptr_t>(code)), 0);
  return code;
}

// Standard output and errors go to the page's console.
void ConnectToConsole() {}

}  // namespace salvo
