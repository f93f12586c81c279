#include "input/clock.h"

#include <cmath>
#include <cstdint>
#include <ctime>

#include "input/system_driver.h"
#include "runtime/thread_sleep.h"

namespace salvo {
namespace {

// Sums of clock values wrap like the 32-bit clock itself.
int WrappingAdd(int a, int b) {
  return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// 1000 / hertz truncated toward zero, kept inside 0 .. INT32_MAX.
int PeriodFor(float hertz) {
  double period = 1000.0 / hertz;
  if (std::isnan(period) || period <= 0) return 0;
  if (period >= 2147483647.0) return 2147483647;
  return static_cast<int>(period);
}

String FormatLocalNow(const char* pattern) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[256];
  std::size_t length = std::strftime(buffer, sizeof buffer, pattern, &local);
  return FromUtf8(std::string_view(buffer, length));
}

}  // namespace

int Millis() {
  return CurrentSystemDriver().Millis();
}

int MillisSince(int start) {
  return ClockDifference(Millis(), start);
}

void Delay(int ms) {
  CurrentSystemDriver().Delay(ms);
}

int SystemMillis() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<int>(static_cast<uint32_t>(ms));
}

void SystemDelay(int ms) {
  SleepThreadMicros(int64_t{ms} * 1000);
}

int TTimer::Wait() {
  int now = salvo::Millis();
  if (period <= 0) {
    // A zero period has no boundaries to wait for: every call is one tick.
    lastTick = now;
    return 1;
  }
  int ticks = ClockDifference(now, lastTick) / period;
  if (ticks == 0) {
    Delay(ClockDifference(WrappingAdd(lastTick, period), now));
    ticks = 1;
  }
  lastTick = WrappingAdd(lastTick, static_cast<int>(static_cast<int64_t>(ticks) * period));
  return ticks;
}

Ref<TTimer> TTimer::Create(float hertz) {
  Ref<TTimer> timer = New<TTimer>();
  timer->period = PeriodFor(hertz);
  timer->lastTick = salvo::Millis();
  return timer;
}

Ref<TTimer> CreateTimer(float hertz) {
  return TTimer::Create(hertz);
}

int WaitTimer(const Ref<TTimer>& timer) {
  return timer->Wait();
}

String CurrentDate() {
  return FormatLocalNow("%d %b %Y");
}

String CurrentTime() {
  return FormatLocalNow("%H:%M:%S");
}

}  // namespace salvo
