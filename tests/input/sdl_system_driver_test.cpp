#include "input/sdl_system_driver.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "input/clock.h"
#include "input/input.h"
#include "input/input_state.h"
#include "input/sdl_events.h"
#include "scripted_driver.h"
#include "us_keycode.h"

namespace salvo {
namespace {

using testing::DriverScope;

std::vector<Uint32> hookedTypes;
void RecordEvent(const SDL_Event& event) {
  hookedTypes.push_back(event.type);
}

// Pushes synthetic SDL events and pumps them through the SDL driver.
class SDLDriverTest : public ::testing::Test {
 protected:
  SDLDriverTest() {
    ClearInputState();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    hookedTypes.clear();
  }
  ~SDLDriverTest() override {
    SetPlatformEventHook(nullptr);
    ClearInputState();
  }

  static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

  static void Key(Uint32 type, SDL_Scancode scancode, bool repeat = false) {
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = testing::UsKeycode(scancode);
    Push(event);
  }
  static void Tap(SDL_Scancode scancode) {
    Key(SDL_KEYDOWN, scancode);
    Key(SDL_KEYUP, scancode);
  }
  static void Text(const char* utf8) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    std::strncpy(event.text.text, utf8, sizeof event.text.text - 1);
    Push(event);
  }
  static void Button(Uint8 button, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    Push(event);
  }
  static void Wheel(int y, bool flipped = false) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = y;
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    Push(event);
  }

  Ref<TSDLSystemDriver> driver = New<TSDLSystemDriver>();
  DriverScope scope{driver};
};

TEST_F(SDLDriverTest, KeyPressesAreCountedOncePerPress) {
  Key(SDL_KEYDOWN, SDL_SCANCODE_SPACE);
  Key(SDL_KEYDOWN, SDL_SCANCODE_SPACE, true);  // auto-repeat
  Key(SDL_KEYDOWN, SDL_SCANCODE_SPACE, true);
  EXPECT_EQ(KeyDown(VK_SPACE), 1);
  EXPECT_EQ(KeyPressCount(VK_SPACE), 1);
  Key(SDL_KEYUP, SDL_SCANCODE_SPACE);
  EXPECT_EQ(KeyDown(VK_SPACE), 0);
  EXPECT_EQ(KeyPressCount(VK_SPACE), 0);
}

TEST_F(SDLDriverTest, TwoPressCyclesGiveTwoThenZero) {
  Tap(SDL_SCANCODE_P);
  Tap(SDL_SCANCODE_P);
  EXPECT_EQ(KeyPressCount(VK_P), 2);
  EXPECT_EQ(KeyPressCount(VK_P), 0);
}

TEST_F(SDLDriverTest, OutOfRangeKeysGiveZeroAndChangeNothing) {
  Key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
  PumpMessages();
  InputStateBlock before = InputState;
  EXPECT_EQ(KeyPressCount(0), 0);
  EXPECT_EQ(KeyPressCount(256), 0);
  EXPECT_EQ(KeyDown(-1), 0);
  EXPECT_EQ(KeyDown(100000), 0);
  EXPECT_EQ(std::memcmp(&before, &InputState, sizeof before), 0);
  EXPECT_EQ(KeyPressCount(VK_ESCAPE), 1);
}

TEST_F(SDLDriverTest, KeysWithoutACodeAreNotCounted) {
  Tap(SDL_SCANCODE_MUTE);
  PumpMessages();
  InputStateBlock empty{};
  EXPECT_EQ(std::memcmp(&empty, &InputState, sizeof empty), 0);
}

TEST_F(SDLDriverTest, SidedModifiersComeFromTheScancode) {
  Key(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT);
  Key(SDL_KEYDOWN, SDL_SCANCODE_RCTRL);
  Key(SDL_KEYDOWN, SDL_SCANCODE_LALT);
  PumpMessages();
  EXPECT_EQ(KeyPressCount(VK_SHIFT), 1);
  EXPECT_EQ(KeyPressCount(VK_LSHIFT), 1);
  EXPECT_EQ(KeyPressCount(VK_RSHIFT), 0);
  EXPECT_EQ(KeyPressCount(VK_CONTROL), 1);
  EXPECT_EQ(KeyPressCount(VK_RCONTROL), 1);
  EXPECT_EQ(KeyPressCount(VK_LCONTROL), 0);
  EXPECT_EQ(KeyPressCount(VK_MENU), 1);
  EXPECT_EQ(KeyPressCount(VK_LMENU), 1);
  Key(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT);  // Shift is already down: only 161 counts
  EXPECT_EQ(KeyPressCount(VK_RSHIFT), 1);
  EXPECT_EQ(KeyPressCount(VK_SHIFT), 0);
  Key(SDL_KEYUP, SDL_SCANCODE_RCTRL);
  EXPECT_EQ(KeyDown(VK_CONTROL), 0);
  EXPECT_EQ(KeyDown(VK_RCONTROL), 0);
  EXPECT_EQ(KeyDown(VK_LSHIFT), 1);
}

