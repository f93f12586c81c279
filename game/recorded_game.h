// One game from the title screen to Escape, played live, recorded to a file
// as it is played, or replayed from such a file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace salvo {

// Raised whenever a change to the game's rules would make an older recording
// play differently; recordings of another game version are refused.
inline constexpr uint16_t kGameRulesVersion = 1;

// The steps of one game, as the caller runs them (the real game or the
// headless harness).
struct GameSteps {
  std::function<void()> openDisplay;  // display and assets
  std::function<bool()> titleFrame;   // true while the title goes on
  std::function<void()> setUp;        // cannon, lists, seed, round 1
  std::function<bool()> frame;        // false once Escape ended the loop
};

// Where the game's input comes from and goes to; both empty for a live game.
struct GameRecording {
  std::string recordPath;  // write the game here as it is played
  std::string replayPath;  // play this recording instead of live input
};

// Plays the game. With a recording, the installed system driver is wrapped
// for the game's length: the recorder writes every pass's clock and keys to
// recordPath; the replayer feeds them from replayPath, ignoring live keys but
// Escape. A file that cannot be written or replayed (another version,
// damaged, truncated) or a replay that goes differently from its recording
// ends the game with one line on stderr and the result 2; otherwise 0. An
// unusable replay file is reported before the display opens.
int PlayGame(const GameSteps& steps, const GameRecording& recording = {});

}  // namespace salvo
