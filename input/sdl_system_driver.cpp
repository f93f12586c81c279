#include "input/sdl_system_driver.h"

#include <SDL.h>

#include <string>

#include "input/input_state.h"
#include "input/key_table_internal.h"
#include "input/sdl_events.h"
#include "input/sdl_gamepads.h"
#include "runtime/error.h"

namespace salvo {
namespace {

void FeedKey(const SDL_KeyboardEvent& key) {
  int code = VirtualKeyFor(key.keysym.scancode, key.keysym.sym);
  int sided = SidedModifierFor(key.keysym.scancode);
  if (key.type == SDL_KEYUP) {
    FeedKeyUp(code, sided);
  } else if (!key.repeat) {
    FeedKeyDown(code, sided);
  }
}

void FeedText(const char* utf8) {
  for (char16_t unit : FromUtf8(utf8)) FeedChar(unit);
}

int ButtonCode(Uint8 sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return VK_LBUTTON;
    case SDL_BUTTON_RIGHT:
      return VK_RBUTTON;
    case SDL_BUTTON_MIDDLE:
      return VK_MBUTTON;
    default:
      return 0;
  }
}

void FeedWheelEvent(const SDL_MouseWheelEvent& wheel) {
  FeedWheel(wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -wheel.y : wheel.y);
}

// Buttons for a message box, the default for Enter first.
struct BoxChoice {
  int result;
  const char* label;
  Uint32 flags;
};

constexpr BoxChoice kOk[] = {{1, "OK", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT}};
constexpr BoxChoice kOkCancel[] = {{1, "OK", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT},
                                   {0, "Cancel", SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT}};
constexpr BoxChoice kYesNoCancel[] = {{1, "Yes", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT},
                                      {0, "No", 0},
                                      {-1, "Cancel", SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT}};

// Shows a message box over the focused window. Returns false when SDL cannot
// show one (no display), leaving `result` alone.
template <std::size_t N>
bool ShowBox(const char* title, const String& text, bool serious, const BoxChoice (&choices)[N],
             int& result) {
  SDL_MessageBoxButtonData buttons[N];
  for (std::size_t i = 0; i < N; ++i) {
    buttons[i] = {choices[i].flags, choices[i].result, choices[i].label};
  }
  std::string message = ToUtf8(text);
  SDL_MessageBoxData box{};
  box.flags = serious ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
  box.window = SDL_GetKeyboardFocus();
  box.title = title;
  box.message = message.c_str();
  box.numbuttons = static_cast<int>(N);
  box.buttons = buttons;
  int pressed = 0;
  if (SDL_ShowMessageBox(&box, &pressed) < 0) return false;
  // Closing the box without a button reports -1: the cancelling answer.
  result = pressed == -1 ? choices[N - 1].result : pressed;
  return true;
}

}  // namespace

void FeedSDLEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      FeedKey(event.key);
      break;
    case SDL_TEXTINPUT:
      FeedText(event.text.text);
      break;
    case SDL_MOUSEMOTION: {
      int x = event.motion.x;
      int y = event.motion.y;
      MapPointerToProgram(x, y);
      FeedMouseMove(x, y);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      FeedMouseButton(ButtonCode(event.button.button), event.type == SDL_MOUSEBUTTONDOWN);
      break;
    case SDL_MOUSEWHEEL:
      FeedWheelEvent(event.wheel);
      break;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
      FeedSDLGamepadEvent(event);
      break;
    default:
      break;  // quit requests and window events are not input
  }
}

TSDLSystemDriver::TSDLSystemDriver() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_EVENTS) < 0) {
    ThrowRuntimeError(std::string("Unable to start SDL events: ") + SDL_GetError());
  }
  StartSDLGamepads();
}

TSDLSystemDriver::~TSDLSystemDriver() {
  StopSDLGamepads();
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

void TSDLSystemDriver::Poll() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    CallPlatformEventHook(event);
    FeedSDLEvent(event);
  }
}

void TSDLSystemDriver::Wait() {
  // A null event only waits; Poll takes the event off the queue.
  SDL_WaitEvent(nullptr);
  Poll();
}

void TSDLSystemDriver::WaitTimeout(int ms) {
  if (ms > 0) SDL_WaitEventTimeout(nullptr, ms);
  Poll();
}

void TSDLSystemDriver::MoveMouse(int x, int y) {
  MapPointerToWindow(x, y);
  if (SDL_Window* window = SDL_GetKeyboardFocus()) SDL_WarpMouseInWindow(window, x, y);
}

void TSDLSystemDriver::Notify(const String& text, bool serious) {
  int ignored = 0;
  if (!ShowBox("Notify", text, serious, kOk, ignored)) TSystemDriver::Notify(text, serious);
}

int TSDLSystemDriver::Confirm(const String& text, bool serious) {
  int result = 0;
  if (ShowBox("Confirm", text, serious, kOkCancel, result)) return result;
  return TSystemDriver::Confirm(text, serious);
}

int TSDLSystemDriver::Proceed(const String& text, bool serious) {
  int result = -1;
  if (ShowBox("Proceed", text, serious, kYesNoCancel, result)) return result;
  return TSystemDriver::Proceed(text, serious);
}

String TSDLSystemDriver::RequestFile(const String&, const String&, bool, const String&) {
  return String();
}

String TSDLSystemDriver::RequestDir(const String&, const String&) {
  return String();
}

}  // namespace salvo
