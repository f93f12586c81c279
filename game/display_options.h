// How the game's command line reaches the runtime's display, and what the
// player is told when no display could be opened.
#pragma once

#include <string>

#include "game/command_line.h"

namespace salvo {

// Asks the runtime for scaled output when --window or --desktop was given;
// with neither the display stays the 640 x 480 mode.
void ApplyDisplayOptions(const GameOptions& options);

// The one line (without newline) that names why the display could not be
// opened, from what the window system said (`systemError`, "" when it started),
// the DISPLAY variable (nullptr when unset) and whether the screen has a
// 640 x 480 mode; "" when there is nothing more to say than the error itself.
std::string DisplayFailureCause(const GameOptions& options, const std::string& systemError,
                                const char* displayVariable, bool have640x480);

// Writes DisplayFailureCause for the current system to stderr, if any. Run
// when opening the display failed, before the error itself is reported.
void ExplainDisplayFailure(const GameOptions& options);

}  // namespace salvo
