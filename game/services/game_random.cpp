// The game's random generator.
#include "game/services/game_random.h"

namespace game {

namespace {
uint32_t randomState = 1;
}

int GameRandom() {
    randomState = randomState * 214013u + 2531011u;
    return int((randomState >> 16) & 0x7FFFu);
}

void SeedGameRandom(uint32_t seed) { randomState = seed; }
uint32_t GameRandomState() { return randomState; }

}  // namespace game
