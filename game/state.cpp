// The game state and the score.
#include "game/state.h"

namespace game {

GameState gameState;

void AddScore(int32_t points) {
    gameState.score += points;
    if (gameState.score > 99999999) gameState.score = 99999999;
}

}  // namespace game
