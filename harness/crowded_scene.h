// A crowded fight for benchmarks and drawing checks: the wave of a given round with the upgrades a
// player would have bought by then, and a scripted player who sweeps the track and fires a
// half-charged volley every 50 frames.
#pragma once

#include "harness/scripted_system.h"

namespace salvo {

// Clears the enemies and starts `round`'s wave with its banner already gone, the menu and game over
// closed, and the given upgrades. Returns the wave's unit count.
int StartCrowdedWave(int round, int shotCount, int blastRadius);

// Sweeps left and right along the track and fires a half-charged volley (bursting about 300 pixels
// up, among the wave) every 50 frames. Keys are scheduled for the pass about to run.
void ScriptSweepingPlayer(TScriptedSystemDriver& system, int frame);

}  // namespace salvo
