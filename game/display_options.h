// How the game's command line reaches the runtime's display, and what the
// player is told when no display could be opened.
#pragma once

#include <string>

#include "game/command_line.h"

namespace salvo {
struct TWindowSession;
}

namespace salvo {

// Asks the runtime for scaled output when --window or --desktop was given;
// with neither the display stays the 640 x 480 mode. A window or desktop is
// titled "Salvo" and carries the game's icon; the mode keeps the runtime's
// titles.
void ApplyDisplayOptions(const GameOptions& options);

// The one line (without newline) refusing --window=SCALE when a window of
// that scale is larger than the desktop's usable area (usableWidth x
// usableHeight); "" when it fits. Scale 1 is never refused: it is the
// smallest there is, and the window system places what does not fit.
std::string OversizedWindowError(const GameOptions& options, int usableWidth, int usableHeight);

// Writes OversizedWindowError for the current desktop to stderr and returns
// exit code 2; -1 when the window fits or there is no desktop to measure (the
// display's own failure then says why).
int RefuseOversizedWindow(const GameOptions& options);

// The one line (without newline) that names why the display could not be
// opened, from what the window system said (`systemError`, "" when it started),
// how the platform reaches it (`session`) and whether the screen has a
// 640 x 480 mode; "" when there is nothing more to say than the error itself.
std::string DisplayFailureCause(const GameOptions& options, const std::string& systemError,
                                const TWindowSession& session, bool have640x480);

// Writes DisplayFailureCause for the current system to stderr, if any. Run
// when opening the display failed, before the error itself is reported.
void ExplainDisplayFailure(const GameOptions& options);

}  // namespace salvo
