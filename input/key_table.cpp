#include <array>

#include "input/key_table_internal.h"
#include "input/virtual_keys.h"

namespace salvo {
namespace {

using ScancodeTable = std::array<unsigned char, SDL_NUM_SCANCODES>;

void MapRun(ScancodeTable& table, int firstScancode, int lastScancode, int firstKey) {
  for (int s = firstScancode; s <= lastScancode; ++s) {
    table[s] = static_cast<unsigned char>(firstKey + (s - firstScancode));
  }
}

ScancodeTable BuildScancodeTable() {
  ScancodeTable t{};
  MapRun(t, SDL_SCANCODE_A, SDL_SCANCODE_Z, VK_A);
  MapRun(t, SDL_SCANCODE_1, SDL_SCANCODE_9, VK_1);
  t[SDL_SCANCODE_0] = VK_0;
  t[SDL_SCANCODE_RETURN] = VK_RETURN;
  t[SDL_SCANCODE_ESCAPE] = VK_ESCAPE;
  t[SDL_SCANCODE_BACKSPACE] = VK_BACK;
  t[SDL_SCANCODE_TAB] = VK_TAB;
  t[SDL_SCANCODE_SPACE] = VK_SPACE;

  t[SDL_SCANCODE_MINUS] = VK_OEM_MINUS;
  t[SDL_SCANCODE_EQUALS] = VK_OEM_PLUS;
  t[SDL_SCANCODE_LEFTBRACKET] = VK_OEM_4;
  t[SDL_SCANCODE_RIGHTBRACKET] = VK_OEM_6;
  t[SDL_SCANCODE_BACKSLASH] = VK_OEM_5;
  t[SDL_SCANCODE_NONUSHASH] = VK_OEM_5;
  t[SDL_SCANCODE_SEMICOLON] = VK_OEM_1;
  t[SDL_SCANCODE_APOSTROPHE] = VK_OEM_7;
  t[SDL_SCANCODE_GRAVE] = VK_OEM_3;
  t[SDL_SCANCODE_COMMA] = VK_OEM_COMMA;
  t[SDL_SCANCODE_PERIOD] = VK_OEM_PERIOD;
  t[SDL_SCANCODE_SLASH] = VK_OEM_2;
  t[SDL_SCANCODE_NONUSBACKSLASH] = VK_OEM_102;

  t[SDL_SCANCODE_CAPSLOCK] = VK_CAPITAL;
  MapRun(t, SDL_SCANCODE_F1, SDL_SCANCODE_F12, VK_F1);
  MapRun(t, SDL_SCANCODE_F13, SDL_SCANCODE_F24, VK_F1 + 12);
  t[SDL_SCANCODE_PRINTSCREEN] = VK_SNAPSHOT;
  t[SDL_SCANCODE_SCROLLLOCK] = VK_SCROLL;
  t[SDL_SCANCODE_PAUSE] = VK_PAUSE;
  t[SDL_SCANCODE_INSERT] = VK_INSERT;
  t[SDL_SCANCODE_HOME] = VK_HOME;
  t[SDL_SCANCODE_PAGEUP] = VK_PRIOR;
  t[SDL_SCANCODE_DELETE] = VK_DELETE;
  t[SDL_SCANCODE_END] = VK_END;
  t[SDL_SCANCODE_PAGEDOWN] = VK_NEXT;
  t[SDL_SCANCODE_RIGHT] = VK_RIGHT;
  t[SDL_SCANCODE_LEFT] = VK_LEFT;
  t[SDL_SCANCODE_DOWN] = VK_DOWN;
  t[SDL_SCANCODE_UP] = VK_UP;

  t[SDL_SCANCODE_NUMLOCKCLEAR] = VK_NUMLOCK;
  t[SDL_SCANCODE_KP_DIVIDE] = VK_DIVIDE;
  t[SDL_SCANCODE_KP_MULTIPLY] = VK_MULTIPLY;
  t[SDL_SCANCODE_KP_MINUS] = VK_SUBTRACT;
  t[SDL_SCANCODE_KP_PLUS] = VK_ADD;
  t[SDL_SCANCODE_KP_ENTER] = VK_RETURN;
  MapRun(t, SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_9, VK_NUMPAD0 + 1);
  t[SDL_SCANCODE_KP_0] = VK_NUMPAD0;
  t[SDL_SCANCODE_KP_PERIOD] = VK_DECIMAL;
  t[SDL_SCANCODE_APPLICATION] = VK_APPS;

  t[SDL_SCANCODE_LCTRL] = VK_CONTROL;
  t[SDL_SCANCODE_RCTRL] = VK_CONTROL;
  t[SDL_SCANCODE_LSHIFT] = VK_SHIFT;
  t[SDL_SCANCODE_RSHIFT] = VK_SHIFT;
  t[SDL_SCANCODE_LALT] = VK_MENU;
  t[SDL_SCANCODE_RALT] = VK_MENU;
  t[SDL_SCANCODE_LGUI] = VK_LWIN;
  t[SDL_SCANCODE_RGUI] = VK_RWIN;
  return t;
}

const ScancodeTable& Scancodes() {
  static const ScancodeTable table = BuildScancodeTable();
  return table;
}

}  // namespace

int VirtualKeyFor(SDL_Scancode scancode, SDL_Keycode keycode) {
  if (keycode >= SDLK_a && keycode <= SDLK_z) return VK_A + (keycode - SDLK_a);
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return Scancodes()[scancode];
}

int SidedModifierFor(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_LSHIFT:
      return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT:
      return VK_RSHIFT;
    case SDL_SCANCODE_LCTRL:
      return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL:
      return VK_RCONTROL;
    case SDL_SCANCODE_LALT:
      return VK_LMENU;
    case SDL_SCANCODE_RALT:
      return VK_RMENU;
    default:
      return 0;
  }
}

}  // namespace salvo
