// Lives, hits and the bunny's health: the phases of the ship's down time and the game-over countdown.
#pragma once

namespace game {

// 0 normal, 1 recovering (respawnTimer 1..79), 2 the respawn frame (80), 3 down (81..120 or other).
int PlayerPhase();
// The ship is hit: a life, the weapon and the 120-frame down time.
void PlayerHit();
void CheckGameOver();
// Starts the countdown when the bunny is dead and ends the game 120 frames into it (every frame).
void RunGameOverCountdown();

}  // namespace game
