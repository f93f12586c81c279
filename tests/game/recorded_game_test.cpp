#include "game/recorded_game.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <thread>

#include "game/cannon.h"
#include "game/globals.h"
#include "game/salvo_main.h"
#include "game/state_hash.h"
#include "harness/headless_game.h"
#include "input/gamepad.h"
#include "input/input_state.h"
#include "input/random.h"
#include "input/sdl_system_driver.h"
#include "runtime/error.h"
#include "runtime/list.h"
#include "tests/std_regex_matcher.h"
#include "tests/unique_test_path.h"

namespace salvo {
namespace {

using Bytes = std::vector<char>;

// The recording with a version field (8: format, 10: game) set to `version` and a header checksum
// that fits: a sound file of another version.
Bytes WithVersion(Bytes bytes, size_t field, char version) {
  bytes[field] = version;
  const uint32_t crc =
      static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), 12));
  for (int i = 0; i < 4; ++i) bytes[12 + i] = static_cast<char>(crc >> (8 * i));
  return bytes;
}

// What one played game left behind: every pass's frame and the sounds.
struct Played {
  int result = -1;
  std::vector<std::vector<DrawRecord>> frames;
  std::vector<std::string> sounds;
  std::string errors;    // what went to stderr
  uint64_t endHash = 0;  // the game state at the end
};

// Runs before every pass of a played game, given the game and the count of passes before it.
using EachPass = std::function<void(HeadlessGame&, int)>;

// Plays a headless game through PlayGame.
Played Play(HeadlessGame& game, const GameRecording& recording, const EachPass& eachPass = {}) {
  SeedRandom(0);  // the generator as a new process has it
  Played played;
  int passes = 0;
  auto pass = [&](bool title) {
    if (eachPass) eachPass(game, passes++);
    const bool more = title ? game.TitleFrame() : game.Frame();
    played.frames.push_back(game.LastFrame());
    return more;
  };
  const GameSteps steps{[] {}, [&] { return pass(true); }, [&] { game.SetUpWithoutTitle(); },
                        [&] { return pass(false); }};
  ::testing::internal::CaptureStderr();
  played.result = PlayGame(steps, recording);
  played.errors = ::testing::internal::GetCapturedStderr();
  played.endHash = HashGameState();
  played.sounds = game.Audio().started;
  return played;
}

// A random but repeatable player: Enter on the title, then presses and releases of the game's keys,
// now and then a pause, Escape at the end.
void ScriptRandomPlayer(TScriptedSystemDriver& system, unsigned seed, int passes) {
  std::mt19937 random(seed);
  const int keys[] = {VK_LEFT, VK_RIGHT, VK_SPACE, VK_SPACE, VK_SPACE, '1', '2', '3', '4', VK_P};
  system.Schedule(2, VK_RETURN, true);
  system.Schedule(3, VK_RETURN, false);
  for (int pass = 4; pass < passes; ++pass) {
    if (random() % 6 != 0) continue;
    const int key = keys[random() % std::size(keys)];
    system.Schedule(pass, key, true);
    // Short taps for P (a pause of a few passes), long holds for the rest.
    system.Schedule(pass + 1 + static_cast<int>(random() % (key == VK_P ? 3 : 40)), key, false);
  }
  system.Schedule(passes, VK_ESCAPE, true);
}

// The real game recording to or replaying `path` as a new process starts it: the generator
// unseeded, fresh globals, the live system driver, no sound card.
int RunSalvo(std::string GameOptions::*file, const std::string& path) {
  GameOptions options;
  options.*file = path;
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  SeedRandom(0);
  ResetGameGlobals();
  SetSystemDriver(New<TSDLSystemDriver>());
  return SalvoMain(options);
}

class RecordedGameTest : public ::testing::Test {
 protected:
  ~RecordedGameTest() override { std::remove(path.c_str()); }

