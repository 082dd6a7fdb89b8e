// GameState: the game's one record of game-wide variables, and the reset of every global.
#pragma once

#include <cstdint>

namespace game {

struct GameState {
    int32_t stage = 0;            // current stage 1..600; 0 ends the stage loop
    int32_t loopIndex = 0;        // (stage - 1) / 4, the difficulty level; 0 outside a game
    int32_t score = 0;            // 0..99999999
    int32_t highScore = 0;        // best score, from "Option/score.dat"
    int32_t lives = 0;            // ships left; 3 at the start of a game
    int32_t frameCount = 0;       // frames since the stage began
    int32_t clearTimer = 0;       // stage-clear sequence counter; above 200 the field freezes
    int32_t gameOverTimer = 0;    // 0, or frames since the game-over sequence began
    int16_t respawnTimer = 0;     // the player's death and respawn countdown
    bool leaveStage = false;      // ends the current stage's frame loop
    bool gameEnded = false;       // ended by game over, the score cap or after stage 600
    bool quitRequested = false;   // leave the program when the current screen ends
    bool running = true;          // false once the window is closing (set by EndFrame)
    int32_t fromStageSelect = 0;  // 1 when the game began from the stage-select menu
    int32_t selectedStage = 1;    // stage offered by the stage-select menu
    int32_t highestStage = 1;     // highest stage ever started, from "Option/start.dat"
    int32_t mouseX = 0;           // last mouse position read, screen pixels
    int32_t mouseY = 0;
    int32_t bunnyHealth = 0;    // 0..5, set at game start
    int32_t bunnyHitTimer = 0;  // 100 when the bunny is hurt; scales the growing hurt picture
    int32_t bunnyHitStep = 0;   // the hurt picture's growth per frame: 8, then -5
    // Map progress and live enemies, kept by stage loading and the spawn schedule.
    int16_t mapWidth = 0;         // the stage map's column count
    int16_t mapHeight = 0;        // the stage map's row count
    int16_t mapRow = 0;           // the row the spawn schedule stands on; only grows
    int16_t lastSpawnedRow = -1;  // mapRow at the previous schedule step
    int16_t enemyCount = 0;       // EnemyPool slots occupied in this frame's enemy pass
    // The ship and the view.
    int32_t shipAngle = 0;         // position on the ring, always reduced 0..1023
    double shipX = 0, shipY = 0;   // world position, 120 units out along shipAngle
    double viewOffsetX = 0;        // shipX - 240, for the world-to-screen mapping
    double viewOffsetY = 0;        // shipY - 360
    int16_t shipRadius = 12;       // the ship's hit circle
    int16_t angleTrail[9] = {};    // [0] the ship's angle, [i + 1] option i's; stored unreduced
    int32_t shipFrameCounter = 0;  // 0..255, picks the ship's picture; 32 while it stands still
    bool shipMoving = false;       // the ship turned in the previous frame
    // The weapon.
    int16_t weaponMode = 0;    // 0 normal, 1 twin, 2 napalm, 3 spread
    int16_t weaponTimer = 0;   // frames left of an item's mode; at 0 the mode returns to 0
    int16_t fireCooldown = 0;  // 4 after each fire check that passed the button test
    // The screen shake: a random jitter of everything drawn from the world.
    int32_t shakeActive = 0;
    int32_t shakeFrame = 0;
    int32_t shakeDuration = 0;
    int32_t shakeAmplitude = 0;
    int32_t shakeX = 0, shakeY = 0;  // integer pixel offsets added by ScreenX/ScreenY and the backdrops
};

extern GameState gameState;

// Adds points to the score, which stops at its cap of 99999999.
void AddScore(int32_t points);

}  // namespace game
