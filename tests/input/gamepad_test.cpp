#include "input/gamepad.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "input/input.h"
#include "input/input_state.h"
#include "scripted_driver.h"

namespace salvo {
namespace {

// The mapping itself, over the shared input state read through a plain
// polled driver.
class GamepadMapperTest : public testing::ScriptedInputTest {
 protected:
  ~GamepadMapperTest() override { SetGamepadStartKey(VK_RETURN); }
};

TEST_F(GamepadMapperTest, StartStartsTheTitleThenPausesAndKeepsTheKeyItPressed) {
  GamepadMapper pad;
  pad.Button(PadButton::kStart, true);
  SetGamepadStartKey(VK_P);  // the title ends while Start is still held
  pad.Button(PadButton::kStart, false);
  EXPECT_EQ(KeyDown(VK_RETURN), 0);
  EXPECT_EQ(KeyPressCount(VK_RETURN), 1);
  EXPECT_EQ(KeyPressCount(VK_P), 0);
  pad.Button(PadButton::kStart, true);
  pad.Button(PadButton::kStart, false);
  EXPECT_EQ(KeyPressCount(VK_P), 1);
  EXPECT_EQ(KeyPressCount(VK_RETURN), 0);
  SetGamepadStartKey(0);  // not a key: ignored
  EXPECT_EQ(GamepadStartKey(), VK_P);
}

TEST_F(GamepadMapperTest, StickAndTriggerPressPastHalfAndLetGoBelowAQuarter) {
  GamepadMapper pad;
  pad.Axis(PadAxis::kLeftX, -kPadPressTravel + 1);  // not far enough
  EXPECT_EQ(KeyDown(VK_LEFT), 0);
  // A stick wobbling between a quarter and a half presses once.
  for (int value : {-kPadPressTravel, -12000, -20000, -kPadReleaseTravel, -30000}) {
    pad.Axis(PadAxis::kLeftX, value);
    EXPECT_EQ(KeyDown(VK_LEFT), 1) << value;
  }
  EXPECT_EQ(KeyPressCount(VK_LEFT), 1);
  pad.Axis(PadAxis::kLeftX, -kPadReleaseTravel + 1);
  EXPECT_EQ(KeyDown(VK_LEFT), 0);
  // Straight across to the right: left lets go, right presses.
  pad.Axis(PadAxis::kLeftX, -32768);
  pad.Axis(PadAxis::kLeftX, 32767);
  EXPECT_EQ(KeyDown(VK_LEFT), 0);
  EXPECT_EQ(KeyDown(VK_RIGHT), 1);
  EXPECT_EQ(KeyPressCount(VK_LEFT), 1);

  pad.Axis(PadAxis::kRightTrigger, 20000);
  pad.Axis(PadAxis::kRightTrigger, 10000);
  EXPECT_EQ(KeyDown(VK_SPACE), 1);
  pad.Axis(PadAxis::kRightTrigger, 0);
  EXPECT_EQ(KeyDown(VK_SPACE), 0);
  EXPECT_EQ(KeyPressCount(VK_SPACE), 1);
}

// Right held by the keyboard, a pad's d-pad and stick and a second pad, let go
// in every order (a pad unplugged lets go of all it holds): the key is down
// until the last source lets go and counts one press.
TEST_F(GamepadMapperTest, AKeyIsDownWhileAnySourceHoldsItAndCountsOnePress) {
  enum Source { kKeyboard, kDpad, kStick, kOtherPad, kUnplug };
  const std::vector<std::vector<Source>> orders = {
      {kKeyboard, kDpad, kStick, kOtherPad}, {kDpad, kKeyboard, kOtherPad, kStick},
      {kUnplug, kKeyboard, kOtherPad},       {kOtherPad, kUnplug, kKeyboard},
      {kStick, kOtherPad, kDpad, kKeyboard}, {kKeyboard, kUnplug, kOtherPad}};
  for (const auto& order : orders) {
    SCOPED_TRACE(::testing::PrintToString(order));
    ClearInputState();
    std::optional<GamepadMapper> first(std::in_place);
    GamepadMapper second;
    second.Button(PadButton::kDpadRight, true);
    FeedKeyDown(VK_RIGHT);
    first->Button(PadButton::kDpadRight, true);
    first->Axis(PadAxis::kLeftX, 32767);
    const std::function<void()> letGo[] = {
        [] { FeedKeyUp(VK_RIGHT); }, [&] { first->Button(PadButton::kDpadRight, false); },
        [&] { first->Axis(PadAxis::kLeftX, 0); },
        [&] { second.Button(PadButton::kDpadRight, false); }, [&] { first.reset(); }};
    for (std::size_t i = 0; i < order.size(); ++i) {
      EXPECT_EQ(KeyDown(VK_RIGHT), 1) << i;
      letGo[order[i]]();
    }
    EXPECT_EQ(KeyDown(VK_RIGHT), 0);
    EXPECT_EQ(KeyPressCount(VK_RIGHT), 1);
  }
}

}  // namespace
}  // namespace salvo
