// The ship on its ring: resets, steering by the mouse, the options' trail, drawing and the player's update.
#include "game/player/ship.h"

#include <algorithm>
#include <cstdlib>

#include "engine/image/image.h"
#include "engine/input/input.h"
#include "game/enemies/enemy_update.h"
#include "game/enemies/hits.h"
#include "game/enemies/pools.h"
#include "game/enemies/spawn_schedule.h"
#include "game/geometry/trig.h"
#include "game/player/items.h"
#include "game/player/lives.h"
#include "game/player/options.h"
#include "game/player/shots.h"
#include "game/services/image_tables.h"
#include "game/state.h"

namespace game {

namespace {

constexpr double kShipRing = 120;
constexpr int kTrailLink = 48;  // how far each option lags behind the one before it

void PositionShip() {
    GameState& gs = gameState;
    gs.shipX = PolarX(0, kShipRing, 0, gs.shipAngle);
    gs.shipY = PolarY(0, kShipRing, 0, gs.shipAngle);
}

void ResetTrail() {
    for (int16_t& a : gameState.angleTrail) a = int16_t(gameState.shipAngle);
}

void RunTimers() {
    GameState& gs = gameState;
    if (gs.weaponTimer > 0) {
        gs.weaponTimer = int16_t(gs.weaponTimer - 1);
        if (gs.weaponTimer == 0) gs.weaponMode = kWeaponNormal;
    }
    if (gs.respawnTimer > 0) gs.respawnTimer = int16_t(gs.respawnTimer - 1);
    if (gs.fireCooldown > 0) gs.fireCooldown = int16_t(gs.fireCooldown - 1);
}

// Each entry stays put until its predecessor is a whole link away, then is dragged one link behind it.
void DragTrail() {
    int16_t* trail = gameState.angleTrail;
    for (int i = 1; i <= 8; ++i) {
        int c = AngleDiff(trail[i - 1], trail[i]);
        if (std::abs(c) < kTrailLink) continue;
        c = std::clamp(c, -kTrailLink, kTrailLink);
        trail[i] = int16_t(trail[i - 1] - c);
    }
}

// Contact first, judged on where each enemy stood last frame, then the enemy's own update.
void SweepEnemies() {
    GameState& gs = gameState;
    for (EnemyRecord& e : EnemyPool) {
        for (int i = 7; i >= 0; --i) {
            const OptionRecord& o = OptionRecords[i];
            if (o.active && HitsEnemy(o.x, o.y, o.radius, e)) {
                LoseOption(i);
                e.state = kSlotEnding;
            }
        }
        if (e.state == kSlotActive && HitsEnemy(gs.shipX, gs.shipY, gs.shipRadius, e) && gs.lives > 0) {
            PlayerHit();
            e.state = kSlotEnding;  // also when the hit was ignored: the empty spot still destroys
        }
        UpdateEnemy(e);
    }
}

}  // namespace

void PlaceShipOnRing() {
    GameState& gs = gameState;
    PositionShip();
    gs.viewOffsetX = gs.shipX - 240;
    gs.viewOffsetY = gs.shipY - 360;
}

void ResetPlayerForGame() {
    GameState& gs = gameState;
    gs.shipRadius = 12;
    gs.respawnTimer = 0;
    gs.shipAngle = 0;
    PositionShip();
    gs.weaponMode = kWeaponNormal;
    gs.weaponTimer = 0;
    gs.fireCooldown = 0;
    gs.lives = 3;
    ResetTrail();
    gs.bunnyHealth = 5;
    gs.bunnyHitTimer = 0;
    gs.bunnyHitStep = 0;
    ResetOptionsForGame();
}

void ResetPlayerForStage() {
    GameState& gs = gameState;
    gs.respawnTimer = 0;
    gs.shipAngle = 0;
    PositionShip();
    gs.fireCooldown = 0;
    ResetTrail();
    gs.bunnyHitTimer = 0;
    gs.bunnyHitStep = 0;
    ResetOptionsForStage();
    if (gs.bunnyHealth < 5) gs.bunnyHealth += 1;
    gs.shipFrameCounter = 32;
    gs.shipMoving = false;
}

void SteerShip() {
    GameState& gs = gameState;
    if (gs.lives <= 0 || gs.bunnyHealth <= 0 || PlayerPhase() != 0) {
        engine::SetMousePosition(240, 240);
        return;
    }
    // The hidden pointer goes back to the middle each frame, so a reading is the motion since the last.
    engine::GetMousePosition(&gs.mouseX, &gs.mouseY);
    engine::SetMousePosition(240, 240);
    const int a = std::clamp((gs.mouseX - 240) / 4, -16, 16);
    if (a == 0) {
        gs.shipFrameCounter = 32;
        gs.shipMoving = false;
        return;
    }
    gs.shipAngle = WrapAngle(gs.shipAngle + a);
    gs.angleTrail[0] = int16_t(gs.shipAngle);
    DragTrail();
    // The picture counter runs with the turning speed: 255, not 256, is one full round.
    if (!gs.shipMoving) gs.shipFrameCounter = a > 0 ? 63 : 32;
    gs.shipFrameCounter += a;
    if (gs.shipFrameCounter > 255) gs.shipFrameCounter -= 255;
    if (gs.shipFrameCounter < 0) gs.shipFrameCounter += 255;
    gs.shipMoving = true;
}

void UpdatePlayer() {
    GameState& gs = gameState;
    RunTimers();
    RunGameOverCountdown();
    SteerShip();
    PositionShip();
    PositionOptions();
    gs.viewOffsetX = gs.shipX - 240;
    gs.viewOffsetY = gs.shipY - 360;
    UpdateItems();
    DrawShip();
    DrawOptions();
    gs.enemyCount = 0;
    SweepEnemies();
    FireWeapons();
    ScheduleStep();
}

void DrawShip() {
    const GameState& gs = gameState;
    if (gs.lives <= 0 || gs.clearTimer > 200 || PlayerPhase() != 0) return;
    engine::SetBlendMode(engine::kBlendNone, 100);
    engine::DrawImageRotated(240 + gs.shakeX, 360 + gs.shakeY, 1.0, AngleToRadians(768),
                             ShipImages[(gs.shipFrameCounter / 32) % 4], 1, 0);
}

}  // namespace game
