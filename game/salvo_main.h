// The game's main program: start-up, title screen and frame loop.
#pragma once

namespace salvo {

// Runs each runtime module's one-time initialisation.
void InitRuntimeModules();
// Runs the whole game and returns the process exit code (0 after Escape).
int SalvoMain();

}  // namespace salvo
