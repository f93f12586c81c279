// Key numbers: the Win32 virtual-key codes, 1 to 255. Mouse buttons share the
// numbering (left 1, right 2, middle 4).
#pragma once

namespace salvo {

inline constexpr int VK_LBUTTON = 1;
inline constexpr int VK_RBUTTON = 2;
inline constexpr int VK_MBUTTON = 4;
inline constexpr int VK_BACK = 8;
inline constexpr int VK_TAB = 9;
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_ENTER = VK_RETURN;
inline constexpr int VK_SHIFT = 16;
inline constexpr int VK_CONTROL = 17;
inline constexpr int VK_MENU = 18;  // Alt
inline constexpr int VK_ALT = VK_MENU;
inline constexpr int VK_PAUSE = 19;
inline constexpr int VK_CAPITAL = 20;  // Caps Lock
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_PRIOR = 33;  // Page Up
inline constexpr int VK_NEXT = 34;   // Page Down
inline constexpr int VK_END = 35;
inline constexpr int VK_HOME = 36;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_SNAPSHOT = 44;  // Print Screen
inline constexpr int VK_INSERT = 45;
inline constexpr int VK_DELETE = 46;

// Digits and letters are their ASCII capitals: VK_0 + n, VK_A + n.
inline constexpr int VK_0 = '0';
inline constexpr int VK_1 = '1';
inline constexpr int VK_2 = '2';
inline constexpr int VK_3 = '3';
inline constexpr int VK_4 = '4';
inline constexpr int VK_5 = '5';
inline constexpr int VK_6 = '6';
inline constexpr int VK_7 = '7';
inline constexpr int VK_8 = '8';
inline constexpr int VK_9 = '9';
inline constexpr int VK_A = 'A';
inline constexpr int VK_P = 'P';
inline constexpr int VK_Z = 'Z';

inline constexpr int VK_LWIN = 0x5B;
inline constexpr int VK_RWIN = 0x5C;
inline constexpr int VK_APPS = 0x5D;
inline constexpr int VK_NUMPAD0 = 0x60;  // .. VK_NUMPAD9 = 0x69
inline constexpr int VK_MULTIPLY = 0x6A;
inline constexpr int VK_ADD = 0x6B;
inline constexpr int VK_SUBTRACT = 0x6D;
inline constexpr int VK_DECIMAL = 0x6E;
inline constexpr int VK_DIVIDE = 0x6F;
inline constexpr int VK_F1 = 0x70;  // .. VK_F24 = 0x87
inline constexpr int VK_NUMLOCK = 0x90;
inline constexpr int VK_SCROLL = 0x91;

// Sided modifiers, kept besides the generic 16, 17 and 18.
inline constexpr int VK_LSHIFT = 160;
inline constexpr int VK_RSHIFT = 161;
inline constexpr int VK_LCONTROL = 162;
inline constexpr int VK_RCONTROL = 163;
inline constexpr int VK_LMENU = 164;
inline constexpr int VK_RMENU = 165;

// Punctuation of a US keyboard.
inline constexpr int VK_OEM_1 = 0xBA;  // ;:
inline constexpr int VK_OEM_PLUS = 0xBB;
inline constexpr int VK_OEM_COMMA = 0xBC;
inline constexpr int VK_OEM_MINUS = 0xBD;
inline constexpr int VK_OEM_PERIOD = 0xBE;
inline constexpr int VK_OEM_2 = 0xBF;    // /?
inline constexpr int VK_OEM_3 = 0xC0;    // `~
inline constexpr int VK_OEM_4 = 0xDB;    // [{
inline constexpr int VK_OEM_5 = 0xDC;    // \|
inline constexpr int VK_OEM_6 = 0xDD;    // ]}
inline constexpr int VK_OEM_7 = 0xDE;    // '"
inline constexpr int VK_OEM_102 = 0xE2;  // the extra key left of Z on ISO keyboards

}  // namespace salvo
