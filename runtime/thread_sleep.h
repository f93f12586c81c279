// Sleeping on the calling thread, for the waits of the frame pacing and the
// clock. One file per platform: natively the thread sleeps; in the browser
// the page gets control back for the time, so it keeps drawing and
// delivering input meanwhile.
#pragma once

#include <cstdint>

namespace salvo {

// Sleeps for at least `micros` microseconds (nothing for 0 or less). In the
// browser a wait below a millisecond returns at once: its timers wake a page
// no sooner than that, often 4 ms late.
void SleepThreadMicros(int64_t micros);

}  // namespace salvo
