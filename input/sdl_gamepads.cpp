#include "input/sdl_gamepads.h"

#include <SDL.h>

#include <map>
#include <memory>

#include "input/gamepad.h"

namespace salvo {

namespace {

struct OpenPad {
  SDL_GameController* controller = nullptr;
  GamepadMapper mapper;
};

bool started = false;
// Open pads by joystick instance id, the id their events carry.
std::map<SDL_JoystickID, std::unique_ptr<OpenPad>> pads;

PadButton ButtonFor(Uint8 button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
      return PadButton::kA;
    case SDL_CONTROLLER_BUTTON_B:
      return PadButton::kB;
    case SDL_CONTROLLER_BUTTON_X:
      return PadButton::kX;
    case SDL_CONTROLLER_BUTTON_Y:
      return PadButton::kY;
    case SDL_CONTROLLER_BUTTON_BACK:
      return PadButton::kBack;
    case SDL_CONTROLLER_BUTTON_START:
      return PadButton::kStart;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      return PadButton::kRightShoulder;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return PadButton::kDpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return PadButton::kDpadRight;
    default:
      return PadButton::kOther;
  }
}

PadAxis AxisFor(Uint8 axis) {
  switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
      return PadAxis::kLeftX;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
      return PadAxis::kRightTrigger;
    default:
      return PadAxis::kOther;
  }
}

// Opens every attached controller that is not open yet. The device index an
// "added" event carries is its position when the event was queued; a pad
// removed before the event is read shifts the others, so the index may name
// another pad or none. Going through the whole list by identity misses none.
void OpenAttachedPads() {
  for (int index = 0; index < SDL_NumJoysticks(); ++index) {
    if (!SDL_IsGameController(index) || pads.count(SDL_JoystickGetDeviceInstanceID(index))) {
      continue;
    }
    SDL_GameController* controller = SDL_GameControllerOpen(index);
    if (!controller) continue;
    auto pad = std::make_unique<OpenPad>();
    pad->controller = controller;
    pads[SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller))] = std::move(pad);
  }
}

void ClosePad(SDL_JoystickID id) {
  auto found = pads.find(id);
  if (found == pads.end()) return;
  found->second->mapper.ReleaseAll();
  SDL_GameControllerClose(found->second->controller);
  pads.erase(found);
}

GamepadMapper* MapperOf(SDL_JoystickID id) {
  auto found = pads.find(id);
  return found == pads.end() ? nullptr : &found->second->mapper;
}

}  // namespace

bool StartSDLGamepads() {
  if (!started) started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  return started;
}

void StopSDLGamepads() {
  if (!started) return;
  while (!pads.empty()) ClosePad(pads.begin()->first);
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  started = false;
}

void FeedSDLGamepadEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
      OpenAttachedPads();
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      ClosePad(event.cdevice.which);
      OpenAttachedPads();
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (GamepadMapper* mapper = MapperOf(event.cbutton.which)) {
        mapper->Button(ButtonFor(event.cbutton.button), event.type == SDL_CONTROLLERBUTTONDOWN);
      }
      break;
    case SDL_CONTROLLERAXISMOTION:
      if (GamepadMapper* mapper = MapperOf(event.caxis.which)) {
        mapper->Axis(AxisFor(event.caxis.axis), event.caxis.value);
      }
      break;
    default:
      break;
  }
}

int OpenSDLGamepadCount() {
  return static_cast<int>(pads.size());
}

}  // namespace salvo
