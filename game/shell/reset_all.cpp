// The reset of every subsystem's globals, in one place.
#include "game/shell/reset_all.h"

#include "game/effects/effects.h"
#include "game/enemies/pools.h"
#include "game/player/options.h"
#include "game/player/shots.h"
#include "game/services/frame_rhythm.h"
#include "game/services/game_random.h"
#include "game/services/screenshot.h"
#include "game/state.h"

namespace game {

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
