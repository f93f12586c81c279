#include "input/input.h"

#include <gtest/gtest.h>

#include "input/input_state.h"
#include "scripted_driver.h"

namespace salvo {
namespace {

using testing::DriverScope;
using testing::Results;
using testing::ScriptedDriver;

class InputTest : public ::testing::Test {
 protected:
  InputTest() { ClearInputState(); }
  ~InputTest() override {
    AutoPump = 1;
    ClearInputState();
  }
  // Queues input that the next pump delivers.
  void Arrive(std::function<void()> action) { driver->pending.push_back(std::move(action)); }
  void Tap(int key) {
    Arrive([key] {
      FeedKeyDown(key);
      FeedKeyUp(key);
    });
  }

  Ref<ScriptedDriver> driver = New<ScriptedDriver>();
  DriverScope scope{driver};
};

TEST_F(InputTest, QueriesPumpPendingInputFirstUnlessAutoPumpIsOff) {
  Tap(VK_ESCAPE);
  EXPECT_EQ(KeyPressCount(VK_ESCAPE), 1);
  EXPECT_EQ(driver->polls, 1);
  EXPECT_EQ(KeyPressCount(VK_ESCAPE), 0);
  AutoPump = 0;
  Tap(VK_P);
  EXPECT_EQ(KeyPressCount(VK_P), 0);
  EXPECT_EQ(driver->polls, 2);
  PumpMessages();
  EXPECT_EQ(KeyPressCount(VK_P), 1);
}

TEST_F(InputTest, HitCounterWrapsAfter255) {
  for (int i = 0; i < 256; ++i) Tap(VK_1);
  EXPECT_EQ(KeyPressCount(VK_1), 0);
  Tap(VK_1);
  EXPECT_EQ(KeyPressCount(VK_1), 1);
}

TEST_F(InputTest, CharacterRingNeverHoldsMoreThan256AcrossTheWrap) {
  AutoPump = 0;
  for (int i = 0; i < 200; ++i) FeedChar(u'a');
  for (int i = 0; i < 100; ++i) ASSERT_EQ(GetChar(), 'a');
  for (int i = 0; i < 200; ++i) FeedChar(u'b');  // only 156 fit: the rest are dropped
  std::u16string expected(100, u'a');
  expected.append(156, u'b');
  EXPECT_EQ(testing::TypedText(), expected);
}

TEST_F(InputTest, WheelUnitsBecomeNotchesTruncatedTowardZero) {
  Arrive([] { FeedWheelUnits(240); });
  EXPECT_EQ(MouseZ(), 2);
  Arrive([] { FeedWheelUnits(-60); });
  EXPECT_EQ(MouseZ(), 2);
  Arrive([] {
    FeedWheelUnits(-250);
    FeedWheel(-1);
  });
  EXPECT_EQ(MouseZ(), -1);
}

TEST_F(InputTest, MouseButtonsMapToTheirKeyCodes) {
  Arrive([] {
    FeedMouseButton(VK_MBUTTON, true);
    FeedMouseButton(VK_RBUTTON, true);
    FeedMouseButton(VK_RBUTTON, false);
    FeedMouseButton(3, true);  // not a button code
  });
  EXPECT_EQ(Results(MouseDown, {2, 3}), (std::vector<int>{0, 1}));
  EXPECT_EQ(Results(MousePressCount, {0, 1, 2, 3, 4}), (std::vector<int>{0, 0, 1, 1, 0}));
  EXPECT_EQ(KeyPressCount(3), 0);
}

TEST_F(InputTest, ResetMouseButtonsForgetsOnlyButtonPresses) {
  Arrive([] {
    FeedMouseButton(VK_LBUTTON, true);
    FeedMouseButton(VK_MBUTTON, true);
    FeedKeyDown(VK_A);
  });
  ResetMouseButtons();
  EXPECT_EQ(Results(MousePressCount, {1, 3}), (std::vector<int>{0, 0}));
  EXPECT_EQ(MouseDown(1), 1);
  EXPECT_EQ(KeyPressCount(VK_A), 1);
}

TEST_F(InputTest, MoveMouseWithoutAWindowSystemSetsThePositionOtherAxesGiveZero) {
  MoveMouse(17, 23);
  EXPECT_EQ(MouseX(), 17);
  EXPECT_EQ(MouseY(), 23);
  EXPECT_EQ(driver->MouseCoordinate(3), 0);
  EXPECT_EQ(driver->MouseCoordinate(-1), 0);
}

TEST_F(InputTest, WaitKeyIgnoresEarlierPressesAndReturnsTheNextKey) {
  Tap(VK_RETURN);  // pending before the wait: cleared by its ResetKeys
  driver->arrivals.push_back([] {});
  driver->arrivals.push_back([] {
    FeedKeyDown(VK_P);
    FeedKeyDown(VK_4);
  });
  EXPECT_EQ(WaitKey(), VK_4);  // lowest code first
  EXPECT_EQ(driver->waits, 2);
  EXPECT_EQ(KeyPressCount(VK_P), 1);
}

TEST_F(InputTest, WaitCharAndWaitMouseReturnTheNextCharacterAndButtonNumber) {
  Arrive([] { FeedChar(u'q'); });
  driver->arrivals.push_back([] { FeedKeyDown(VK_SHIFT); });
  driver->arrivals.push_back([] { FeedChar(u'Z'); });
  EXPECT_EQ(WaitChar(), 'Z');
  Arrive([] { FeedMouseButton(VK_LBUTTON, true); });
  driver->arrivals.push_back([] { FeedMouseButton(VK_MBUTTON, true); });
  EXPECT_EQ(WaitMouse(), 3);
}

TEST_F(InputTest, InitKeepsAnInstalledDriverWhoseDefaultWaitTimeoutSleepsThenPolls) {
  InitSystemModule();
  EXPECT_EQ(&CurrentSystemDriver(), driver.Get());
  driver->TSystemDriver::WaitTimeout(25);
  WaitForMessagesTimeout(5);  // through the global: the same default here
  EXPECT_EQ(driver->delays, (std::vector<int>{25, 5}));
  EXPECT_EQ(driver->polls, 2);
}

}  // namespace
}  // namespace salvo
