// The behaviours of the enemy kinds, chosen by kind number, and the pieces they share.
#pragma once

#include <cstdint>

#include "game/enemies/enemy_update.h"
#include "game/enemies/pools.h"

namespace game {

inline constexpr int kEnemyKinds = 20;

using EnemyBehaviour = void (*)(EnemyRecord&);

// One routine per kind 0..19; each takes the slot through its first update, motion and death.
extern const EnemyBehaviour EnemyBehaviours[kEnemyKinds];

// Ordinary kinds 0..15: the orbiting families (drifter, circler, gunner, carrier).
void UpdateDrifter(EnemyRecord& e);
void UpdateCircler(EnemyRecord& e);
void UpdateGunner(EnemyRecord& e);
void UpdateItemCarrier(EnemyRecord& e);
// The straight movers (hunter, rammer, dasher).
void UpdateHunter(EnemyRecord& e);
void UpdateRammer(EnemyRecord& e);
void UpdateSplitRammer(EnemyRecord& e);
void UpdateDasher(EnemyRecord& e);
void UpdateSprayDasher(EnemyRecord& e);
int32_t DashStep(EnemyRecord& e, int16_t maxTurn);

// The first update of an ordinary kind: active, hit points, circles and score from the kind table.
void BeginKind(EnemyRecord& e);
// The usual death: an explosion when on screen, sound 5, and the slot is free.
void EndKind(EnemyRecord& e);
bool IsHeavyKind(int32_t kind);
// The lane (p mod 16) and hold radius (460 - 40 (p / 16)) packed in the map's first parameter.
int32_t LaneOf(int32_t mapParam1);
double HoldRadiusOf(int32_t mapParam1);
// A guarded shot from the muzzle 19 units along `heading`.
void FireFromNose(const EnemyRecord& e, double speed, int32_t angle, int32_t bulletKind);
// A guarded shot from the point `forward` along and `side` across `facing`.
void FireFromMuzzle(const EnemyRecord& e, double forward, double side, double speed, int32_t angle,
                    int32_t bulletKind);
// The diving step shared by the hunters and the dashers.
void DiveAtBunny(EnemyRecord& e);

// The three branches of an ordinary kind, tested in a row so that a fresh enemy is set up and
// moved in the frame of its first update.
template <void (*Init)(EnemyRecord&), void (*Move)(EnemyRecord&), void (*End)(EnemyRecord&) = EndKind>
void RunKind(EnemyRecord& e) {
    if (e.state == kSlotSpawned) {
        BeginKind(e);
        Init(e);
    }
    if (e.state == kSlotActive) {
        Move(e);
        AnimateEnemy(e, IsHeavyKind(e.kind));
    }
    if (e.state == kSlotEnding) End(e);
}

}  // namespace game
