#include <gtest/gtest.h>

#include "input/key_table_internal.h"
#include "input/virtual_keys.h"
#include "scripted_driver.h"

namespace salvo {
namespace {

int Key(SDL_Scancode scancode) {
  return VirtualKeyFor(scancode, testing::UsKeycode(scancode));
}

TEST(KeyTableTest, KeysOfAUsKeyboard) {
  struct Case {
    SDL_Scancode scancode;
    int key;
  };
  for (Case c :
       {// the game's keys
        Case{SDL_SCANCODE_RETURN, 13}, Case{SDL_SCANCODE_ESCAPE, 27}, Case{SDL_SCANCODE_SPACE, 32},
        Case{SDL_SCANCODE_LEFT, 37}, Case{SDL_SCANCODE_RIGHT, 39}, Case{SDL_SCANCODE_1, 49},
        Case{SDL_SCANCODE_4, 52}, Case{SDL_SCANCODE_P, 80},
        // runs of the table: letters, digits, function keys, keypad
        Case{SDL_SCANCODE_A, 'A'}, Case{SDL_SCANCODE_Z, 'Z'}, Case{SDL_SCANCODE_9, '9'},
        Case{SDL_SCANCODE_0, '0'}, Case{SDL_SCANCODE_F1, 0x70}, Case{SDL_SCANCODE_F12, 0x7B},
        Case{SDL_SCANCODE_KP_1, 0x61}, Case{SDL_SCANCODE_KP_9, 0x69}, Case{SDL_SCANCODE_KP_0, 0x60},
        Case{SDL_SCANCODE_KP_ENTER, 13}, Case{SDL_SCANCODE_KP_PERIOD, 0x6E},
        Case{SDL_SCANCODE_KP_MINUS, 0x6D},
        // navigation and punctuation
        Case{SDL_SCANCODE_PAGEUP, 33}, Case{SDL_SCANCODE_DELETE, 46},
        Case{SDL_SCANCODE_SEMICOLON, 0xBA}, Case{SDL_SCANCODE_SLASH, 0xBF},
        Case{SDL_SCANCODE_GRAVE, 0xC0}, Case{SDL_SCANCODE_APOSTROPHE, 0xDE}}) {
    EXPECT_EQ(Key(c.scancode), c.key) << SDL_GetScancodeName(c.scancode);
  }
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

TEST(KeyTableTest, LettersFollowTheLayoutAndUnknownKeysHaveNoCode) {
  // On a French layout the key in the Q position types 'a'.
  EXPECT_EQ(VirtualKeyFor(SDL_SCANCODE_Q, SDLK_a), 'A');
  EXPECT_EQ(VirtualKeyFor(SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN), 0);
  EXPECT_EQ(VirtualKeyFor(SDL_SCANCODE_MUTE, SDLK_MUTE), 0);
  EXPECT_EQ(VirtualKeyFor(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES), SDLK_UNKNOWN), 0);
  EXPECT_EQ(VirtualKeyFor(static_cast<SDL_Scancode>(-3), SDLK_UNKNOWN), 0);
}

}  // namespace
}  // namespace salvo
