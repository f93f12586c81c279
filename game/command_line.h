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
  bool mute = false;       // --mute: no audio device is opened
  std::string recordPath;  // --record=FILE
  std::string replayPath;  // --replay=FILE
};

// The largest window scale --window accepts.
inline constexpr int kMaxWindowScale = 16;

// What the command line asks for.
struct CommandLine {
  enum class Action {
    kRun,      // play with `options`
    kHelp,     // print HelpText() on stdout, exit 0
    kVersion,  // print VersionText() on stdout, exit 0
    kError,    // print `error`, then HelpText(), on stderr, exit 2
  };
  Action action = Action::kRun;
  GameOptions options;
  std::string error;  // one line, without the newline
};

// Reads argv[1..argc-1]. Only --name and --name=VALUE forms are accepted (and
// -h for --help). Repeating an option is allowed, the last one counts;
// --window with --desktop, --record with --replay, and --scale without
// --window or --desktop are errors. --help and --version win over anything
// else that is valid.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text, ending with a newline.
const char* HelpText();
// "salvo VERSION", ending with a newline.
const char* VersionText();

// Parses the command line and deals with help, version and errors itself.
// Returns -1 when the game should run with `options`, otherwise the exit code
// to end the process with (0 after help or version, 2 after an error).
int HandleCommandLine(int argc, const char* const* argv, GameOptions& options);

}  // namespace salvo
