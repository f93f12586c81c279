// Frame pacing and its calibration, driven by a scripted millisecond clock
// and scripted buffer swaps.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "input/system_driver.h"
#include "render/gl_pacing_internal.h"

namespace salvo {
namespace {

// A clock that moves only when something sleeps or a scripted swap takes time.
struct ScriptedClock : TSystemDriver {
  uint32_t now = 5000;  // unsigned, so that tests may run it across the wrap
  std::vector<int> delays;
  int Millis() override { return static_cast<int>(now); }
  void Delay(int ms) override {
    delays.push_back(ms);
    if (ms > 0) now += ms;
  }
};

class PacingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Started first, so that the driver put back afterwards is the real one
    // and not the Null of a module that has not started yet.
    InitSystemModule();
    previous_ = GetSystemDriver();
    clock = New<ScriptedClock>();
    SetSystemDriver(clock);
    pacer.swapBuffers = [this] {
      swapTimes.push_back(static_cast<int>(clock->now));
      if (!swapDurations.empty()) {
        clock->now +=
            static_cast<uint32_t>(swapDurations[(swapTimes.size() - 1) % swapDurations.size()]);
      }
    };
    pacer.setSwapInterval = [this](int interval) {
      intervals.push_back(interval);
      return 0;  // no swap control, as under Xvfb
    };
  }
  void TearDown() override { SetSystemDriver(previous_); }

  // Calibrates with instant swaps, so that software pacing comes on.
  void StartPacing(int hertz) {
    pacer.Calibrate(hertz);
    ASSERT_EQ(pacer.pacing, 1);
    swapTimes.clear();
    clock->delays.clear();
  }

  // The waits so far are `count` single frames at 60 Hz.
  void ExpectOneFrameWaits(size_t count) {
    ASSERT_EQ(clock->delays.size(), count);
    for (int delay : clock->delays) EXPECT_TRUE(delay == 16 || delay == 17) << delay;
  }

  Ref<ScriptedClock> clock;
  TFramePacer pacer;
  std::vector<int> swapTimes;
  std::vector<int> swapDurations;  // cycled; empty means instant
  std::vector<int> intervals;

 private:
  Ref<TSystemDriver> previous_;
};

// A display that waits for its retrace (three swaps in a row within a
// millisecond of the frame time) is left to pace itself; otherwise software
// pacing comes on after a full second of tries.
TEST_F(PacingTest, CalibrationTriesSwapsUntilThreeInARowMatchTheFrameTimeAndHertzZeroNeverPaces) {
  struct Case {
    int hertz;
    std::vector<int> swapDurations;
    size_t swaps;
    int pacing;
    std::vector<int> intervals;
  };
  const Case cases[] = {
      {0, {}, 0, 0, {1}},
      {60, {}, 60, 1, {1, 0}},
      {60, {16, 17, 17}, 3, 0, {1}},
      {60, {16, 17, 40, 16, 15, 17, 0}, 6, 0, {1}},  // the slow third swap starts the count again
      {60, {14}, 60, 1, {1, 0}},                     // two milliseconds off do not match
  };
  for (const Case& c : cases) {
    swapDurations = c.swapDurations;
    swapTimes.clear();
    intervals.clear();
    clock->now = 5000;
    pacer.Calibrate(c.hertz);
    EXPECT_EQ(swapTimes.size(), c.swaps)
        << c.hertz << " Hz, swaps lasting " << ::testing::PrintToString(c.swapDurations);
    EXPECT_EQ(pacer.pacing, c.pacing);
    EXPECT_EQ(intervals, c.intervals);
  }
  EXPECT_EQ(pacer.pacingStart, 5000 + 60 * 14);  // the schedule starts when calibration ends
  pacer.Calibrate(0);
  swapTimes.clear();
  for (int i = 0; i < 10; ++i) pacer.Present();
  EXPECT_TRUE(clock->delays.empty());
  EXPECT_EQ(swapTimes.size(), 10u);
}

TEST_F(PacingTest,
       FrameNIsDueAtStartPlusNFrameTimesAcrossTheClockWrapAndALateFrameOrAStepBackRebasesIt) {
  StartPacing(60);
  const int start = pacer.pacingStart;
  for (int n = 1; n <= 600; ++n) {
    pacer.Present();
    ASSERT_EQ(swapTimes.back(), start + n * 1000 / 60) << "frame " << n;
  }
  EXPECT_EQ(std::vector<int>(clock->delays.begin(), clock->delays.begin() + 6),
            std::vector<int>({16, 17, 17, 16, 17, 17}));

  // Calibrating again starts a fresh schedule; work done during a frame
  // shortens the wait.
  StartPacing(50);
  clock->now += 5;
  pacer.Present();
  clock->now += 12;
  pacer.Present();
  EXPECT_EQ(clock->delays, std::vector<int>({15, 8}));

  clock->now = 0x7FFFFFFF - 20;
  StartPacing(60);
  for (int n = 0; n < 10; ++n) pacer.Present();
  ExpectOneFrameWaits(10);

  // A late frame or a clock step back rebases the schedule instead of catching up.
  for (int jump : {1500, -2000}) {  // a frame of a second and a half; the clock set back
    StartPacing(60);
    pacer.Present();
    clock->delays.clear();
    clock->now += jump;
    pacer.Present();
    EXPECT_TRUE(clock->delays.empty()) << jump;
    const int rebased = swapTimes.back();
    pacer.Present();
    pacer.Present();
    ExpectOneFrameWaits(2);
    EXPECT_NEAR(swapTimes.back(), rebased + 33, 1) << jump;  // two frames on, give or take rounding
  }
}

// With a microsecond clock the schedule is the same, but each frame goes out
// at its millisecond deadline however much the sleeps overrun, as long as
// they overrun less than the final naps.
TEST_F(PacingTest, AMicrosecondClockMeetsEachDeadlineOfTheSameSchedule) {
  int64_t micros = 7'000'250;  // not on a millisecond boundary
  int64_t overrun = 0;
  std::vector<int64_t> swapMicros;
  pacer.microClock = [&micros] { return micros; };
  pacer.sleepMicros = [&micros, &overrun](int64_t request) { micros += request + overrun; };
  pacer.swapBuffers = [&] { swapMicros.push_back(micros); };
  for (int64_t late : {0, 90, 180}) {  // how far each sleep overruns, in microseconds
    overrun = late;
    pacer.Calibrate(60);
    ASSERT_EQ(pacer.pacing, 1);
    const int64_t start = pacer.pacingStartMicros;
    swapMicros.clear();
    for (int n = 1; n <= 600; ++n) {
      micros += 3000;  // the frame's work
      pacer.Present();
      const int64_t due = start + n * 1000 / 60 * 1000;
      ASSERT_GE(swapMicros.back(), due) << "frame " << n << ", overrun " << late;
      ASSERT_LT(swapMicros.back(), due + 200 + late) << "frame " << n << ", overrun " << late;
    }
  }
  EXPECT_TRUE(clock->delays.empty());  // no whole-millisecond sleeps

  // A frame that ran late re-bases the schedule, as on the millisecond clock.
  micros += 1'500'000;
  pacer.Present();
  const int64_t rebased = swapMicros.back();
  pacer.Present();
  EXPECT_NEAR(static_cast<double>(swapMicros.back() - rebased), 16'667, 1'000);
}

}  // namespace
}  // namespace salvo
