// The table of the ordinary enemy kinds and the pieces their behaviours share.
#include <cstdlib>

#include "game/effects/effects.h"
#include "game/enemies/bullets.h"
#include "game/enemies/enemy_update.h"
#include "game/enemies/kinds.h"
#include "game/geometry/trig.h"
#include "game/services/sound_control.h"

namespace game {

namespace {

struct Circle {
    int16_t radius, forward, side;
};

struct KindTraits {
    int32_t hitPoints;
    bool heavy;
    int circleCount;
    Circle circles[3];
};

// Points for an enemy equal its starting hit points.
constexpr KindTraits kKindTraits[16] = {
    {30, false, 3, {{10, -7, 0}, {6, 0, -12}, {6, 0, 12}}},       // drifter
    {60, true, 3, {{16, -5, 0}, {6, 0, -20}, {6, 0, 20}}},        // heavy drifter
    {30, false, 3, {{13, -1, 0}, {5, 0, -16}, {5, 0, 16}}},       // circler
    {60, true, 3, {{10, 0, 0}, {10, 0, -16}, {10, 0, 16}}},       // heavy circler
    {30, false, 1, {{11, 0, 0}}},                                 // hunter
    {60, true, 1, {{20, 0, 0}}},                                  // heavy hunter
    {30, false, 1, {{12, 0, 0}}},                                 // rammer
    {60, true, 1, {{22, 0, 0}}},                                  // split rammer
    {30, false, 1, {{13, -9, 0}}},                                // dasher
    {60, true, 1, {{22, -7, 0}}},                                 // heavy dasher
    {30, false, 1, {{11, 0, 0}}},                                 // gunner
    {60, true, 1, {{22, -4, 0}}},                                 // heavy gunner
    {120, true, 3, {{20, 0, 0}, {13, 0, -34}, {13, 0, 34}}},      // spread hunter
    {120, true, 3, {{19, 0, 0}, {14, -18, -26}, {14, -18, 26}}},  // spray dasher
    {30, false, 2, {{10, -16, -21}, {11, -16, 0}}},               // left item carrier
    {30, false, 2, {{10, -16, 21}, {11, -16, 0}}},                // right item carrier
};

}  // namespace

bool IsHeavyKind(int32_t kind) { return kind >= 0 && kind < 16 && kKindTraits[kind].heavy; }

void BeginKind(EnemyRecord& e) {
    const KindTraits& traits = kKindTraits[e.kind];
    e.state = kSlotActive;
    e.hp = traits.hitPoints;
    e.vx = e.vy = 0;
    for (int i = 0; i < traits.circleCount; ++i)
        SetEnemyCircle(e, i, traits.circles[i].radius, traits.circles[i].forward, traits.circles[i].side);
    e.scoreValue = e.hp;
}

void EndKind(EnemyRecord& e) {
    if (!IsOffScreen(e.x, e.y, e.offScreenMargin)) Explode(e.x, e.y, true);
    RequestSound(kSoundEnemyDown);
    e.state = kSlotFree;
}

int32_t LaneOf(int32_t mapParam1) { return mapParam1 % 16; }
double HoldRadiusOf(int32_t mapParam1) {
    const int32_t row = mapParam1 / 16;  // truncated: each row of 16 lanes is 40 units farther in
    return 460 - 40 * row;
}

void FireFromNose(const EnemyRecord& e, double speed, int32_t angle, int32_t bulletKind) {
    SpawnBullet(PolarX(e.x, 19, 0, e.heading), PolarY(e.y, 19, 0, e.heading), speed, angle, bulletKind, 64.0,
                true);
}

void FireFromMuzzle(const EnemyRecord& e, double forward, double side, double speed, int32_t angle,
                    int32_t bulletKind) {
    SpawnBullet(PolarX(e.x, forward, side, e.facing), PolarY(e.y, forward, side, e.facing), speed, angle,
                bulletKind, 64.0, true);
}

void DiveAtBunny(EnemyRecord& e) {
    e.showDanger = 1;
    const int32_t b = DiveStep(e, 8);
    e.speed = Approach(e.speed, 0.05, ScaleSpeed(std::abs(b - e.heading) <= 128 ? 0.9 : 0.8));
    e.facing = TurnToward(int16_t(e.heading), int16_t(e.facing), 8);
}

}  // namespace game
