// The game's own random generator: a 32-bit linear congruential generator, seeded per game.
#pragma once

#include <cstdint>

namespace game {

// Next value 0..32767: state = state * 214013 + 2531011, result = (state >> 16) & 0x7FFF.
int GameRandom();
void SeedGameRandom(uint32_t seed);
uint32_t GameRandomState();

}  // namespace game
