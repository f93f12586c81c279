#include "input/gamepad.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <tuple>
#include <vector>

#include "input/input.h"
#include "input/input_state.h"
#include "input/sdl_gamepads.h"
#include "input/sdl_system_driver.h"
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

// A virtual pad on SDL's own joystick layer, read through the SDL driver.
class VirtualPadTest : public ::testing::Test {
 protected:
  VirtualPadTest() {
    ClearInputState();
    EXPECT_TRUE(StartSDLGamepads()) << SDL_GetError();
    first = Attach();
    PumpMessages();
  }
  ~VirtualPadTest() override {
    while (!attached.empty()) Detach(attached.front());
    PumpMessages();
    SetGamepadStartKey(VK_RETURN);
    ClearInputState();
  }
  // A new virtual pad (its events wait for the next pump); its instance id.
  SDL_JoystickID Attach() {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Test pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    EXPECT_GE(index, 0) << SDL_GetError();
    attached.push_back(SDL_JoystickGetDeviceInstanceID(index));
    return attached.back();
  }
  void Detach(SDL_JoystickID id) {
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
      if (SDL_JoystickGetDeviceInstanceID(index) == id) SDL_JoystickDetachVirtual(index);
    }
    std::erase(attached, id);
  }
  // Sets a button of a pad the game has open (SDL has its joystick only then).
  void SetButton(SDL_GameControllerButton button, bool down, SDL_JoystickID id) {
    SDL_Joystick* joystick = SDL_JoystickFromInstanceID(id);
    ASSERT_NE(joystick, nullptr) << "pad " << id << " not open";
    ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, button, down ? 1 : 0), 0) << SDL_GetError();
    PumpMessages();
  }
  void SetButton(SDL_GameControllerButton button, bool down) { SetButton(button, down, first); }
  void SetAxis(SDL_GameControllerAxis axis, int value) {
    SDL_Joystick* joystick = SDL_JoystickFromInstanceID(first);
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(joystick, axis, static_cast<Sint16>(value)), 0)
        << SDL_GetError();
    PumpMessages();
  }

  Ref<TSDLSystemDriver> driver = New<TSDLSystemDriver>();
  testing::DriverScope scope{driver};
  std::vector<SDL_JoystickID> attached;
  SDL_JoystickID first = -1;
};

// Every button with a key (the mapper's repeated downs and the Start key are
// tested above), the trigger and the stick, through SDL's events.
TEST_F(VirtualPadTest, PluggedPadPressesTheMappedKeysUntilUnplugged) {
  ASSERT_EQ(OpenSDLGamepadCount(), 1);
  for (auto [button, key] : {std::pair{SDL_CONTROLLER_BUTTON_START, VK_RETURN},
                             {SDL_CONTROLLER_BUTTON_A, VK_SPACE},
                             {SDL_CONTROLLER_BUTTON_X, '1'},
                             {SDL_CONTROLLER_BUTTON_Y, '2'},
                             {SDL_CONTROLLER_BUTTON_B, '3'},
                             {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, '4'},
                             {SDL_CONTROLLER_BUTTON_BACK, VK_ESCAPE},
                             {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, VK_RIGHT}}) {
    SetButton(button, true);
    EXPECT_EQ(KeyDown(key), 1) << key;
    SetButton(button, false);
    EXPECT_EQ(KeyDown(key), 0) << key;
    EXPECT_EQ(KeyPressCount(key), 1) << key;
  }
  SetButton(SDL_CONTROLLER_BUTTON_GUIDE, true);  // a button without a key
  for (int key = 1; key < 256; ++key) EXPECT_EQ(KeyPressCount(key), 0) << key;
  // A trigger at rest is at the low end of the joystick axis, a stick in the middle.
  for (auto [axis, key, rest] : {std::tuple{SDL_CONTROLLER_AXIS_TRIGGERRIGHT, VK_SPACE, -32768},
                                 {SDL_CONTROLLER_AXIS_LEFTX, VK_RIGHT, 0}}) {
    SetAxis(axis, 32767);
    EXPECT_EQ(KeyDown(key), 1) << key;
    SetAxis(axis, rest);
    EXPECT_EQ(KeyDown(key), 0) << key;
    EXPECT_EQ(KeyPressCount(key), 1) << key;
  }
  SetButton(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
  EXPECT_EQ(KeyDown(VK_LEFT), 1);
  // Unplugged with the d-pad held: the key goes up with the pad.
  Detach(first);
  PumpMessages();
  EXPECT_EQ(OpenSDLGamepadCount(), 0);
  EXPECT_EQ(KeyDown(VK_LEFT), 0);
  EXPECT_EQ(KeyPressCount(VK_LEFT), 1);
}

// A pad plugged in while another is pulled out: the index in the "added"
// event is stale by the time it is read, and every pad must still open.
TEST_F(VirtualPadTest, PadsAreOpenedByIdentityWhateverTheEventsIndexSays) {
  const SDL_JoystickID second = Attach();
  Detach(first);
  PumpMessages();
  const SDL_JoystickID third = Attach();
  PumpMessages();
  EXPECT_EQ(OpenSDLGamepadCount(), 2);
  for (SDL_JoystickID pad : {second, third}) {
    SCOPED_TRACE(pad);
    SetButton(SDL_CONTROLLER_BUTTON_A, true, pad);
    EXPECT_EQ(KeyDown(VK_SPACE), 1);
    SetButton(SDL_CONTROLLER_BUTTON_A, false, pad);
  }
  EXPECT_EQ(KeyPressCount(VK_SPACE), 2);
}

}  // namespace
}  // namespace salvo
