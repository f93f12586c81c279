// Frame pacing at 60 Hz on a display that does not wait for its retrace (as
// under Xvfb): the intervals between buffer swaps when each frame waits in
// whole milliseconds on the millisecond clock, and when it waits on the
// microsecond clock for the same millisecond deadlines. Each frame first does
// the work given in microseconds as the argument (default 4000). The two are interleaved; reported:
// mean, p50, p99 and largest interval in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "input/clock.h"
#include "input/system_driver.h"
#include "render/gl_pacing_internal.h"

namespace {

using namespace salvo;

// The platform clock and sleep, as the game's system driver gives them.
class SystemClock : public TSystemDriver {
 public:
  int Millis() override { return SystemMillis(); }
  void Delay(int ms) override { SystemDelay(ms); }
};

void Work(int64_t micros) {
  const int64_t end = SteadyMicros() + micros;
  while (SteadyMicros() < end) {
  }
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[index];
}

void Measure(const char* name, bool microClock, int frames, int64_t work) {
  TFramePacer pacer;
  std::vector<int64_t> swaps;
  pacer.swapBuffers = [&swaps] { swaps.push_back(SteadyMicros()); };
  pacer.setSwapInterval = [](int) { return 0; };
  if (microClock) {
    pacer.microClock = SteadyMicros;
    pacer.sleepMicros = SleepMicros;
  }
  pacer.Calibrate(60);  // instant swaps: software pacing comes on
  swaps.clear();
  for (int i = 0; i < frames; ++i) {
    Work(work);
    pacer.Present();
  }
  std::vector<double> intervals;
  for (std::size_t i = 1; i < swaps.size(); ++i) {
    intervals.push_back(static_cast<double>(swaps[i] - swaps[i - 1]) / 1000.0);
  }
  const double mean =
      static_cast<double>(swaps.back() - swaps.front()) / 1000.0 / (swaps.size() - 1);
  std::printf("%-28s mean %8.4f ms  p50 %6.2f ms  p99 %6.2f ms  max %6.2f ms\n", name, mean,
              Percentile(intervals, 0.5), Percentile(intervals, 0.99),
              *std::max_element(intervals.begin(), intervals.end()));
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t work = argc > 1 ? std::atoll(argv[1]) : 4000;
  InitSystemModule();
  SetSystemDriver(New<SystemClock>());
  const int frames = 301;  // five seconds: 300 intervals
  std::printf("60 Hz software pacing, %d frames per run, %lld us of work per frame\n", frames,
              static_cast<long long>(work));
  for (int round = 0; round < 2; ++round) {
    Measure("millisecond waits", false, frames, work);
    Measure("microsecond waits", true, frames, work);
  }
  return 0;
}
