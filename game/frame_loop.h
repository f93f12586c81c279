// The game's spine, cut into pieces a harness can drive one frame at a time:
// display and assets, the title screen, the set-up of a new game and the
// passes of the frame loop.
#pragma once

namespace salvo {

class Game {
 public:
  // Start-up steps 2 to 7: the 640 x 480 display, the embedded files, the
  // mask colour, every picture and sound, alpha blending.
  void OpenDisplayAndLoadAssets();
  // Start-up steps 3 to 7 on a display that is already open (a benchmark
  // opens a window of its own).
  void LoadAssets();
  // One frame of the title screen. True while more title frames follow
  // (waiting for Enter, or still fading out).
  bool TitleFrame();
  // Start-up steps 9 to 16: cannon, lists, prices, medic-truck clock, hidden
  // pointer, random seed from the clock, round 1.
  void SetUpGame();
  // One pass of the frame loop, release step included. False once Escape has
  // been pressed: the loop is over.
  bool Frame();

  float TitleFade() const { return titleFade_; }

  // How long a paused pass waits for input before it looks at the keys again.
  static constexpr int kPausedWaitMs = 5;

 private:
  float titleFade_ = -1;
};

}  // namespace salvo
