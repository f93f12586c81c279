// The millisecond clock, sleep, fixed-rate timers and the date and time
// strings. Millis and Delay go through the installed system driver, so a
// scripted driver controls the time the game sees.
#pragma once

#include <cstdint>

#include "runtime/object.h"
#include "runtime/string.h"

namespace salvo {

// The driver's clock: milliseconds, wrapping after 2^32. Compare readings only
// by subtraction (b - a stays the elapsed time across one wrap).
int Millis();
// later - earlier for two clock readings, right across one wrap of the clock.
inline int ClockDifference(int later, int earlier) {
  return static_cast<int>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}
// Milliseconds since the reading `start`, right across one wrap of the clock.
int MillisSince(int start);
// Sleeps through the driver; nothing for ms <= 0.
void Delay(int ms);

// The platform clock the real drivers use: CLOCK_MONOTONIC in milliseconds,
// truncated to 32 bits. Safe on any thread.
int SystemMillis();
// Sleeps the calling thread for ms milliseconds (nothing for ms <= 0).
void SystemDelay(int ms);

// A steady tick: Wait returns how many whole periods passed since the last
// tick boundary, sleeping until the next boundary when none did.
class TTimer : public Object {
 public:
  int period = 0;    // milliseconds between ticks
  int lastTick = 0;  // clock value of the most recent tick boundary

  virtual int Wait();
  static Ref<TTimer> Create(float hertz);
};

// period = 1000 / hertz truncated; lastTick = Millis(). A rate above 1000 Hz
// (or a negative one) gives period 0, a timer that never sleeps; a rate of 0
// gives the longest period.
Ref<TTimer> CreateTimer(float hertz);
// Ticks passed, at least 1 unless the clock went back.
int WaitTimer(const Ref<TTimer>& timer);

// Local date as "%d %b %Y", e.g. "06 Dec 2026".
String CurrentDate();
// Local time as "%H:%M:%S".
String CurrentTime();

}  // namespace salvo
