// A plain sleep of the thread, resumed when a signal cuts it short.
#include "runtime/thread_sleep.h"

#include <cerrno>
#include <ctime>

namespace salvo {

void SleepThreadMicros(int64_t micros) {
  if (micros <= 0) return;
  timespec remaining{static_cast<time_t>(micros / 1000000),
                     static_cast<long>(micros % 1000000) * 1000L};
  while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
  }
}

}  // namespace salvo
