// What the player reads during play: the round banner, cash, health, the
// scrolling bonus message, the upgrade menu and the game-over screen.
#pragma once

#include "runtime/string.h"

namespace salvo {

// Keys 1 to 4 of the upgrade menu, in that order.
void RunUpgradeMenuKeys();
// "Round n" in large letters, fading; lowers `roundBanner` by one.
void DrawRoundBanner();
void DrawCash();
void DrawHealthBar();
void DrawUpgradeMenu();
void DrawMessage();
// Ends the game below 1 health; then shows "Game Over" and blows up the
// remaining troops and ships every frame.
void CheckGameOver();
// The upgrade menu's lines, with "$----" once an upgrade is at its limit.
String UpgradeMenuLine(int item);

}  // namespace salvo
