// Lives and hits (the phases so far; hits land with the player's work).
#include "game/player/lives.h"

#include "game/state.h"

namespace game {

int PlayerPhase() {
    const int t = gameState.respawnTimer;
    if (t == 0) return 0;
    if (t >= 1 && t <= 79) return 1;
    if (t == 80) return 2;
    return 3;
}

void PlayerHit() {}
void CheckGameOver() {}

}  // namespace game
