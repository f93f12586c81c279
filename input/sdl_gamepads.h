// Gamepads on SDL's game-controller API: every pad SDL recognises is opened
// when it is plugged in (or already there at start) and closed when it goes,
// and its buttons and axes are turned into key presses by a GamepadMapper.
#pragma once

union SDL_Event;

namespace salvo {

// Starts SDL's game-controller subsystem. Pads are optional: when it cannot
// start, the game simply has none. Returns whether it started.
bool StartSDLGamepads();
// Closes every open pad (releasing the keys it held) and stops the subsystem.
void StopSDLGamepads();
// Handles pad plug, unplug, button and axis events; ignores any other event.
void FeedSDLGamepadEvent(const SDL_Event& event);
// How many pads are open now.
int OpenSDLGamepadCount();

}  // namespace salvo
