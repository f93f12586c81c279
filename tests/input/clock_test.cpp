#include "input/clock.h"

#include <gtest/gtest.h>
#include <time.h>

#include <climits>
#include <regex>

#include "input/system_driver.h"
#include "scripted_driver.h"

namespace salvo {
namespace {

using testing::DriverScope;
using testing::ScriptedDriver;

class ClockTest : public ::testing::Test {
 protected:
  Ref<ScriptedDriver> driver = New<ScriptedDriver>();
  DriverScope scope{driver};
};

TEST_F(ClockTest, TimerPeriodIsTruncatedAndStaysWithinRange) {
  driver->now = 500;
  EXPECT_EQ(CreateTimer(60.0f)->lastTick, 500);
  const std::pair<float, int> cases[] = {{60.0f, 16},        {0.5f, 2000},    {1000.0f, 1},
                                         {1001.0f, 0},       {0.0f, INT_MAX}, {-30.0f, 0},
                                         {0.0001f, 10000000}};
  for (auto [rate, period] : cases) EXPECT_EQ(CreateTimer(rate)->period, period) << rate;
}

TEST_F(ClockTest, WaitTimerSleepsToTheNextBoundaryOrCountsMissedPeriods) {
  struct Case {
    int lastTick, now, ticks;
    std::vector<int> delays;
    int lastTickAfter;
  };
  const Case cases[] = {
      {1000, 1050, 3, {}, 1048},  // late: no sleep
      {1000, 1005, 1, {11}, 1016},
      {1016, 1016, 1, {16}, 1032},  // right at the boundary: a whole period
      // The phase is kept across the wrap of the unsigned and the signed reading.
      {int(0xFFFFFFF8u), 40, 3, {}, 40},
      {INT_MAX - 3, INT_MIN + 1, 1, {11}, INT_MIN + 12},
  };
  for (const Case& c : cases) {
    Ref<TTimer> timer = CreateTimer(60.0f);
    timer->lastTick = c.lastTick;
    driver->now = c.now;
    driver->delays.clear();
    EXPECT_EQ(WaitTimer(timer), c.ticks) << c.lastTick << " at " << c.now;
    EXPECT_EQ(driver->delays, c.delays) << c.lastTick << " at " << c.now;
    EXPECT_EQ(timer->lastTick, c.lastTickAfter) << c.lastTick << " at " << c.now;
  }
}

TEST_F(ClockTest, ZeroPeriodTicksOnEveryCallWithoutSleepingAndNullRaises) {
  Ref<TTimer> timer = CreateTimer(5000.0f);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(WaitTimer(timer), 1);
  EXPECT_TRUE(driver->delays.empty());
  EXPECT_THROW(WaitTimer(Ref<TTimer>()), RuntimeError);
}

TEST(SystemClockTest, FollowsTheMonotonicClockAndSleepsAtLeastTheTimeAsked) {
  auto monotonic = [] {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint32_t>(static_cast<uint64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000);
  };
  uint32_t before = monotonic();
  uint32_t reading = static_cast<uint32_t>(SystemMillis());
  EXPECT_LE(reading - before, monotonic() - before);
  int start = SystemMillis();
  SystemDelay(20);
  EXPECT_GE(SystemMillis() - start, 20);
  SystemDelay(0);
  SystemDelay(-5);  // returns at once
}

TEST(DateTimeTest, Formats) {
  EXPECT_TRUE(std::regex_match(ToUtf8(CurrentDate()), std::regex(R"(\d\d [A-Z][a-z]{2} \d{4})")));
  EXPECT_TRUE(std::regex_match(ToUtf8(CurrentTime()), std::regex(R"(\d\d:\d\d:\d\d)")));
}

}  // namespace
}  // namespace salvo
