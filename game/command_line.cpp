#include "game/command_line.h"

#include <cstdio>
#include <optional>
#include <string_view>

namespace salvo {
namespace {

constexpr const char kHelp[] =
    "Usage: salvo [OPTION]...\n"
    "Salvo, a single-screen artillery arcade game at 640 x 480.\n"
    "With no option the game runs full screen in a 640 x 480 display mode.\n"
    "\n"
    "  --window[=SCALE]       play in a resizable window of SCALE x 640 by SCALE x 480\n"
    "                         (SCALE 1 to 16; default: the largest that fits the desktop)\n"
    "  --desktop              play full screen at the desktop's own resolution\n"
    "  --scale=fit|integer    how the picture fills a larger window or desktop:\n"
    "                         fit (default) keeps its shape with black bars,\n"
    "                         integer uses the largest whole multiple, centred\n"
    "  --mute                 open no audio device; the game plays silently\n"
    "  --record=FILE          record the game played into FILE\n"
    "  --replay=FILE          replay the game recorded in FILE\n"
    "  -h, --help             show this help and exit\n"
    "  --version              show the version and exit\n"
    "\n"
    "--window and --desktop cannot be combined, nor --record and --replay;\n"
    "--scale needs --window or --desktop. Given twice, an option's last value counts.\n"
    "\n"
    "Exit status:\n"
    "  0    the player quit with Escape\n"
    "  1    the display was lost while playing\n"
    "  2    a bad command line, or a recording that is unusable or went differently\n"
    "  255  a runtime error (for instance \"Graphics mode does not exist\")\n";

constexpr const char kVersion[] = "salvo " SALVO_VERSION "\n";

// An option split at its first '=': "--window=2" gives name "--window" and
// value "2"; without '=' there is no value.
struct Argument {
  std::string_view name;
  std::optional<std::string_view> value;
};

Argument Split(std::string_view text) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return {text, std::nullopt};
  return {text.substr(0, equals), text.substr(equals + 1)};
}

// A whole number 1..kMaxWindowScale written in plain decimal digits.
std::optional<int> ParseScale(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > kMaxWindowScale) return std::nullopt;
  return value;
}

class Parser {
 public:
  // False (with the error set) when the argument is not acceptable.
  bool Take(std::string_view text) {
    const Argument arg = Split(text);
    if (arg.name == "--help" || arg.name == "-h") return Flag(arg, help_);
    if (arg.name == "--version") return Flag(arg, version_);
    if (arg.name == "--mute") return Flag(arg, line_.options.mute);
    if (arg.name == "--desktop") return Desktop(arg);
    if (arg.name == "--window") return Window(arg);
    if (arg.name == "--scale") return Scale(arg);
    if (arg.name == "--record") return Path(arg, line_.options.recordPath);
    if (arg.name == "--replay") return Path(arg, line_.options.replayPath);
    if (text.substr(0, 1) == "-") return Fail("unknown option '" + std::string(text) + "'");
    return Fail("unexpected argument '" + std::string(text) + "'");
  }

  CommandLine Finish() {
    if (line_.action == CommandLine::Action::kError) return line_;
    const GameOptions& options = line_.options;
    if (windowSeen_ && desktopSeen_) {
      Fail("--window and --desktop cannot be combined");
    } else if (!options.recordPath.empty() && !options.replayPath.empty()) {
      Fail("--record and --replay cannot be combined");
    } else if (scaleSeen_ && options.display == GameOptions::Display::kMode) {
      Fail("--scale needs --window or --desktop");
    } else if (help_) {
      line_.action = CommandLine::Action::kHelp;
    } else if (version_) {
      line_.action = CommandLine::Action::kVersion;
    }
    return line_;
  }

 private:
  bool Fail(std::string message) {
    line_.action = CommandLine::Action::kError;
    line_.error = "salvo: " + std::move(message);
    return false;
  }

  bool Flag(const Argument& arg, bool& flag) {
    if (arg.value) return Fail("option '" + std::string(arg.name) + "' takes no value");
    flag = true;
    return true;
  }

  bool Desktop(const Argument& arg) {
    if (!Flag(arg, desktopSeen_)) return false;
    line_.options.display = GameOptions::Display::kDesktop;
    return true;
  }

  bool Window(const Argument& arg) {
    int scale = 0;
    if (arg.value) {
      std::optional<int> parsed = ParseScale(*arg.value);
      if (!parsed) {
        return Fail("bad window scale '" + std::string(*arg.value) + "' (a whole number 1 to " +
                    std::to_string(kMaxWindowScale) + ")");
      }
      scale = *parsed;
    }
    windowSeen_ = true;
    line_.options.display = GameOptions::Display::kWindow;
    line_.options.windowScale = scale;
    return true;
  }

  bool Scale(const Argument& arg) {
    if (!arg.value) return Fail("option '--scale' needs a value: --scale=fit or --scale=integer");
    if (*arg.value == "fit") {
      line_.options.scaling = GameOptions::Scaling::kFit;
    } else if (*arg.value == "integer") {
      line_.options.scaling = GameOptions::Scaling::kInteger;
    } else {
      return Fail("bad scaling '" + std::string(*arg.value) + "' (fit or integer)");
    }
    scaleSeen_ = true;
    return true;
  }

  bool Path(const Argument& arg, std::string& path) {
    if (!arg.value || arg.value->empty()) {
      return Fail("option '" + std::string(arg.name) + "' needs a file: " + std::string(arg.name) +
                  "=FILE");
    }
    path = std::string(*arg.value);
    return true;
  }

  CommandLine line_;
  bool help_ = false;
  bool version_ = false;
  bool desktopSeen_ = false;
  bool windowSeen_ = false;
  bool scaleSeen_ = false;
};

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  Parser parser;
  for (int i = 1; i < argc; ++i) {
    if (!parser.Take(argv[i] ? argv[i] : "")) break;
  }
  return parser.Finish();
}

const char* HelpText() {
  return kHelp;
}

const char* VersionText() {
  return kVersion;
}

int HandleCommandLine(int argc, const char* const* argv, GameOptions& options) {
  const CommandLine line = ParseCommandLine(argc, argv);
  switch (line.action) {
    case CommandLine::Action::kRun:
      options = line.options;
      return -1;
    case CommandLine::Action::kHelp:
      std::fputs(HelpText(), stdout);
      return 0;
    case CommandLine::Action::kVersion:
      std::fputs(VersionText(), stdout);
      return 0;
    case CommandLine::Action::kError:
      break;
  }
  std::fprintf(stderr, "%s\n", line.error.c_str());
  std::fputs(HelpText(), stderr);
  return 2;
}

}  // namespace salvo
