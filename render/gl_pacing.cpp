#include <algorithm>
#include <chrono>

#include "input/clock.h"
#include "render/gl_pacing_internal.h"
#include "runtime/thread_sleep.h"

namespace salvo {

void TFramePacer::Calibrate(int frequency) {
  hertz = frequency;
  pacing = 0;
  pacingTicks = 0;
  if (setSwapInterval) setSwapInterval(1);
  if (hertz <= 0) return;

  const int frameTime = 1000 / hertz;
  int matches = 0;
  for (int i = 0; i < hertz; ++i) {
    const int t0 = Millis();
    if (swapBuffers) swapBuffers();
    const int d = MillisSince(t0) - frameTime;
    if (d >= -1 && d <= 1) {
      if (++matches == 3) return;  // the display waits for its retrace
    } else {
      matches = 0;
    }
  }
  pacing = 1;
  pacingStart = Millis();
  if (microClock) pacingStartMicros = microClock();
  if (setSwapInterval) setSwapInterval(0);
}

void TFramePacer::Present() {
  if (pacing) {
    if (microClock && sleepMicros) {
      WaitOnMicros();
    } else {
      WaitOnMillis();
    }
  }
  if (swapBuffers) swapBuffers();
}

void TFramePacer::WaitOnMillis() {
  const int elapsed = MillisSince(pacingStart);
  pacingTicks += 1000;
  const int64_t wait = pacingTicks / hertz - elapsed;
  if (wait > 0 && wait < 1000) {
    Delay(static_cast<int>(wait));
  } else {
    pacingTicks = static_cast<int64_t>(elapsed) * hertz;
  }
}

void TFramePacer::WaitOnMicros() {
  // The same schedule and the same decisions as on the millisecond clock,
  // with the elapsed time read in whole milliseconds...
  const int64_t elapsed = (microClock() - pacingStartMicros) / 1000;
  pacingTicks += 1000;
  const int64_t dueMillis = pacingTicks / hertz;
  const int64_t wait = dueMillis - elapsed;
  if (!(wait > 0 && wait < 1000)) {
    pacingTicks = elapsed * hertz;
    return;
  }
  // ...but the sleep ends at the deadline itself: most of it in one sleep,
  // the last stretch in short naps, as a sleep may overrun its request.
  const int64_t deadline = pacingStartMicros + dueMillis * 1000;
  for (;;) {
    const int64_t remaining = deadline - microClock();
    if (remaining <= 0) break;
    sleepMicros(remaining > 2000 ? remaining - 1000 : std::min<int64_t>(remaining, 200));
  }
}

int64_t SteadyMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SleepMicros(int64_t micros) {
  SleepThreadMicros(micros);
}

}  // namespace salvo
