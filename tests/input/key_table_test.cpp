#include "input/key_table.h"

#include <gtest/gtest.h>

#include "input/virtual_keys.h"
#include "us_keycode.h"

namespace salvo {
namespace {

int Key(SDL_Scancode scancode) {
  return VirtualKeyFor(scancode, testing::UsKeycode(scancode));
}

TEST(KeyTableTest, GameKeys) {
  EXPECT_EQ(Key(SDL_SCANCODE_RETURN), 13);
  EXPECT_EQ(Key(SDL_SCANCODE_ESCAPE), 27);
  EXPECT_EQ(Key(SDL_SCANCODE_SPACE), 32);
  EXPECT_EQ(Key(SDL_SCANCODE_LEFT), 37);
  EXPECT_EQ(Key(SDL_SCANCODE_RIGHT), 39);
  EXPECT_EQ(Key(SDL_SCANCODE_1), 49);
  EXPECT_EQ(Key(SDL_SCANCODE_4), 52);
  EXPECT_EQ(Key(SDL_SCANCODE_P), 80);
}

TEST(KeyTableTest, LettersDigitsAndFunctionKeys) {
  EXPECT_EQ(Key(SDL_SCANCODE_A), 'A');
  EXPECT_EQ(Key(SDL_SCANCODE_Z), 'Z');
  EXPECT_EQ(Key(SDL_SCANCODE_0), '0');
  EXPECT_EQ(Key(SDL_SCANCODE_9), '9');
  EXPECT_EQ(Key(SDL_SCANCODE_F1), 0x70);
  EXPECT_EQ(Key(SDL_SCANCODE_F12), 0x7B);
  EXPECT_EQ(Key(SDL_SCANCODE_UP), VK_UP);
  EXPECT_EQ(Key(SDL_SCANCODE_DOWN), VK_DOWN);
  EXPECT_EQ(Key(SDL_SCANCODE_BACKSPACE), 8);
  EXPECT_EQ(Key(SDL_SCANCODE_TAB), 9);
  EXPECT_EQ(Key(SDL_SCANCODE_PAGEUP), 33);
  EXPECT_EQ(Key(SDL_SCANCODE_PAGEDOWN), 34);
  EXPECT_EQ(Key(SDL_SCANCODE_END), 35);
  EXPECT_EQ(Key(SDL_SCANCODE_HOME), 36);
  EXPECT_EQ(Key(SDL_SCANCODE_INSERT), 45);
  EXPECT_EQ(Key(SDL_SCANCODE_DELETE), 46);
}

TEST(KeyTableTest, LettersFollowTheLayout) {
  // On a French layout the key in the Q position types 'a'.
  EXPECT_EQ(VirtualKeyFor(SDL_SCANCODE_Q, SDLK_a), 'A');
}

TEST(KeyTableTest, Keypad) {
  EXPECT_EQ(Key(SDL_SCANCODE_KP_0), 0x60);
  EXPECT_EQ(Key(SDL_SCANCODE_KP_1), 0x61);
  EXPECT_EQ(Key(SDL_SCANCODE_KP_9), 0x69);
  EXPECT_EQ(Key(SDL_SCANCODE_KP_MULTIPLY), 0x6A);
  EXPECT_EQ(Key(SDL_SCANCODE_KP_PLUS), 0x6B);
  EXPECT_EQ(Key(SDL_SCANCODE_KP_MINUS), 0x6D);
  EXPECT_EQ(Key(SDL_SCANCODE_KP_PERIOD), 0x6E);
  EXPECT_EQ(Key(SDL_SCANCODE_KP_DIVIDE), 0x6F);
  EXPECT_EQ(Key(SDL_SCANCODE_KP_ENTER), 13);
}

TEST(KeyTableTest, UsPunctuation) {
  EXPECT_EQ(Key(SDL_SCANCODE_SEMICOLON), 0xBA);
  EXPECT_EQ(Key(SDL_SCANCODE_EQUALS), 0xBB);
  EXPECT_EQ(Key(SDL_SCANCODE_COMMA), 0xBC);
  EXPECT_EQ(Key(SDL_SCANCODE_MINUS), 0xBD);
  EXPECT_EQ(Key(SDL_SCANCODE_PERIOD), 0xBE);
  EXPECT_EQ(Key(SDL_SCANCODE_SLASH), 0xBF);
  EXPECT_EQ(Key(SDL_SCANCODE_GRAVE), 0xC0);
  EXPECT_EQ(Key(SDL_SCANCODE_LEFTBRACKET), 0xDB);
  EXPECT_EQ(Key(SDL_SCANCODE_BACKSLASH), 0xDC);
  EXPECT_EQ(Key(SDL_SCANCODE_RIGHTBRACKET), 0xDD);
  EXPECT_EQ(Key(SDL_SCANCODE_APOSTROPHE), 0xDE);
}

TEST(KeyTableTest, ModifiersHaveGenericAndSidedCodes) {
  struct Case {
    SDL_Scancode scancode;
    int generic;
    int sided;
  };
  for (Case c : {Case{SDL_SCANCODE_LSHIFT, 16, 160}, Case{SDL_SCANCODE_RSHIFT, 16, 161},
                 Case{SDL_SCANCODE_LCTRL, 17, 162}, Case{SDL_SCANCODE_RCTRL, 17, 163},
                 Case{SDL_SCANCODE_LALT, 18, 164}, Case{SDL_SCANCODE_RALT, 18, 165}}) {
    EXPECT_EQ(Key(c.scancode), c.generic) << c.scancode;
    EXPECT_EQ(SidedModifierFor(c.scancode), c.sided) << c.scancode;
  }
  EXPECT_EQ(SidedModifierFor(SDL_SCANCODE_A), 0);
}

TEST(KeyTableTest, UnknownKeysHaveNoCode) {
  EXPECT_EQ(VirtualKeyFor(SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN), 0);
  EXPECT_EQ(VirtualKeyFor(SDL_SCANCODE_MUTE, SDLK_MUTE), 0);
  EXPECT_EQ(VirtualKeyFor(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES), SDLK_UNKNOWN), 0);
  EXPECT_EQ(VirtualKeyFor(static_cast<SDL_Scancode>(-3), SDLK_UNKNOWN), 0);
}

}  // namespace
}  // namespace salvo
