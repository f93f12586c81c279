// Gamepad controls as key presses. Each control of a pad holds one key of
// the keyboard while it is pressed, through the same input state the
// keyboard feeds, so a program reading keys plays with a pad unchanged:
//
//   left stick / d-pad left, right   Left, Right arrow
//   A, right trigger                 Space
//   Start                            the start key (Enter on a title screen,
//                                    P once the game runs; see SetGamepadStartKey)
//   Back                             Escape
//   X, Y, B, right shoulder          digits 1, 2, 3, 4
//
// The stick and the trigger are analogue: they press their key past half
// travel and let go below a quarter, so a resting or wobbling stick does not
// chatter. The platform layer turns its pad events into the calls below.
#pragma once

namespace salvo {

enum class PadButton {
  kA,
  kB,
  kX,
  kY,
  kBack,
  kStart,
  kRightShoulder,
  kDpadLeft,
  kDpadRight,
  kOther,  // any button without a key
};

enum class PadAxis {
  kLeftX,         // -32768 (left) .. 32767 (right)
  kRightTrigger,  // 0 (released) .. 32767 (pulled)
  kOther,
};

// One pad. Several pads and the keyboard may hold the same key; it goes up
// when the last of them lets go.
class GamepadMapper {
 public:
  GamepadMapper() = default;
  GamepadMapper(const GamepadMapper&) = delete;
  GamepadMapper& operator=(const GamepadMapper&) = delete;
  // Releases whatever the pad still holds.
  ~GamepadMapper();

  void Button(PadButton button, bool down);
  void Axis(PadAxis axis, int value);
  // Lets go of every key the pad holds (the pad was unplugged).
  void ReleaseAll();

 private:
  // The controls that hold keys; the stick counts as two, one per side.
  enum Control {
    kControlA,
    kControlB,
    kControlX,
    kControlY,
    kControlBack,
    kControlStart,
    kControlShoulder,
    kControlDpadLeft,
    kControlDpadRight,
    kControlStickLeft,
    kControlStickRight,
    kControlTrigger,
    kControlCount
  };
  void Hold(Control control, bool down);
  // Presses past `press`, lets go below `release` (|value| for the stick).
  void Analogue(Control control, int value);

  int heldKey_[kControlCount] = {};  // the key a held control holds, else 0
};

// The key Start holds from its next press on: Enter while a title screen waits
// (the default), P once the game proper runs, so one button both starts and
// pauses the game.
void SetGamepadStartKey(int key);
int GamepadStartKey();

// Travel, in axis units, past which the stick and the trigger press their key
// and below which they let it go again.
inline constexpr int kPadPressTravel = 16384;
inline constexpr int kPadReleaseTravel = 8192;

}  // namespace salvo
