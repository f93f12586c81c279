#include "render/gl_pacing.h"

#include "input/clock.h"

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
  if (setSwapInterval) setSwapInterval(0);
}

void TFramePacer::Present() {
  if (pacing) {
    const int elapsed = MillisSince(pacingStart);
    pacingTicks += 1000;
    const int64_t wait = pacingTicks / hertz - elapsed;
    if (wait > 0 && wait < 1000) {
      Delay(static_cast<int>(wait));
    } else {
      pacingTicks = static_cast<int64_t>(elapsed) * hertz;
    }
  }
  if (swapBuffers) swapBuffers();
}

}  // namespace salvo
