// The game's globals and their reset.
#include "game/state.h"

#include "game/shell/frame_rhythm.h"
#include "game/shell/game_random.h"

namespace game {

GameState gameState;

void AddScore(int32_t points) {
    gameState.score += points;
    if (gameState.score > 99999999) gameState.score = 99999999;
}

void ResetAll() {
    gameState = GameState{};
    ResetFrameRhythm();
    SeedGameRandom(1);
}

}  // namespace game
