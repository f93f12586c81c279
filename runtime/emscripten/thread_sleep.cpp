// The browser's sleep: the program's stack is put aside (ASYNCIFY) and the
// page runs its own tasks until a timer resumes it. A thread that merely
// waited would freeze the page, input and pictures included.
#include "runtime/thread_sleep.h"

#include <emscripten.h>

namespace salvo {

void SleepThreadMicros(int64_t micros) {
  if (micros < 1000) return;
  emscripten_sleep(static_cast<unsigned>(micros / 1000));
}

}  // namespace salvo
