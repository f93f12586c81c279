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

TEST_F(ClockTest, MillisAndDelayGoThroughTheDriver) {
  driver->now = 123456;
  EXPECT_EQ(Millis(), 123456);
  Delay(7);
  EXPECT_EQ(driver->delays, std::vector<int>{7});
  EXPECT_EQ(Millis(), 123463);
}

TEST_F(ClockTest, TimerPeriodIsTruncated) {
  driver->now = 500;
  Ref<TTimer> sixty = CreateTimer(60.0f);
  EXPECT_EQ(sixty->period, 16);
  EXPECT_EQ(sixty->lastTick, 500);
  EXPECT_EQ(CreateTimer(0.5f)->period, 2000);
  EXPECT_EQ(CreateTimer(1000.0f)->period, 1);
  EXPECT_EQ(CreateTimer(1001.0f)->period, 0);
}

TEST_F(ClockTest, LateWaitCountsMissedPeriodsWithoutSleeping) {
  Ref<TTimer> timer = CreateTimer(60.0f);
  int start = timer->lastTick;
  driver->now = start + 50;
  EXPECT_EQ(WaitTimer(timer), 3);
  EXPECT_TRUE(driver->delays.empty());
  EXPECT_EQ(timer->lastTick, start + 48);
}

TEST_F(ClockTest, EarlyWaitSleepsToTheNextBoundary) {
  Ref<TTimer> timer = CreateTimer(60.0f);
  int start = timer->lastTick;
  driver->now = start + 5;
  EXPECT_EQ(WaitTimer(timer), 1);
  EXPECT_EQ(driver->delays, std::vector<int>{11});
  EXPECT_EQ(timer->lastTick, start + 16);
  // Called again right at the boundary it sleeps a whole period.
  EXPECT_EQ(WaitTimer(timer), 1);
  EXPECT_EQ(driver->delays, (std::vector<int>{11, 16}));
  EXPECT_EQ(timer->lastTick, start + 32);
}

TEST_F(ClockTest, TimerKeepsItsPhaseAcrossTheClockWrap) {
  Ref<TTimer> timer = CreateTimer(60.0f);
  timer->lastTick = static_cast<int>(0xFFFFFFF8u);  // 8 ms before the wrap
  driver->now = 40;                                 // 48 ms later
  EXPECT_EQ(WaitTimer(timer), 3);
  EXPECT_EQ(timer->lastTick, 40);
  EXPECT_TRUE(driver->delays.empty());

  timer->lastTick = INT_MAX - 3;  // the signed reading wraps as well
  driver->now = INT_MIN + 1;      // 5 ms later
  EXPECT_EQ(WaitTimer(timer), 1);
  EXPECT_EQ(driver->delays, std::vector<int>{11});
  EXPECT_EQ(timer->lastTick, INT_MIN + 12);
}

TEST_F(ClockTest, ZeroPeriodTicksOnEveryCallWithoutSleeping) {
  Ref<TTimer> timer = CreateTimer(5000.0f);
  ASSERT_EQ(timer->period, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(WaitTimer(timer), 1);
  EXPECT_TRUE(driver->delays.empty());
}

TEST_F(ClockTest, MeaninglessRatesStayWithinRange) {
  EXPECT_EQ(CreateTimer(0.0f)->period, INT_MAX);
  EXPECT_EQ(CreateTimer(-30.0f)->period, 0);
  EXPECT_EQ(CreateTimer(0.0001f)->period, 10000000);
}

TEST_F(ClockTest, WaitTimerOnNullRaises) {
  EXPECT_THROW(WaitTimer(Ref<TTimer>()), RuntimeError);
}

TEST(SystemClockTest, FollowsTheMonotonicClockInMilliseconds) {
  timespec before{}, after{};
  clock_gettime(CLOCK_MONOTONIC, &before);
  uint32_t reading = static_cast<uint32_t>(SystemMillis());
  clock_gettime(CLOCK_MONOTONIC, &after);
  auto ms = [](const timespec& t) {
    return static_cast<uint32_t>(static_cast<uint64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000);
  };
  EXPECT_LE(reading - ms(before), ms(after) - ms(before));
}

TEST(SystemClockTest, DelaySleepsAtLeastTheTimeAsked) {
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
