// The enemy update common to every kind, and the building blocks the kinds share.
#include "game/enemies/enemy_update.h"

#include <cstdlib>

#include "engine/image/image.h"
#include "game/effects/effects.h"
#include "game/enemies/bosses.h"
#include "game/enemies/hits.h"
#include "game/enemies/kinds.h"
#include "game/geometry/collision.h"
#include "game/geometry/trig.h"
#include "game/player/items.h"
#include "game/player/lives.h"
#include "game/player/shots.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "game/state.h"

namespace game {

const EnemyBehaviour EnemyBehaviours[kEnemyKinds] = {
    UpdateDrifter,     UpdateDrifter, UpdateCircler,     UpdateCircler,     UpdateHunter,
    UpdateHunter,      UpdateRammer,  UpdateSplitRammer, UpdateDasher,      UpdateDasher,
    UpdateGunner,      UpdateGunner,  UpdateHunter,      UpdateSprayDasher, UpdateItemCarrier,
    UpdateItemCarrier, UpdateBoss1,   UpdateBoss2,       UpdateBoss3,       UpdateBoss4,
};

namespace {

constexpr int32_t kClockWrap = 65535;

void HurtBunny(EnemyRecord& e) {
    GameState& gs = gameState;
    e.state = kSlotEnding;
    if (gs.bunnyHealth <= 0) return;
    gs.bunnyHealth -= 1;
    gs.bunnyHitTimer = 100;
    gs.bunnyHitStep = 8;
    StartShake(16);
    RequestSound(kSoundBunnyHurt);
}

void ApplyShots(EnemyRecord& e) {
    for (int i = 0; i < kShotSlots && e.state == kSlotActive; ++i) {
        ShotSlot& shot = ShotTable[i];
        if (shot.state != kShotFlying) continue;
        if (ShotHits(i, e) != 1) continue;
        if (shot.consumeOnHit == 1) shot.state = kShotHit;
        RequestSound(kSoundShotHits);
        DamageEnemy(e, shot.power);
    }
}

}  // namespace

void UpdateEnemy(EnemyRecord& e) {
    GameState& gs = gameState;
    if (e.state == kSlotFree) return;
    gs.enemyCount = int16_t(gs.enemyCount + 1);
    if (PlayerPhase() != 1) {
        if (e.kind >= 0 && e.kind < kEnemyKinds) {
            EnemyBehaviours[e.kind](e);
        } else {
            // A kind without behaviour would never become active nor leave, and would hold off the
            // stage clear for good; it is dropped instead.
            e.state = kSlotFree;
        }
        if (e.fireHold > 0) e.fireHold = int16_t(e.fireHold - 1);
        e.age = (e.age + 1) % kClockWrap;
        e.fireClock = (e.fireClock + 1) % kClockWrap;
    }
    if (IsOffField(e.x, e.y, e.offFieldMargin)) e.state = kSlotFree;
    if (e.state == kSlotActive && DistanceSquared(e.x, e.y, 0, 0) < 256) HurtBunny(e);
    if (e.state == kSlotActive) ApplyShots(e);
    if (e.state == kSlotFree)
        ResetSlot(e);
    else
        DrawEnemy(e);
}

void DamageEnemy(EnemyRecord& e, int32_t damage) {
    e.hp -= damage;
    if (e.hp > 0) return;
    e.state = kSlotEnding;
    AddScore(e.scoreValue);
    if (e.itemKind >= 0) SpawnItem(e.itemKind, e.x, e.y);
}

void DrawEnemy(EnemyRecord& e) {
    const GameState& gs = gameState;
    if (gs.clearTimer > 200) return;
    engine::SetBlendMode(engine::kBlendNone, 100);
    if (e.state != kSlotActive) return;
    const bool offScreen = IsOffScreen(e.x, e.y, e.offScreenMargin);
    // A frame outside the kind's row draws nothing (no kind makes one; a guard for the table).
    if (!offScreen && e.kind >= 0 && e.kind < kEnemyKinds && e.frame >= 0 && e.frame < 16)
        engine::DrawImageRotated(ScreenX(e.x, e.y), ScreenY(e.x, e.y), 1.0, ViewAngle(e.facing),
                                 EnemyImages[e.kind][e.frame], 1, 0);
    const double distanceSquared = DistanceSquared(e.x, e.y, 0, 0);
    if (e.showDanger && distanceSquared > 14400 && offScreen) {
        int sx = ScreenX(e.x, e.y);
        int sy = ScreenY(e.x, e.y);
        sx = sx < 16 ? 16 : (sx > 464 ? 464 : sx);
        sy = sy < 16 ? 16 : (sy > 464 ? 464 : sy);
        const int picture = distanceSquared > 78400 ? DangerImages[0] : DangerImages[(gs.frameCount / 2) % 2];
        engine::DrawImageRotated(sx, sy, 1.0, ViewAngle(AngleTo(0, 0, e.x, e.y)), picture, 1, 0);
    }
}

EnemyRecord* SpawnEnemyAt(int32_t kind, double x, double y, int32_t heading) {
    const GameState& gs = gameState;
    EnemyRecord* e = FindFreeEnemySlot();
    if (e == nullptr) return nullptr;
    ResetSlot(*e);
    e->state = kSlotSpawned;
    e->kind = kind;
    e->x = x;
    e->y = y;
    if (heading < 0) heading = AngleTo(x, y, gs.shipX, gs.shipY);
    e->heading = e->facing = heading % 1024;
    e->offFieldMargin = -1.0;
    e->offScreenMargin = 32.0;
    e->mapParam1 = -1;
    e->mapParam2 = 0;
    return e;
}

void SetEnemyCircle(EnemyRecord& e, int index, int16_t radius, int16_t forward, int16_t side) {
    if (index < 0 || index >= 8) return;
    e.circleRadius[index] = radius;
    e.circleForward[index] = forward;
    e.circleSide[index] = side;
}

void AnimateEnemy(EnemyRecord& e, bool heavy) {
    if (!heavy || e.hp > 40) {
        if (e.age % 6 == 0) e.frame += 1;
        if (e.frame > 3) e.frame = 0;
        return;
    }
    if (e.frame < 4) e.frame += 4;
    if (e.age % 4 == 0) e.frame += 1;
    if (e.frame > 7) e.frame = 4;
}

int32_t DwellTime(const EnemyRecord& e, double factor) {
    const int32_t L = gameState.loopIndex;
    const int32_t m = L == 0 ? 4 : L == 1 ? 3 : L == 2 ? 2 : 1;
    return int32_t(factor * 320 + factor * (e.mapParam2 * 240)) * m;
}

int32_t ScaleInterval(int32_t n) {
    const int32_t L = gameState.loopIndex;
    int32_t v;
    switch (L) {
        case 0:
            v = n * 20 / 4;
            break;
        case 1:
            v = n * 15 / 4;
            break;
        case 2:
            v = n * 8 / 7;
            break;
        case 3:
            v = n * 8 / 11;
            break;
        case 4:
            v = n * 16 / 25;
            break;
        case 5:
            v = n * 16 / 27;
            break;
        case 6:
            v = n * 16 / 29;
            break;
        case 7:
            v = n * 16 / 31;
            break;
        default:
            v = n * 16 / (L + 24);
            break;
    }
    return v < 3 ? 3 : v;
}

double ScaleSpeed(double v) {
    const int32_t L = gameState.loopIndex;
    double s;
    switch (L) {
        case 0:
            s = v * 16 / 24;
            break;
        case 1:
            s = v * 16 / 23;
            break;
        case 2:
            s = v * 16 / 22;
            break;
        case 3:
            s = v * 16 / 21;
            break;
        default:
            s = double(L + 29) * v / 42;
            break;
    }
    return s > 8.0 ? 8.0 : s;
}

void PlaceAtEntry(EnemyRecord& e) {
    const int32_t lane = e.mapParam1 % 16;
    if (lane == 13) e.entryAngle -= 16;
    if (lane == 14) e.entryAngle += 16;
    const double radius = 480 + e.offFieldMargin - 1;
    e.x = PolarX(0, radius, 0, e.entryAngle);
    e.y = PolarY(0, radius, 0, e.entryAngle);
}

void StepAlongHeading(EnemyRecord& e) {
    const int16_t h = WrapAngle(e.heading);
    e.vx = CosTable[h] * e.speed;
    e.vy = SinTable[h] * e.speed;
    e.x += e.vx;
    e.y += e.vy;
}

int32_t DiveStep(EnemyRecord& e, int16_t maxTurn) {
    e.showDanger = 1;
    const int16_t target = AngleTo(e.x, e.y, 0, 0);
    e.heading = TurnToward(target, int16_t(e.heading), maxTurn);
    StepAlongHeading(e);
    return target;
}

int32_t LeaveStep(EnemyRecord& e, int16_t maxTurn) {
    const int16_t target = AngleTo(0, 0, e.x, e.y);
    e.heading = TurnToward(target, int16_t(e.heading), maxTurn);
    StepAlongHeading(e);
    return target;
}

int32_t PursueStep(EnemyRecord& e, int16_t maxTurn) {
    const GameState& gs = gameState;
    const double ring = e.auxR2 + 120;
    const int32_t goalAngle = gs.shipAngle + e.aux1;
    const double gx = PolarX(0, ring, 0, goalAngle);
    const double gy = PolarY(0, ring, 0, goalAngle);
    int16_t target = AngleTo(e.x, e.y, gx, gy);
    if (InShipSector(e.x, e.y, 128)) {
        e.heading = TurnToward(target, int16_t(e.heading), maxTurn);
    } else {
        // Away from the ship's side it circles the centre rather than cutting across the bunny.
        const int16_t inward = AngleTo(e.x, e.y, 0, 0);
        target = AngleDiff(inward, target) >= 0 ? WrapAngle(inward - 256) : WrapAngle(inward + 256);
        e.heading = target;
    }
    const double before = DistanceSquared(e.x, e.y, 0, 0);
    StepAlongHeading(e);
    const double after = DistanceSquared(e.x, e.y, 0, 0);
    if (after > before && after > 230400) e.heading = WrapAngle(e.heading + 512);
    return target;
}

}  // namespace game