  Played RecordRandomGame(int passes, const EachPass& eachPass = {}) {
    HeadlessGame game(123457);
    ScriptRandomPlayer(game.System(), 99, passes);
    return Play(game, {path, ""}, eachPass);
  }
  // Replays the file on a harness whose own clock and keys would play another game.
  Played Replay(const EachPass& eachPass = {}) {
    HeadlessGame game(5);
    game.System().Schedule(1, VK_RETURN, true);  // live keys: ignored
    game.System().Schedule(200, VK_SPACE, true);
    return Play(game, {"", path}, eachPass);
  }
  Bytes ReadFile() const {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  void WriteFile(const Bytes& bytes) const {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
  }
  // Result 2 and one line on stderr: the file's name, then `what` (a regular expression).
  void ExpectFailure(const Played& played, const std::string& what) const {
    EXPECT_EQ(played.result, 2);
    EXPECT_TRUE(std::regex_match(
        played.errors, std::regex("salvo: " + testing::RegexLiteral(path) + ": " + what + "\n")))
        << played.errors;
  }

  std::string path = UniqueTestPath(".rec");
};

// Live keys do not reach a replay, but Escape stops it at once, even on the title.
TEST_F(RecordedGameTest,
       AReplayDrawsAndSoundsEveryFrameAsTheRecordedGameAndLiveEscapeStopsItAtOnceEvenOnTheTitle) {
  const Played recorded = RecordRandomGame(1500);
  ASSERT_EQ(recorded.result, 0) << recorded.errors;
  ASSERT_GT(std::count(recorded.sounds.begin(), recorded.sounds.end(), "cannon.wav"), 3);
  ASSERT_GT(recorded.frames.size(), 1500u);

  const Played replayed = Replay();
  ASSERT_EQ(replayed.result, 0) << replayed.errors;
  ASSERT_EQ(replayed.frames.size(), recorded.frames.size());
  for (size_t pass = 0; pass < recorded.frames.size(); ++pass) {
    ASSERT_EQ(recorded.frames[pass], replayed.frames[pass]) << "pass " << pass;
  }
  EXPECT_EQ(replayed.sounds, recorded.sounds);
  // About 11 bytes a pass.
  EXPECT_LT(ReadFile().size(), recorded.frames.size() * 13);

  for (int at : {40, 300}) {  // the title lasts over 100 passes
    const Played stopped = Replay([&](HeadlessGame& game, int pass) {
      if (pass == 0) game.System().Schedule(at, VK_ESCAPE, true);
    });
    EXPECT_EQ(stopped.result, 0) << stopped.errors;
    EXPECT_EQ(stopped.frames.size(), static_cast<size_t>(at));
  }
}

// A change the recording did not have is found at the next state check (one a second), after the
// last one by that of the end state. The game of 650 passes has 651 (the last sees Escape).
TEST_F(RecordedGameTest, ADivergingReplayIsReportedAtTheNextSecondOrAtTheEnd) {
  ASSERT_EQ(RecordRandomGame(650).result, 0);
  const std::pair<EachPass, const char*> changes[] = {
      {[](HeadlessGame&, int pass) { cash += pass == 400 ? 1 : 0; }, "pass 420, second 7"},
      {[](HeadlessGame&, int pass) { cash += pass == 620 ? 1 : 0; }, "pass 651, second 10"},
      // A key press the recording does not have (the game is paused).
      {[](HeadlessGame&, int pass) {
         if (pass == 620) FeedKeyDown(VK_P);
         if (pass == 621) FeedKeyUp(VK_P);
       },
       "pass 651, second 10"}};
  for (const auto& [change, where] : changes) {
    const Played replayed = Replay(change);
    ExpectFailure(replayed,
                  "the game went differently from the recording by " + std::string(where));
    EXPECT_EQ(replayed.frames.size(), where[5] == '4' ? 420u : 651u);
  }
}

// A game stopped from outside (a termination signal's runtime error, amid a pass that already
// changed the game) replays to the state before that pass, and ends there cleanly.
TEST_F(RecordedGameTest, AStoppedGameReplaysToWhereItStopped) {
  for (int at : {50, 400}) {
    uint64_t before = 0;
    EXPECT_THROW(RecordRandomGame(600,
                                  [&](HeadlessGame&, int pass) {
                                    if (pass < at) return;
                                    before = HashGameState();
                                    cash += 10;
                                    ThrowRuntimeError("Received Signal");
                                  }),
                 RuntimeError);
    ::testing::internal::GetCapturedStderr();
    const Played replayed = Replay();
    EXPECT_EQ(replayed.result, 0) << replayed.errors;
    EXPECT_EQ(replayed.frames.size(), static_cast<size_t>(at));
    EXPECT_EQ(replayed.endHash, before);
  }
}

TEST_F(RecordedGameTest, AGameThatCannotStartLeavesAnOlderRecordingAlone) {
  WriteFile({'o', 'l', 'd'});
  const GameSteps steps{[] { ThrowRuntimeError("Graphics mode does not exist"); },
                        [] { return false; }, [] {}, [] { return false; }};
  EXPECT_THROW(PlayGame(steps, {path, ""}), RuntimeError);
  EXPECT_EQ(ReadFile(), (Bytes{'o', 'l', 'd'}));
}

// The real game in a window (OpenGL driver, frame pacing, mixer) replays a headless recording to
// the same end state, and a game recorded in the window (real clock and key events) replays
// headless.
TEST_F(RecordedGameTest, AWindowReplaysAHeadlessRecordingAndRecordsOneThatReplaysHeadless) {
  const Played recorded = RecordRandomGame(300);
  ASSERT_EQ(recorded.result, 0);
  ::testing::internal::CaptureStderr();
  const int replayedInWindow = RunSalvo(&GameOptions::replayPath, path);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(replayedInWindow, 0) << errors;
  EXPECT_EQ(HashGameState(), recorded.endHash);

  // Enter starts the title's fade; Escape, counted, waits for the game's first pass and ends it.
  // Pressed again and again from another thread: opening the window may drop queued events.
  std::atomic<bool> over = false;
  std::thread player([&] {
    while (!over) {
      for (SDL_Scancode key : {SDL_SCANCODE_RETURN, SDL_SCANCODE_ESCAPE}) {
        for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
          SDL_Event event{};
          event.type = type;
          event.key.keysym.scancode = key;
          event.key.keysym.sym = SDL_GetKeyFromScancode(key);
          SDL_PushEvent(&event);
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
  });
  const int recordedInWindow = RunSalvo(&GameOptions::recordPath, path);
  over = true;
  player.join();
  ASSERT_EQ(recordedInWindow, 0);
  ASSERT_NE(cannon, nullptr);
  const uint64_t recordedEnd = HashGameState();
  ResetGameGlobals();

  const Played replayed = Replay();
  EXPECT_EQ(replayed.result, 0) << replayed.errors;
  EXPECT_EQ(replayed.endHash, recordedEnd);
  EXPECT_GE(replayed.frames.size(), 102u);  // 101 title frames at least, then Escape
}

// A broken file stops a replay with one line and code 2, and so the whole program too, also when
// the file breaks off after the title has played in the window.
TEST_F(RecordedGameTest, BrokenFilesStopTheReplayWithOneLineAndEndTheProgramWithCode2) {
  ASSERT_EQ(RecordRandomGame(600).result, 0);
  const Bytes good = ReadFile();
  auto run = [&](const Bytes& bytes) {
    WriteFile(bytes);
    std::exit(RunSalvo(&GameOptions::replayPath, path));
  };
  // The child of a death test may be a new process with a path of its own.
  const std::string prefix = "^salvo: [^\\n]+\\.rec: ";

  Bytes flippedHalfway = good;
  flippedHalfway[good.size() / 2] ^= 1;
  EXPECT_EXIT(
      run(flippedHalfway), ::testing::ExitedWithCode(2),
      testing::ContainsStdRegex(prefix + "damaged at byte [0-9]+ \\(checksum mismatch\\)\n$"));

  // Cut after about 30 passes: the title plays that far in the window.
  EXPECT_EXIT(
      run(Bytes(good.begin(), good.begin() + 16 + 30 * 10)), ::testing::ExitedWithCode(2),
      testing::ContainsStdRegex(prefix + "the recording breaks off at pass [0-9]+, second 0 "
                                         "\\(the file ends early\\)\n$"));

  // Cut in the middle of the game: a replay plays up to the cut, then stops.
  WriteFile(Bytes(good.begin(), good.begin() + good.size() / 2));
  const Played cut = Replay();
  ExpectFailure(cut,
                "the recording breaks off at pass [0-9]+, second [0-9]+ \\(the file ends early\\)");
  EXPECT_GT(cut.frames.size(), 200u);

  // A flipped byte anywhere after the header is found before play starts, also in the lengths of
  // the last pass and of the end, where it would point past the end of the file.
  const size_t end = good.size() - 18;
  for (size_t at : {size_t{16}, size_t{17}, good.size() / 3, end - 12, end + 1, good.size() - 1}) {
    Bytes flipped = good;
    flipped[at] ^= 0x40;
    WriteFile(flipped);
    const Played damaged = Replay();
    ExpectFailure(damaged, "damaged at byte [0-9]+ \\([a-z ]+\\)");
    EXPECT_EQ(damaged.frames.size(), 0u) << at;
  }

  // Not a recording at all.
  Bytes foreign = good;
  foreign[3] = 'X';
  WriteFile(foreign);
  ExpectFailure(Replay(), "not a Salvo recording");

  // A sound header of another recording format, then of another game version.
  for (auto [field, versions] : {std::pair{size_t{8}, "3, game 1"}, {size_t{10}, "2, game 3"}}) {
    WriteFile(WithVersion(good, field, 3));
    ExpectFailure(Replay(), "recorded by another version of Salvo \\(recording format " +
                                std::string(versions) +
                                "; this build plays formats 1 to 2, game 1\\)");
  }

  std::remove(path.c_str());
  ExpectFailure(Replay(), "cannot open the file: No such file or directory");
}

// The game played with a gamepad alone: no key is pressed on a keyboard.
TEST(GamepadGameTest, APadStartsTheGameFiresAVolleyBuysAnUpgradePausesAndQuits) {
  HeadlessGame game;
  GamepadMapper pad;
  int passes = 0, chargeFrom = 0;
  float cannonStart = 0;
  // What a player holding the pad does next, each once its condition holds before a pass, one step
  // a pass.
  const std::vector<std::pair<std::function<bool()>, std::function<void()>>> steps = {
      {[] { return true; },  // steer right for a while with the stick
       [&] {
         cannonStart = cannon->x;
         pad.Axis(PadAxis::kLeftX, 30000);
       }},
      {[&] { return cannon->x > cannonStart + 20; },
       [&] {
         pad.Axis(PadAxis::kLeftX, 0);
         pad.Button(PadButton::kA, true);
         chargeFrom = passes;
       }},
      {[&] { return passes - chargeFrom == 30; }, [&] { pad.Button(PadButton::kA, false); }},
      // The shells are away; the round is won for the test.
      {[&] { return game.SoundCount("cannon.wav") == 1 && shots->IsEmpty(); },
       [] {
         ClearList(enemies);
         cash = 1000;
       }},
      // Line 1 of the menu: one more shell per volley.
      {[] { return upgradeMenuOpen != 0; }, [&] { pad.Button(PadButton::kX, true); }},
      {[] { return true; }, [&] { pad.Button(PadButton::kX, false); }},
      {[] { return true; }, [&] { pad.Button(PadButton::kStart, true); }},  // pauses now
      {[] { return true; }, [&] { pad.Button(PadButton::kStart, false); }},
      {[] { return paused != 0; }, [&] { pad.Button(PadButton::kBack, true); }},  // quits
  };
  size_t step = 0;
  auto play = [&](bool title) {
    if (passes == 0 || passes == 1) pad.Button(PadButton::kStart, passes == 0);
    // The title, then the round banner.
    if (cannon && roundBanner == 0 && step < steps.size() && steps[step].first()) {
      steps[step++].second();
    }
    passes++;
    return title ? game.TitleFrame() : passes < 5000 && game.Frame();
  };
  const GameSteps run{[] {}, [&] { return play(true); }, [&] { game.SetUpWithoutTitle(); },
                      [&] { return play(false); }};
  ASSERT_EQ(PlayGame(run), 0);
  EXPECT_EQ(step, steps.size());
  EXPECT_LT(passes, 5000);
  EXPECT_GT(cannon->x, cannonStart);
  EXPECT_EQ(game.SoundCount("cannon.wav"), 1);
  EXPECT_EQ(game.SoundCount("bought.wav"), 1);
  EXPECT_EQ(shotCount, 2);
  EXPECT_EQ(cash, 0);
  EXPECT_EQ(paused, 1);
}

}  // namespace
}  // namespace salvo
