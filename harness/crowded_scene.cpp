#include "harness/crowded_scene.h"

#include "game/globals.h"
#include "game/rounds.h"
#include "input/virtual_keys.h"
#include "runtime/list.h"

namespace salvo {

int StartCrowdedWave(int waveRound, int shots, int radius) {
  enemies->Clear();
  round = waveRound - 1;
  StartRound();
  roundBanner = 0;
  upgradeMenuOpen = 0;
  gameOver = 0;
  shotCount = shots;
  blastRadius = radius;
  return CountList(enemies);
}

void ScriptSweepingPlayer(TScriptedSystemDriver& system, int frame) {
  const int sweep = frame % 240;
  if (sweep == 0) system.Press(VK_RIGHT);
  if (sweep == 60) system.Release(VK_RIGHT);
  if (sweep == 120) system.Press(VK_LEFT);
  if (sweep == 180) system.Release(VK_LEFT);
  if (frame % 50 == 0) system.Press(VK_SPACE);
  if (frame % 50 == 25) system.Release(VK_SPACE);
}

}  // namespace salvo