TEST_F(SDLDriverTest, TextArrivesAsUtf16CodeUnits) {
  Text("a\xc3\xa9");         // a, e acute
  Text("\xf0\x9f\x98\x80");  // U+1F600: a surrogate pair
  EXPECT_EQ(GetChar(), 'a');
  EXPECT_EQ(GetChar(), 0xE9);
  EXPECT_EQ(GetChar(), 0xD83D);
  EXPECT_EQ(GetChar(), 0xDE00);
  EXPECT_EQ(GetChar(), 0);
}

TEST_F(SDLDriverTest, The257thCharacterIsDropped) {
  for (int i = 0; i < 257; ++i) {
    char text[2] = {static_cast<char>('A' + i % 26), 0};
    Text(text);
  }
  for (int i = 0; i < 256; ++i) ASSERT_EQ(GetChar(), 'A' + i % 26) << i;
  EXPECT_EQ(GetChar(), 0);
}

TEST_F(SDLDriverTest, MouseMotionButtonsAndWheel) {
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.x = 300;
  motion.motion.y = 200;
  Push(motion);
  Button(SDL_BUTTON_MIDDLE, true);
  Button(SDL_BUTTON_RIGHT, true);
  Button(SDL_BUTTON_RIGHT, false);
  Button(SDL_BUTTON_X1, true);
  Wheel(2);
  Wheel(1, true);
  EXPECT_EQ(MouseX(), 300);
  EXPECT_EQ(MouseY(), 200);
  EXPECT_EQ(MouseZ(), 1);
  EXPECT_EQ(MousePressCount(3), 1);
  EXPECT_EQ(MouseDown(3), 1);
  EXPECT_EQ(MousePressCount(2), 1);
  EXPECT_EQ(MouseDown(2), 0);
  EXPECT_EQ(MousePressCount(1), 0);
  EXPECT_EQ(MousePressCount(4), 0);
}

TEST_F(SDLDriverTest, ResetKeysLeavesTheMouseAlone) {
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.x = 12;
  motion.motion.y = 34;
  Push(motion);
  Wheel(-3);
  Key(SDL_KEYDOWN, SDL_SCANCODE_LEFT);
  Text("x");
  ResetKeys();
  EXPECT_EQ(KeyDown(VK_LEFT), 0);
  EXPECT_EQ(GetChar(), 0);
  EXPECT_EQ(MouseX(), 12);
  EXPECT_EQ(MouseY(), 34);
  EXPECT_EQ(MouseZ(), -3);
}

TEST_F(SDLDriverTest, QuitAndWindowCloseAreNotInput) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  Push(quit);
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  Push(close);
  PumpMessages();
  InputStateBlock empty{};
  EXPECT_EQ(std::memcmp(&empty, &InputState, sizeof empty), 0);
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
}

TEST_F(SDLDriverTest, EveryEventReachesThePlatformHook) {
  SetPlatformEventHook(RecordEvent);
  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  Push(focus);
  Tap(SDL_SCANCODE_RETURN);
  PumpMessages();
  EXPECT_EQ(hookedTypes, (std::vector<Uint32>{SDL_WINDOWEVENT, SDL_KEYDOWN, SDL_KEYUP}));
  EXPECT_EQ(KeyPressCount(VK_RETURN), 1);
}

TEST_F(SDLDriverTest, WaitingReturnsOnceInputIsQueued) {
  Tap(SDL_SCANCODE_4);
  WaitForMessages();
  AutoPump = 0;
  EXPECT_EQ(KeyPressCount(VK_4), 1);
  Tap(SDL_SCANCODE_3);
  WaitForMessagesTimeout(1000);
  EXPECT_EQ(KeyPressCount(VK_3), 1);
  AutoPump = 1;
}

TEST_F(SDLDriverTest, WaitTimeoutReturnsWithoutInput) {
  int start = SystemMillis();
  WaitForMessagesTimeout(30);
  EXPECT_GE(SystemMillis() - start, 25);  // SDL may wake a little early
}

TEST_F(SDLDriverTest, WaitKeyReturnsAQueuedKey) {
  Tap(SDL_SCANCODE_RIGHT);  // pumped and forgotten by WaitKey's ResetKeys
  // Another thread keeps typing 2 until the wait has seen it.
  SDL_TimerID typist = SDL_AddTimer(
      20,
      [](Uint32 interval, void*) -> Uint32 {
        Tap(SDL_SCANCODE_2);
        return interval;
      },
      nullptr);
  ASSERT_NE(typist, 0) << SDL_GetError();
  EXPECT_EQ(WaitKey(), VK_2);
  SDL_RemoveTimer(typist);
}

TEST_F(SDLDriverTest, ClockIsTheSystemClock) {
  int a = driver->Millis();
  int b = SystemMillis();
  EXPECT_GE(b - a, 0);
  EXPECT_LE(b - a, 1000);  // not a scripted clock
}

}  // namespace
}  // namespace salvo
