// The game's globals and their reset.
#include "game/state.h"

#include "game/effects/effects.h"
#include "game/enemies/pools.h"
#include "game/player/options.h"
#include "game/player/shots.h"
#include "game/shell/frame_rhythm.h"
#include "game/shell/screenshot.h"
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
    screenshotNumber = 0;
    ResetEnemyPool();
    ResetBulletPool();
    ResetItemPool();
    ResetShots();
    ResetOptionsForGame();
    ClearEffects();
    ClearShake();
    SeedGameRandom(1);  // last: resetting the enemy pool draws random numbers
}

}  // namespace game
