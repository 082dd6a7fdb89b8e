// Lives, hits and the game-over countdown; the phases of the ship's down time.
#include "game/player/lives.h"

#include "game/effects/effects.h"
#include "game/player/shots.h"
#include "game/services/sound_control.h"
#include "game/state.h"

namespace game {

int PlayerPhase() {
    const int t = gameState.respawnTimer;
    if (t == 0) return 0;
    if (t >= 1 && t <= 79) return 1;
    if (t == 80) return 2;
    return 3;
}

void PlayerHit() {
    GameState& gs = gameState;
    // A second hit in the same frame, or any during the down time, costs nothing.
    if (gs.lives <= 0 || gs.gameOverTimer > 0 || PlayerPhase() > 0) return;
    RequestSound(kSoundCraftLost);
    gs.weaponMode = kWeaponNormal;
    gs.weaponTimer = 0;
    Explode(gs.shipX, gs.shipY, true);
    gs.respawnTimer = 120;
    gs.lives -= 1;
    CheckGameOver();
}

void CheckGameOver() {
    GameState& gs = gameState;
    if (gs.lives <= 0 && gs.gameOverTimer == 0) gs.gameOverTimer = 1;
}

void RunGameOverCountdown() {
    GameState& gs = gameState;
    if (gs.bunnyHealth < 1 && gs.gameOverTimer == 0) gs.gameOverTimer = 1;
    if (gs.gameOverTimer == 0) return;
    gs.gameOverTimer += 1;
    if (gs.gameOverTimer > 120) {
        gs.leaveStage = true;
        gs.stage = 0;
        gs.gameEnded = true;
    }
}

}  // namespace game
