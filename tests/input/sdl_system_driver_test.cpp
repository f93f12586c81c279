#include "input/sdl_system_driver.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "input/clock.h"
#include "input/key_table_internal.h"
#include "input/sdl_events.h"
#include "input/sdl_gamepads.h"
#include "scripted_driver.h"

namespace salvo {
namespace {

using testing::DriverScope;
using testing::Results;
using Ints = std::vector<int>;

// Pushes synthetic SDL events and pumps them through the SDL driver.
class SDLDriverTest : public ::testing::Test {
 protected:
  SDLDriverTest() {
    ClearInputState();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  ~SDLDriverTest() override {
    SetPlatformEventHook(nullptr);
    ClearInputState();
  }

  // Queues an event of `type` whose other fields `fill` sets.
  static void Push(Uint32 type, const std::function<void(SDL_Event&)>& fill = {}) {
    SDL_Event event{};
    event.type = type;
    if (fill) fill(event);
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
  }
  static void Key(Uint32 type, SDL_Scancode scancode, bool repeat = false) {
    Push(type, [&](SDL_Event& e) {
      e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
      e.key.repeat = repeat;
      e.key.keysym = {scancode, SDL_SCANCODE_TO_KEYCODE(scancode), 0, 0};
    });
  }
  static void Tap(SDL_Scancode scancode) {
    Key(SDL_KEYDOWN, scancode);
    Key(SDL_KEYUP, scancode);
  }
  static void Text(const char* utf8) {
    Push(SDL_TEXTINPUT, [&](SDL_Event& e) { std::strcpy(e.text.text, utf8); });
  }
  static void Button(Uint8 button, bool down) {
    Push(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP, [&](SDL_Event& e) {
      e.button.button = button;
      e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    });
  }
  static bool StateIs(const InputStateBlock& expected) {
    return std::memcmp(&expected, &InputState, sizeof expected) == 0;
  }

  Ref<TSDLSystemDriver> driver = New<TSDLSystemDriver>();
  DriverScope scope{driver};
};

TEST_F(SDLDriverTest,
       KeyPressesCountOncePerPressNotRepeatOutOfRangeQueriesChangeNothingSidedModifiersByScancode) {
  Key(SDL_KEYDOWN, SDL_SCANCODE_SPACE);
  Key(SDL_KEYDOWN, SDL_SCANCODE_SPACE, true);  // auto-repeat
  EXPECT_EQ(KeyDown(VK_SPACE), 1);
  InputStateBlock before = InputState;
  EXPECT_EQ(Results(KeyPressCount, {0, 256}), Ints(2, 0));
  EXPECT_EQ(Results(KeyDown, {-1, 100000}), Ints(2, 0));
  EXPECT_TRUE(StateIs(before));
  EXPECT_EQ(KeyPressCount(VK_SPACE), 1);
  ResetKeys();  // a key held across it goes on repeating, which is no new press
  Key(SDL_KEYDOWN, SDL_SCANCODE_SPACE, true);
  EXPECT_EQ(KeyPressCount(VK_SPACE), 0);
  Key(SDL_KEYUP, SDL_SCANCODE_SPACE);
  EXPECT_EQ(KeyDown(VK_SPACE), 0);
  EXPECT_EQ(KeyPressCount(VK_SPACE), 0);
  // Sided modifiers come from the scancode.
  Key(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT);
  Key(SDL_KEYDOWN, SDL_SCANCODE_RCTRL);
  Key(SDL_KEYDOWN, SDL_SCANCODE_LALT);
  EXPECT_EQ(Results(KeyPressCount, {VK_SHIFT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_RCONTROL,
                                    VK_LCONTROL, VK_MENU, VK_LMENU}),
            (Ints{1, 1, 0, 1, 1, 0, 1, 1}));
  Key(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT);  // Shift is already down: only 161 counts
  EXPECT_EQ(Results(KeyPressCount, {VK_RSHIFT, VK_SHIFT}), (Ints{1, 0}));
  Key(SDL_KEYUP, SDL_SCANCODE_RCTRL);
  EXPECT_EQ(Results(KeyDown, {VK_CONTROL, VK_RCONTROL, VK_LSHIFT}), (Ints{0, 0, 1}));
}

TEST_F(
    SDLDriverTest,
    EveryEventReachesThePlatformHookUncodedKeysChangeNothingTextArrivesAsUtf16MouseSurvivesResetKeys) {
  static std::vector<Uint32> hookedTypes;
  hookedTypes.clear();
  SetPlatformEventHook([](const SDL_Event& event) { hookedTypes.push_back(event.type); });
  Tap(SDL_SCANCODE_MUTE);
  Push(SDL_QUIT);
  Push(SDL_WINDOWEVENT, [](SDL_Event& e) { e.window.event = SDL_WINDOWEVENT_CLOSE; });
  PumpMessages();
  EXPECT_EQ(hookedTypes, (std::vector<Uint32>{SDL_KEYDOWN, SDL_KEYUP, SDL_QUIT, SDL_WINDOWEVENT}));
  EXPECT_TRUE(StateIs(InputStateBlock{}));
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
  Text("a\xc3\xa9");         // a, e acute
  Text("\xf0\x9f\x98\x80");  // U+1F600: a surrogate pair
  EXPECT_EQ(testing::TypedText(), u"a\u00e9\xD83D\xDE00");
  Push(SDL_MOUSEMOTION, [](SDL_Event& e) {
    e.motion.x = 300;
    e.motion.y = 200;
  });
  Button(SDL_BUTTON_MIDDLE, true);
  Button(SDL_BUTTON_RIGHT, true);
  Button(SDL_BUTTON_RIGHT, false);
  Button(SDL_BUTTON_X1, true);
  Push(SDL_MOUSEWHEEL, [](SDL_Event& e) { e.wheel.y = 2; });
  Push(SDL_MOUSEWHEEL, [](SDL_Event& e) {
    e.wheel.y = 1;
    e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  });
  Key(SDL_KEYDOWN, SDL_SCANCODE_LEFT);
  Text("x");
  EXPECT_EQ(Results(MousePressCount, {1, 2, 3, 4}), (Ints{0, 1, 1, 0}));  // X1 is no button
  EXPECT_EQ(Results(MouseDown, {2, 3}), (Ints{0, 1}));
  ResetKeys();
  EXPECT_EQ(KeyDown(VK_LEFT), 0);
  EXPECT_EQ(GetChar(), 0);
  EXPECT_EQ(std::tuple(MouseX(), MouseY(), MouseZ()), std::tuple(300, 200, 1));
}

TEST_F(SDLDriverTest, WaitingReturnsOnceInputIsQueuedOrOnTimeout) {
  Tap(SDL_SCANCODE_4);
  WaitForMessages();
  AutoPump = 0;
  EXPECT_EQ(KeyPressCount(VK_4), 1);
  Tap(SDL_SCANCODE_3);
  WaitForMessagesTimeout(1000);
  EXPECT_EQ(KeyPressCount(VK_3), 1);
  AutoPump = 1;
  // Without input the wait ends by the clock, which is the system clock.
  int start = driver->Millis();
  WaitForMessagesTimeout(30);
  EXPECT_GE(SystemMillis() - start, 25);  // SDL may wake a little early
  EXPECT_LE(SystemMillis() - start, 1000);
}

// A virtual pad on SDL's own joystick layer, read through the SDL driver.
class VirtualPadTest : public SDLDriverTest {
 protected:
  VirtualPadTest() {
    EXPECT_TRUE(StartSDLGamepads()) << SDL_GetError();
    first = Attach();
    PumpMessages();
  }
  ~VirtualPadTest() override {
    while (!attached.empty()) Detach(attached.front());
    PumpMessages();
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
  // Sets a button of an open pad (SDL has its joystick only then), the first unless told.
  void SetButton(SDL_GameControllerButton button, bool down, SDL_JoystickID id = -1) {
    SDL_Joystick* joystick = SDL_JoystickFromInstanceID(id < 0 ? first : id);
    ASSERT_NE(joystick, nullptr) << "pad " << id << " not open";
    ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, button, down ? 1 : 0), 0) << SDL_GetError();
    PumpMessages();
  }
  void SetAxis(SDL_GameControllerAxis axis, int value) {
    SDL_Joystick* joystick = SDL_JoystickFromInstanceID(first);
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(joystick, axis, static_cast<Sint16>(value)), 0)
        << SDL_GetError();
    PumpMessages();
  }

