// Builds the busiest field through the game's code and records or replays a frame's draw calls.
#include "bench/busiest_frame.h"

#include <algorithm>
#include <cmath>

#include "engine/frame/frame.h"
#include "engine/image/image.h"
#include "game/effects/effects.h"
#include "game/enemies/bullets.h"
#include "game/enemies/pools.h"
#include "game/enemies/spawn_schedule.h"
#include "game/player/items.h"
#include "game/player/options.h"
#include "game/player/ship.h"
#include "game/player/shots.h"
#include "game/services/image_tables.h"
#include "game/shell/panel.h"
#include "game/stage/stage_loader.h"
#include "game/state.h"

namespace busiest {

using game::gameState;

void StageFrameBody() {
    gameState.frameCount += 1;
    engine::SetClipRect(0, 0, 480, 480);
    game::DrawBackgrounds();
    game::UpdateShots();
    game::UpdatePlayer();
    game::UpdateEffects();
    game::UpdateBullets();
    engine::DrawImage(0, 0, game::BlindImage, 1);
    game::DrawBunny();
    game::DrawPanel();
}

void PresentAndClear() {
    engine::PresentScreen();
    engine::SetDrawTarget(engine::kBackScreen);
    engine::ClearScreen();
}

namespace {

// A world position on screen: `t` 0..1 sweeps across the field seen from the ship (the bunny sits
// at the bottom middle of the field), `r` is the distance from the bunny.
void OnScreen(double t, double r, double* x, double* y) {
    const double toShip = std::atan2(gameState.shipY, gameState.shipX);
    const double a = toShip + (t - 0.5) * 2.4;
    *x = r * std::cos(a), *y = r * std::sin(a);
}

// Fills every free slot of every pool, each kind in turn, all where the field shows them.
void FillPools(int round) {
    double x, y;
    for (int i = 0; game::FindFreeEnemySlot(); ++i) {
        const int kind = (i + round) % 16;
        game::EnemyRecord* e = game::SpawnFromMap(kind, 0, 0, (i * 97) % 1024);
        if (!e) break;
        OnScreen((i * 0.618) - int(i * 0.618), 60 + (i * 37) % 300, &x, &y);
        e->x = x, e->y = y;
    }
    for (int i = 0; game::FindFreeBulletSlot() && i < 256; ++i) {
        OnScreen((i * 0.382 + round * 0.1) - int(i * 0.382 + round * 0.1), 40 + (i * 53) % 320, &x, &y);
        game::SpawnBullet(x, y, 0.5, (i * 131) % 1024, i % 7, 64, false);
    }
    for (int i = 0; game::FindFreeItemSlot() && i < 256; ++i) {
        OnScreen((i * 0.271 + round * 0.2) - int(i * 0.271 + round * 0.2), 50 + (i * 29) % 300, &x, &y);
        game::SpawnItem(i % 5, x, y);
    }
    for (int i = 0; i < game::kEffectSlots; ++i) {
        OnScreen((i * 0.707) - int(i * 0.707), 20 + (i * 29) % 330, &x, &y);
        const int kind = (i + round) % game::kEffectKinds;
        if (game::SpawnEffect(int16_t(kind), x, y, (i * 41) % 1024, int16_t((i * 73) % 1024), 0.3) < 0) break;
    }
    for (int slot = 0; slot < game::kShotSlots; ++slot) {
        if (game::ShotTable[slot].state != 0) continue;
        OnScreen(slot / double(game::kShotSlots), 130 + slot * 7, &x, &y);
        game::SpawnShot(slot, slot % 4, x, y, (slot * 31) % 1024);
    }
}

}  // namespace

bool BuildBusiestField() {
    using namespace game;
    gameState.stage = 600;
    gameState.loopIndex = (600 - 1) / 4;  // loop 150
    gameState.lives = 3;
    gameState.bunnyHealth = 5;
    gameState.weaponMode = 3;
    gameState.weaponTimer = 30000;
    ResetPlayerForGame();
    ResetEnemyPool();
    ResetShots();
    ResetBulletPool();
    ResetItemPool();
    ClearEffects();
    ClearShake();
    if (!LoadStage(600)) return false;
    PlaceShipOnRing();
    gameState.mapRow = 1;
    for (int i = 0; i < 8; ++i) GainOption();
    SpawnFromMap(19, 0, 0, 256);  // map 4's boss, in slot 0
    for (int round = 0; round < 3; ++round) {
        FillPools(round);
        StartShake(200);
        StageFrameBody();
        PresentAndClear();
    }
    FillPools(3);
    // The boss enters at the rim; it is put back over the field once it has entered.
    if (EnemyPool[0].kind == 19 && EnemyPool[0].state == kSlotActive)
        OnScreen(0.5, 250, &EnemyPool[0].x, &EnemyPool[0].y);
    StartShake(200);
    gameState.bunnyHitTimer = 60;  // the hurt picture grows over the bunny
    gameState.bunnyHitStep = 8;
    return true;
}

std::vector<engine::DrawCall> recorded;

namespace {
void Record(const engine::DrawCall& call) { recorded.push_back(call); }
}  // namespace

void StartRecording() {
    recorded.clear();
    engine::SetDrawCallObserver(Record);
}

void StopRecording() {
    engine::SetDrawCallObserver(nullptr);
    // A frame's closing clear is drawn with the next frame's calls: it goes first, as the game has it.
    if (!recorded.empty() && recorded.back().kind == engine::DrawCall::Kind::kClear)
        std::rotate(recorded.begin(), recorded.end() - 1, recorded.end());
}

void Replay(const std::vector<engine::DrawCall>& calls) {
    for (const engine::DrawCall& c : calls) {
        const engine::DrawState& s = c.state;
        if (c.kind == engine::DrawCall::Kind::kClear) {
            engine::ClearScreen();
            continue;
        }
        engine::SetClipRect(s.clipX1, s.clipY1, s.clipX2, s.clipY2);
        engine::SetBlendMode(s.blendMode, s.blendParameter);
        switch (c.kind) {
            case engine::DrawCall::Kind::kImage:
                engine::DrawImage(c.x, c.y, c.handle, c.transparent);
                break;
            case engine::DrawCall::Kind::kRotated:
                engine::DrawImageRotated(c.x, c.y, c.scale, c.angle, c.handle, c.transparent, c.mirror);
                break;
            case engine::DrawCall::Kind::kRectangle:
                engine::DrawRectangle(c.x, c.y, c.x2, c.y2, c.colour, c.fill);
                break;
            default:
                break;
        }
    }
}

}  // namespace busiest
