// The game's command line. With no option the game behaves as it always has:
// full screen in a 640 x 480 mode, with sound, reading only the keyboard.
#pragma once

#include <string>

namespace salvo {

struct GameOptions {
  // Where the 640 x 480 picture goes.
  enum class Display {
    kMode,     // full screen in a 640 x 480 display mode (the default)
    kWindow,   // a resizable window (--window[=SCALE])
    kDesktop,  // full screen at the desktop's own resolution (--desktop)
  };
  // How the picture fills a window or desktop larger than it (--scale=).
  enum class Scaling {
    kFit,      // keep the aspect ratio, black bars
    kInteger,  // the largest whole multiple, centred
  };

  Display display = Display::kMode;
  int windowScale = 0;  // 0: the largest whole scale that fits the desktop
  Scaling scaling = Scaling::kFit;
  bool mute = false;        // --mute: no audio device is opened
  std::string recordPath;   // --record=FILE
  std::string replayPath;   // --replay=FILE
};

}  // namespace salvo
