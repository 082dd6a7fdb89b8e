// The enemy kinds that move in polar form about the centre: drifter, circler, gunner, item carrier.
#include <cstdlib>

#include "game/enemies/enemy_update.h"
#include "game/enemies/kinds.h"
#include "game/geometry/collision.h"
#include "game/geometry/trig.h"
#include "game/state.h"

namespace game {

namespace {

// Shared start of the polar movers; `step` is the turn value for lanes other than 0, 13 and 14.
void InitPolarMover(EnemyRecord& e, double speed, int32_t step, int32_t laneZeroStep) {
    const int32_t lane = LaneOf(e.mapParam1);
    const double hold = HoldRadiusOf(e.mapParam1);
    e.frame = 0;
    e.speed = speed;
    e.offFieldMargin = e.offScreenMargin = 32.0;
    PlaceAtEntry(e);
    e.heading = e.entryAngle;
    e.aux1 = lane == 0 ? laneZeroStep : lane == 13 ? -3 : lane == 14 ? 3 : step;
    e.aux2 = 0;
    e.auxR1 = 511.0;
    e.auxR2 = hold;
    e.mapParam1 = 0;
}

void PlaceOnPolar(EnemyRecord& e) {
    e.x = PolarX(0, e.auxR1, 0, e.heading);
    e.y = PolarY(0, e.auxR1, 0, e.heading);
    e.auxR1 += e.speed;
}

bool MayFire(const EnemyRecord& e, int32_t interval) {
    return InShipSector(e.x, e.y, 256) && e.fireClock % ScaleInterval(interval) == 0 && e.fireHold == 0;
}

// Approach, hold out the dwell time, then dive (-1) once round at the ship's side.
void CirclerPhase(EnemyRecord& e) {
    int32_t& phase = e.mapParam1;
    if (phase == 0) {
        if (e.auxR2 > e.auxR1) phase = 1;
    } else if (phase > 0) {
        phase += 1;
        if (phase > DwellTime(e, 1.0) && InShipSector(e.x, e.y, 128)) {
            phase = -1;
            e.showDanger = 1;
        }
        e.speed = Approach(e.speed, 0.1, 0);
    } else if (phase == -1) {
        e.speed = Approach(e.speed, 0.1, -ScaleSpeed(0.9));
        // The circling slows into a straight dive.
        if (e.age % 16 == 0) e.aux1 += e.aux1 > 0 ? -1 : e.aux1 < 0 ? 1 : 0;
    }
}

void InitDrifter(EnemyRecord& e) {
    InitPolarMover(e, -0.8, 1, -1);
    e.aux3 = 1;
}

void MoveDrifter(EnemyRecord& e) {
    int32_t& phase = e.mapParam1;
    PlaceOnPolar(e);
    if (phase == 0 && e.auxR2 > e.auxR1) phase = 1;
    if (phase > 0) {
        phase += 1;
        const int32_t dwell = DwellTime(e, 1.0);
        if (phase == dwell) {
            e.aux3 = 6;  // the dive starts with a sixfold sway
            e.showDanger = 1;
        }
        if (phase > dwell) {
            e.speed = Approach(e.speed, 0.1, -ScaleSpeed(0.9));
            if (e.age % 8 == 0 && e.aux3 > 1) e.aux3 -= 1;
        } else {
            e.speed = Approach(e.speed, 0.1, 0);
        }
    }
    // The drifter's polar angle runs freely; it is reduced only where it is used.
    if (e.age % 4 == 0) e.heading += e.aux2 * e.aux3;
    if (e.age % 24 == 0) e.aux2 += e.aux1;
    if (e.aux2 > 1)
        e.aux1 = -std::abs(e.aux1);
    else if (e.aux2 < -1)
        e.aux1 = std::abs(e.aux1);
    e.facing = AngleTo(e.x, e.y, 0, 0);
    if (MayFire(e, 96)) FireFromNose(e, ScaleSpeed(4.0), e.facing, kBulletSmall);
}

void InitCircler(EnemyRecord& e) { InitPolarMover(e, -1.2, 3, -3); }

void MoveCircler(EnemyRecord& e) {
    e.heading = WrapAngle(e.heading + e.aux1);
    e.facing = AngleTo(e.x, e.y, 0, 0);
    PlaceOnPolar(e);
    CirclerPhase(e);
    e.facing = AngleTo(e.x, e.y, 0, 0);
    if (e.mapParam1 >= 0 && MayFire(e, 96)) FireFromNose(e, ScaleSpeed(4.0), e.facing, kBulletSmall);
}

void InitGunner(EnemyRecord& e) {
    InitPolarMover(e, -1.2, 1, -1);
    e.aux3 = 0;
}

void MoveGunner(EnemyRecord& e) {
    if (e.age % 2 == 0) e.heading = WrapAngle(e.heading + e.aux1);
    e.facing = AngleTo(e.x, e.y, 0, 0);
    PlaceOnPolar(e);
    CirclerPhase(e);
    e.facing = AngleTo(e.x, e.y, 0, 0);
    if (e.mapParam1 >= 0 && e.aux3 == 0 && MayFire(e, 160)) e.aux3 = 1;
    // A burst once begun finishes, even during the dive.
    if (e.aux3 > 0 && e.fireClock % 5 == 0) {
        e.aux3 += 1;
        FireFromNose(e, ScaleSpeed(2.8), e.facing, kBulletSmall);
        if (e.aux3 > 7) e.aux3 = 0;
    }
}

void InitItemCarrier(EnemyRecord& e) {
    const int32_t lane = LaneOf(e.mapParam1);
    const double hold = HoldRadiusOf(e.mapParam1);
    e.frame = 0;
    e.age = 0;
    e.itemKind = (lane - 3) / 2;
    // Lanes that name no item (below 2 or above 12, custom maps only) carry item 0: its pictures are
    // the ones such a carrier shows, so what is shot down is what was seen.
    if (e.itemKind < 0 || e.itemKind > 4) e.itemKind = 0;
    e.frame = e.itemKind * 2;
    e.speed = -1.2;
    e.offFieldMargin = e.offScreenMargin = 32.0;
    e.x = PolarX(0, 511, 0, e.heading);
    e.y = PolarY(0, 511, 0, e.heading);
    e.aux1 = e.kind == 15 ? -2 : 2;
    e.aux2 = 0;
    e.auxR1 = 511.0;
    e.auxR2 = hold;
    e.mapParam1 = 0;
}

void MoveItemCarrier(EnemyRecord& e) {
    int32_t& phase = e.mapParam1;
    e.heading = WrapAngle(e.heading + e.aux1);
    e.facing = AngleTo(e.x, e.y, 0, 0);
    e.aux2 += std::abs(e.aux1);
    PlaceOnPolar(e);
    if (phase == 1) e.speed = Approach(e.speed, 0.1, 0);
    if (phase == 2) e.speed = Approach(e.speed, 0.2, 9.0);  // out until it leaves the field
    if (phase == 0 && e.auxR2 > e.auxR1) phase = 1;
    if (e.aux2 >= 1536) phase = 2;
    e.frame = (e.age / 2) % 2 + e.itemKind * 2;
}

}  // namespace

void UpdateDrifter(EnemyRecord& e) { RunKind<InitDrifter, MoveDrifter>(e); }
void UpdateCircler(EnemyRecord& e) { RunKind<InitCircler, MoveCircler>(e); }
void UpdateGunner(EnemyRecord& e) { RunKind<InitGunner, MoveGunner>(e); }

// A carrier has its own two-picture animation instead of AnimateEnemy.
void UpdateItemCarrier(EnemyRecord& e) {
    if (e.state == kSlotSpawned) {
        BeginKind(e);
        InitItemCarrier(e);
    }
    if (e.state == kSlotActive) MoveItemCarrier(e);
    if (e.state == kSlotEnding) EndKind(e);
}

}  // namespace game
