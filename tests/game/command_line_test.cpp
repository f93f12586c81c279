// The game's command line: every option, the conflicts, and each kind of bad
// value, down to the exit codes and what reaches stdout and stderr.
#include "game/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/std_regex_matcher.h"

namespace salvo {
namespace {

using Action = CommandLine::Action;
using Display = GameOptions::Display;
using Scaling = GameOptions::Scaling;

// The arguments after the program's own name.
std::vector<const char*> Argv(std::vector<const char*> args) {
  args.insert(args.begin(), "salvo");
  return args;
}

CommandLine Parse(const std::vector<const char*>& args) {
  const std::vector<const char*> argv = Argv(args);
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// The options read: display, window scale, scaling, mute, record and replay paths.
using Fields = std::tuple<Display, int, Scaling, bool, std::string, std::string>;
Fields Of(const GameOptions& o) {
  return {o.display, o.windowScale, o.scaling, o.mute, o.recordPath, o.replayPath};
}

TEST(CommandLine, NoOptionIsTheFullScreenModeWithSoundEveryOptionIsReadAndTheLastRepeatCounts) {
  const std::pair<std::vector<const char*>, Fields> cases[] = {
      {{}, {Display::kMode, 0, Scaling::kFit, false, "", ""}},
      {{"--window"}, {Display::kWindow, 0, Scaling::kFit, false, "", ""}},
      {{"--window=3", "--scale=integer", "--mute"},
       {Display::kWindow, 3, Scaling::kInteger, true, "", ""}},
      {{"--desktop", "--scale=fit"}, {Display::kDesktop, 0, Scaling::kFit, false, "", ""}},
      {{"--window=16", "--record=game.rec"},
       {Display::kWindow, 16, Scaling::kFit, false, "game.rec", ""}},
      // The path is everything after the first '=', '=' included.
      {{"--replay=dir/a=b.rec"}, {Display::kMode, 0, Scaling::kFit, false, "", "dir/a=b.rec"}},
      {{"--window=2", "--window=4", "--scale=integer", "--scale=fit", "--record=a", "--record=b",
        "--mute", "--mute"},
       {Display::kWindow, 4, Scaling::kFit, true, "b", ""}},
      // A bare --window after a scaled one goes back to the desktop's choice.
      {{"--window=2", "--window"}, {Display::kWindow, 0, Scaling::kFit, false, "", ""}},
  };
  for (const auto& [args, fields] : cases) {
    const CommandLine line = Parse(args);
    EXPECT_EQ(line.action, Action::kRun) << line.error;
    EXPECT_EQ(Of(line.options), fields) << ::testing::PrintToString(args);
  }
}

TEST(CommandLine, HelpAndVersionWinOverOtherValidOptions) {
  EXPECT_EQ(Parse({"--help"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"-h"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"--mute", "--help", "--window"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"--version"}).action, Action::kVersion);
  EXPECT_EQ(Parse({"--desktop", "--version"}).action, Action::kVersion);
  // A bad option is still an error, whatever else is there.
  EXPECT_EQ(Parse({"--help", "--nonsense"}).action, Action::kError);
}

// Each entry: the arguments and a piece of the one-line error they must give.
struct BadCase {
  std::vector<const char*> args;
  const char* message;
};

TEST(CommandLine, EachKindOfBadInputIsAnErrorNamingIt) {
  const BadCase cases[] = {
      {{"--fullscreen"}, "unknown option '--fullscreen'"},
      {{"-w"}, "unknown option '-w'"},
      {{"--"}, "unknown option '--'"},
      {{"-"}, "unknown option '-'"},
      {{"save.rec"}, "unexpected argument 'save.rec'"},
      {{""}, "unexpected argument ''"},
      {{"--WINDOW"}, "unknown option '--WINDOW'"},
      {{"--window=0"}, "bad window scale '0'"},
      {{"--window=17"}, "bad window scale '17'"},
      {{"--window=-1"}, "bad window scale '-1'"},
      {{"--window=2x"}, "bad window scale '2x'"},
      {{"--window=1.5"}, "bad window scale '1.5'"},
      {{"--window="}, "bad window scale ''"},
      {{"--window=99999999999"}, "bad window scale '99999999999'"},
      {{"--window= 2"}, "bad window scale ' 2'"},
      {{"--window=016"}, "bad window scale '016'"},
      {{"--window", "--scale=stretch"}, "bad scaling 'stretch'"},
      {{"--window", "--scale=Fit"}, "bad scaling 'Fit'"},
      {{"--window", "--scale="}, "bad scaling ''"},
      {{"--window", "--scale"}, "'--scale' needs a value"},
      {{"--desktop=1"}, "'--desktop' takes no value"},
      {{"--mute=yes"}, "'--mute' takes no value"},
      {{"--help=me"}, "'--help' takes no value"},
      {{"--version=2"}, "'--version' takes no value"},
      {{"--record"}, "'--record' needs a file"},
      {{"--record="}, "'--record' needs a file"},
      {{"--replay"}, "'--replay' needs a file"},
      {{"--window", "--desktop"}, "--window and --desktop cannot be combined"},
      {{"--desktop", "--window=2"}, "--window and --desktop cannot be combined"},
      {{"--record=a", "--replay=b"}, "--record and --replay cannot be combined"},
      {{"--scale=integer"}, "--scale needs --window or --desktop"},
  };
  for (const BadCase& bad : cases) {
    const CommandLine line = Parse(bad.args);
    std::string shown;
    for (const char* arg : bad.args) shown += std::string(arg) + " ";
    EXPECT_EQ(line.action, Action::kError) << shown;
    EXPECT_NE(line.error.find(bad.message), std::string::npos) << shown << "-> " << line.error;
    EXPECT_EQ(line.error.rfind("salvo: ", 0), 0u) << line.error;
    EXPECT_EQ(line.error.find('\n'), std::string::npos) << "one line: " << line.error;
  }
}

// HandleCommandLine's effects, in a child process so stdout and stderr can
// be matched.
TEST(CommandLineDeathTest, HandlingPrintsAndReturnsTheExitCode) {
  auto handle = [](const std::vector<const char*>& args) {
    const std::vector<const char*> argv = Argv(args);
    GameOptions options;
    std::exit(HandleCommandLine(static_cast<int>(argv.size()), argv.data(), options));
  };
  // Error line first, then the help, all on stderr; exit code 2.
  EXPECT_EXIT(
      handle({"--window=0"}), ::testing::ExitedWithCode(2),
      testing::ContainsStdRegex("^salvo: bad window scale '0'[^\n]*\nUsage: salvo \\[OPTION\\]"));
  EXPECT_EXIT(handle({"--bogus"}), ::testing::ExitedWithCode(2), "--scale=fit\\|integer");
  // Help and version go to stdout: nothing on stderr, exit code 0.
  EXPECT_EXIT(handle({"--help"}), ::testing::ExitedWithCode(0), "^$");
  EXPECT_EXIT(handle({"--version"}), ::testing::ExitedWithCode(0), "^$");

  GameOptions options;
  const char* argv[] = {"salvo", "--desktop", "--mute"};
  EXPECT_EQ(HandleCommandLine(3, argv, options), -1);
  EXPECT_EQ(options.display, Display::kDesktop);
  EXPECT_TRUE(options.mute);
}

TEST(CommandLine, HelpListsEveryOptionAndVersionNamesTheGame) {
  const std::string help = HelpText();
  for (const char* option : {"--window[=SCALE]", "--desktop", "--scale=fit|integer", "--mute",
                             "--record=FILE", "--replay=FILE", "--help", "--version"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  for (const char* code : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  255 "}) {
    EXPECT_NE(help.find(code), std::string::npos) << "exit code" << code;
  }
  EXPECT_EQ(std::string(VersionText()).rfind("salvo ", 0), 0u);
}

}  // namespace
}  // namespace salvo
