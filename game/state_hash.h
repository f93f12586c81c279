// A fingerprint of everything that decides how the game goes on: the globals,
// the cannon, every unit, shell, explosion, particle and blood drop, and the
// random generator. Two runs that agree on it play on alike; a replay checks
// it now and then against the recorded game to catch any divergence early.
#pragma once

#include <cstdint>

namespace salvo {

// 64-bit FNV-1a over the state's fields (floats by their bit patterns, list
// members in list order). Works before the game is set up too (lists Null).
uint64_t HashGameState();

}  // namespace salvo
