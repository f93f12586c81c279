// The game's spine, cut into pieces a harness can drive one frame at a time:
// display and assets, the title screen, the set-up of a new game and the
// passes of the frame loop.
#pragma once

namespace salvo {

class Game {
 public:
  // Opens the 640 x 480 display, then runs LoadAssets.
  void OpenDisplayAndLoadAssets();
  // On a display that is already open (a benchmark opens a window of its
  // own): centred image handles, the embedded files, the mask colour, every
  // picture and sound, then alpha blending at full alpha.
  void LoadAssets();
  // One frame of the title screen. True while more title frames follow
  // (waiting for Enter, or still fading out).
  bool TitleFrame();
  // The set-up after the title: full alpha, cannon, lists, prices,
  // medic-truck clock, hidden pointer, random seed from the clock, round 1.
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
