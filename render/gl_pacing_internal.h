// Internal header of render/ (not part of its public API).
// Frame pacing for displays whose buffer swaps do not wait for the retrace.
//
// Calibration times a few swaps: if three in a row take one frame time (give
// or take a millisecond) the display paces itself. Otherwise every Present
// sleeps until its frame is due, frame n at start + n * 1000 / hertz ms on the
// millisecond clock, so the schedule never drifts; a late frame, or a wait of
// a second or more, re-bases the schedule instead of rushing to catch up.
//
// Given a microsecond clock, the pacer keeps the same millisecond schedule on
// it but wakes within a fraction of a millisecond of each deadline, where
// whole-millisecond sleeps on a millisecond clock land up to a millisecond
// or more late.
#pragma once

#include <cstdint>
#include <functional>

namespace salvo {

class TFramePacer {
 public:
  // What the pacer drives on the display. The window module points these at
  // the real window; tests point them at scripted ones.
  std::function<void()> swapBuffers;
  std::function<int(int interval)> setSwapInterval;
  // A finer clock for the waits (microseconds, steady) and a sleep on it.
  // Without them the waits are whole milliseconds on the system driver's
  // clock.
  std::function<int64_t()> microClock;
  std::function<void(int64_t micros)> sleepMicros;

  // Decides whether software pacing is needed for hertz frames per second;
  // hertz 0 turns pacing off and leaves the swap interval at 1.
  void Calibrate(int hertz);
  // Waits until the next frame is due (when pacing), then swaps.
  void Present();

  int pacing = 0;
  int pacingStart = 0;  // ms on the clock when pacing started
  // Sum of 1000 per presented frame: frame n is due at pacingStart +
  // pacingTicks / hertz. 64 bits, as at 60 Hz 32 bits would overflow after
  // about ten hours.
  int64_t pacingTicks = 0;
  int hertz = 0;
  int64_t pacingStartMicros = 0;  // on microClock, when pacing started

 private:
  void WaitOnMillis();
  void WaitOnMicros();
};

// The steady system clock in microseconds, and a sleep of the calling thread
// on it: what the window module gives the pacer.
int64_t SteadyMicros();
void SleepMicros(int64_t micros);

}  // namespace salvo
