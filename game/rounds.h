// Rounds: the wave each round brings, the end of a round and the ground.
#pragma once

#include "render/image.h"

namespace salvo {

// Starts the next round: banner, round number, the whole wave of enemies.
void StartRound();
// Opens the upgrade menu once `enemies` is empty; may send a medic truck.
void CheckRoundEnd();
// The ground of the round tiled over the screen, then the track row.
void DrawBackground();
// The ground picture of a round: grass, snow from 7, sand from 14, grass from 21.
Ref<TImage> GroundImage(int roundNumber);

}  // namespace salvo
