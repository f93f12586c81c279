// The game's main program: start-up, title screen and frame loop.
#pragma once

#include "game/command_line.h"

namespace salvo {

// Runs each runtime module's one-time initialisation.
void InitRuntimeModules();
// Runs the whole game with the command line's options and returns the
// process exit code (0 after Escape; 2 when a recording cannot be written or
// replayed, with a line on stderr).
int SalvoMain(const GameOptions& options = GameOptions());

}  // namespace salvo
