// Frame pacing and its calibration, driven by a scripted millisecond clock
// and scripted buffer swaps.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "input/system_driver.h"
#include "render/gl_pacing.h"

namespace salvo {
namespace {

// A clock that moves only when something sleeps or a scripted swap takes time.
class ScriptedClock : public TSystemDriver {
 public:
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

  Ref<ScriptedClock> clock;
  TFramePacer pacer;
  std::vector<int> swapTimes;
  std::vector<int> swapDurations;  // cycled; empty means instant
  std::vector<int> intervals;

 private:
  Ref<TSystemDriver> previous_;
};

TEST_F(PacingTest, InstantSwapsTurnSoftwarePacingOnAfterAFullSecondOfTries) {
  pacer.Calibrate(60);
  EXPECT_EQ(swapTimes.size(), 60u);
  EXPECT_EQ(pacer.pacing, 1);
  EXPECT_EQ(pacer.pacingStart, 5000);
  EXPECT_EQ(intervals, std::vector<int>({1, 0}));
}

TEST_F(PacingTest, ADisplayThatWaitsForItsRetraceIsLeftToPaceItself) {
  swapDurations = {16, 17, 17};
  pacer.Calibrate(60);
  EXPECT_EQ(swapTimes.size(), 3u);
  EXPECT_EQ(pacer.pacing, 0);
  EXPECT_EQ(intervals, std::vector<int>({1}));
}

TEST_F(PacingTest, OnlyThreeMatchingSwapsInARowCount) {
  // Two good swaps, a slow one, then three good ones: six swaps in all.
  swapDurations = {16, 17, 40, 16, 15, 17, 0};
  pacer.Calibrate(60);
  EXPECT_EQ(swapTimes.size(), 6u);
  EXPECT_EQ(pacer.pacing, 0);
}

TEST_F(PacingTest, SwapsOffByTwoMillisecondsDoNotMatch) {
  swapDurations = {14};
  pacer.Calibrate(60);
  EXPECT_EQ(swapTimes.size(), 60u);
  EXPECT_EQ(pacer.pacing, 1);
}

TEST_F(PacingTest, HertzZeroNeverPaces) {
  pacer.Calibrate(0);
  EXPECT_TRUE(swapTimes.empty());
  EXPECT_EQ(pacer.pacing, 0);
  EXPECT_EQ(intervals, std::vector<int>({1}));
  for (int i = 0; i < 10; ++i) pacer.Present();
  EXPECT_TRUE(clock->delays.empty());
  EXPECT_EQ(swapTimes.size(), 10u);
}

TEST_F(PacingTest, FrameNIsDueAtStartPlusNTimesTheFrameTime) {
  StartPacing(60);
  const int start = pacer.pacingStart;
  for (int n = 1; n <= 600; ++n) {
    pacer.Present();
    ASSERT_EQ(swapTimes.back(), start + n * 1000 / 60) << "frame " << n;
  }
  EXPECT_EQ(swapTimes.back(), start + 10000);  // no drift after ten seconds
  EXPECT_EQ(std::vector<int>(clock->delays.begin(), clock->delays.begin() + 6),
            std::vector<int>({16, 17, 17, 16, 17, 17}));
}

TEST_F(PacingTest, WorkDoneDuringAFrameShortensTheWait) {
  StartPacing(50);
  clock->now += 5;
  pacer.Present();
  clock->now += 12;
  pacer.Present();
  EXPECT_EQ(clock->delays, std::vector<int>({15, 8}));
}

TEST_F(PacingTest, ALateFrameRebasesTheScheduleInsteadOfCatchingUp) {
  StartPacing(60);
  pacer.Present();
  pacer.Present();
  clock->delays.clear();
  clock->now += 1500;  // a frame that took a second and a half
  pacer.Present();
  EXPECT_TRUE(clock->delays.empty());
  const int late = swapTimes.back();
  pacer.Present();
  pacer.Present();
  ASSERT_EQ(clock->delays.size(), 2u);  // back to one frame at a time
  EXPECT_GE(clock->delays[0], 16);
  EXPECT_LE(clock->delays[0], 17);
  EXPECT_EQ(swapTimes.back(), late + 33);
}

TEST_F(PacingTest, AWaitOfASecondOrMoreRebasesToo) {
  StartPacing(60);
  pacer.Present();
  clock->delays.clear();
  clock->now -= 2000;  // the clock stepped back
  pacer.Present();
  EXPECT_TRUE(clock->delays.empty());
  pacer.Present();
  ASSERT_EQ(clock->delays.size(), 1u);
  EXPECT_LE(clock->delays[0], 17);
}

TEST_F(PacingTest, TheScheduleSurvivesTheClockWrapping) {
  clock->now = 0x7FFFFFFF - 20;
  StartPacing(60);
  for (int n = 0; n < 10; ++n) pacer.Present();
  for (size_t i = 0; i < clock->delays.size(); ++i) {
    EXPECT_GE(clock->delays[i], 16);
    EXPECT_LE(clock->delays[i], 17);
  }
  EXPECT_EQ(clock->delays.size(), 10u);
}

TEST_F(PacingTest, CalibratingAgainStartsAFreshSchedule) {
  StartPacing(60);
  for (int n = 0; n < 30; ++n) pacer.Present();
  clock->delays.clear();
  clock->now += 3;
  pacer.Calibrate(60);
  pacer.Present();
  EXPECT_EQ(clock->delays, std::vector<int>({16}));
}

}  // namespace
}  // namespace salvo