  std::vector<SDL_JoystickID> attached;
  SDL_JoystickID first = -1;
};

// Every button with a key (GamepadMapperTest has the repeated downs and the
// Start key), the trigger and the stick, through SDL's events.
TEST_F(VirtualPadTest, PluggedPadPressesTheMappedKeysUntilUnplugged) {
  ASSERT_EQ(OpenSDLGamepadCount(), 1);
  const std::pair<SDL_GameControllerButton, int> buttons[] = {
      {SDL_CONTROLLER_BUTTON_START, VK_RETURN}, {SDL_CONTROLLER_BUTTON_A, VK_SPACE},
      {SDL_CONTROLLER_BUTTON_X, '1'},           {SDL_CONTROLLER_BUTTON_Y, '2'},
      {SDL_CONTROLLER_BUTTON_B, '3'},           {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, '4'},
      {SDL_CONTROLLER_BUTTON_BACK, VK_ESCAPE},  {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, VK_RIGHT}};
  for (auto [button, key] : buttons) {
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

// The key table for a US keyboard: the game's keys, the ends of the table's runs (letters,
// digits, function keys, keypad), navigation, punctuation and the modifiers, which have a
// generic code and a sided one (those the SDL driver's key test presses are left to it).
// Letters follow the layout.
TEST(KeyTableTest, UsKeysHaveGenericAndSidedCodesLettersFollowTheLayoutAndUnknownKeysHaveNoCode) {
  const std::pair<SDL_Scancode, int> keys[] = {
      {SDL_SCANCODE_RETURN, 13},   {SDL_SCANCODE_ESCAPE, 27},      {SDL_SCANCODE_LEFT, 37},
      {SDL_SCANCODE_RIGHT, 39},    {SDL_SCANCODE_1, 49},           {SDL_SCANCODE_P, 80},
      {SDL_SCANCODE_A, 'A'},       {SDL_SCANCODE_Z, 'Z'},          {SDL_SCANCODE_9, '9'},
      {SDL_SCANCODE_0, '0'},       {SDL_SCANCODE_F1, 0x70},        {SDL_SCANCODE_F12, 0x7B},
      {SDL_SCANCODE_KP_1, 0x61},   {SDL_SCANCODE_KP_9, 0x69},      {SDL_SCANCODE_KP_0, 0x60},
      {SDL_SCANCODE_KP_ENTER, 13}, {SDL_SCANCODE_KP_PERIOD, 0x6E}, {SDL_SCANCODE_KP_MINUS, 0x6D},
      {SDL_SCANCODE_PAGEUP, 33},   {SDL_SCANCODE_DELETE, 46},      {SDL_SCANCODE_SEMICOLON, 0xBA},
      {SDL_SCANCODE_SLASH, 0xBF},  {SDL_SCANCODE_RSHIFT, 16},      {SDL_SCANCODE_LCTRL, 17},
      {SDL_SCANCODE_RALT, 18},     {SDL_SCANCODE_GRAVE, 0xC0},     {SDL_SCANCODE_APOSTROPHE, 0xDE}};
  for (auto [scancode, key] : keys) {
    EXPECT_EQ(VirtualKeyFor(scancode, SDL_SCANCODE_TO_KEYCODE(scancode)), key) << scancode;
  }
  const std::pair<SDL_Scancode, int> sided[] = {
      {SDL_SCANCODE_LCTRL, 162}, {SDL_SCANCODE_RALT, 165}, {SDL_SCANCODE_A, 0}};
  for (auto [scancode, code] : sided) EXPECT_EQ(SidedModifierFor(scancode), code) << scancode;
  EXPECT_EQ(VirtualKeyFor(SDL_SCANCODE_Q, SDLK_a), 'A');  // on a French layout Q types 'a'
  EXPECT_EQ(VirtualKeyFor(SDL_SCANCODE_W, SDLK_z), 'Z');  // and W types 'z'
  // Held as int: an out-of-range value stored in an SDL_Scancode is itself undefined.
  for (auto [scancode, keycode] : {std::pair<int, SDL_Keycode>{SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN},
                                   {SDL_SCANCODE_MUTE, SDLK_MUTE},
                                   {SDL_NUM_SCANCODES, SDLK_UNKNOWN},
                                   {-3, SDLK_UNKNOWN}}) {
    EXPECT_EQ(VirtualKeyFor(static_cast<SDL_Scancode>(scancode), keycode), 0) << scancode;
  }
}

}  // namespace
}  // namespace salvo
