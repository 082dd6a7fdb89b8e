// The enemy kinds that move on straight lines: hunters, rammers and dashers.
#include <cstdlib>

#include "game/effects/effects.h"
#include "game/enemies/enemy_update.h"
#include "game/enemies/kinds.h"
#include "game/geometry/collision.h"
#include "game/geometry/trig.h"
#include "game/services/game_random.h"
#include "game/services/sound_control.h"
#include "game/state.h"

namespace game {

namespace {

const GameState& gs = gameState;

bool FirstHalfOfPulse(const EnemyRecord& e) { return e.age % 80 < 40; }

void InitHunter(EnemyRecord& e) {
    const int32_t lane = LaneOf(e.mapParam1);
    const double hold = HoldRadiusOf(e.mapParam1);
    e.frame = 0;
    e.speed = 4.8;
    e.offFieldMargin = e.offScreenMargin = 32.0;
    PlaceAtEntry(e);
    e.aux1 = lane == 13 ? -96 : lane == 14 ? 96 : 0;
    e.aux2 = e.aux3 = e.aux4 = 0;
    e.auxR2 = hold;
    e.mapParam1 = 0;
}

void MoveHunter(EnemyRecord& e) {
    const bool spread = e.kind == 12;
    if (e.age < DwellTime(e, 2.0)) {
        const int32_t b = PursueStep(e, 16);
        const int32_t d = std::abs(b - e.heading);
        const bool first = FirstHalfOfPulse(e);
        double target;
        if (InShipSector(e.x, e.y, 128)) {
            // Slow while turning hard in front of the ship.
            if (d < 129)
                target = spread ? (first ? 2.4 : 1.6) : (first ? 3.6 : 2.4);
            else
                target = spread ? (first ? 0.9 : 0.6) : (first ? 1.2 : 0.8);
        } else {
            target = spread ? (first ? 3.6 : 2.4) : (first ? 4.8 : 3.2);
        }
        e.speed = Approach(e.speed, 0.05, target);
        // The aim holds still while a burst runs, so the burst goes one way.
        if (e.aux4 == 0) e.facing = AimInCone(e.x, e.y, gs.shipX, gs.shipY);
        if (InShipSector(e.x, e.y, 256) && e.fireClock % ScaleInterval(spread ? 56 : 64) == 0 &&
            e.fireHold == 0)
            e.aux4 = 1;
        if (e.age % 320 == 0) e.aux1 = -e.aux1;
    } else {
        DiveAtBunny(e);
    }
    if (e.aux4 > 0) {
        if (spread) {
            const double speed = ScaleSpeed(3.8);
            FireFromNose(e, speed, WrapAngle(e.facing - 32), kBulletMedium);
            FireFromNose(e, speed, e.facing, kBulletMedium);
            FireFromNose(e, speed, WrapAngle(e.facing + 32), kBulletMedium);
            e.aux4 = 0;
        } else {
            if (e.aux4 % 4 == 1) FireFromNose(e, ScaleSpeed(4.0), e.facing, kBulletSmall);
            e.aux4 += 1;
            if (e.aux4 == 15) e.aux4 = 0;
        }
    }
}

void InitRammer(EnemyRecord& e) {
    e.frame = 0;
    e.speed = ScaleSpeed(0.9);
    e.offFieldMargin = e.offScreenMargin = 32.0;
    e.aux1 = 0;
    // One made by SpawnEnemyAt (mapParam1 -1) keeps its spawn point.
    if (e.mapParam1 >= 0) PlaceAtEntry(e);
    e.mapParam1 = 0;
    e.facing = e.heading;
    e.showDanger = 1;
    if (gs.loopIndex != 0) return;
    // The first loop thins the rammers out: about half never appear.
    const int r = GameRandom();
    if (r % 2 == 0)
        e.state = kSlotFree;
    else if (e.kind == 7)
        e.state = kSlotEnding;  // breaks up on the spot
}

void MoveRammer(EnemyRecord& e) {
    const int16_t h = WrapAngle(e.heading);
    e.vx = CosTable[h] * e.speed;
    e.vy = SinTable[h] * e.speed;
    e.x += e.vx;
    e.y += e.vy;
    // One last correction straight at the bunny.
    if (e.aux1 == 0 && DistanceSquared(e.x, e.y, 0, 0) < 10000) {
        e.aux1 = 1;
        e.heading = AngleTo(e.x, e.y, 0, 0);
    }
}

void BreakUpSplitRammer(EnemyRecord& e) {
    if (DistanceSquared(e.x, e.y, 0, 0) > 256) {
        static constexpr double kWedge[3][2] = {{10, 0}, {-9, -17}, {-9, 17}};
        for (const auto& p : kWedge)
            SpawnEnemyAt(6, PolarX(e.x, p[0], p[1], e.heading), PolarY(e.y, p[0], p[1], e.heading),
                         e.heading);
    }
    if (!IsOffScreen(e.x, e.y, e.offScreenMargin)) {
        const int r = GameRandom();
        SpawnEffect(12, e.x, e.y, r % 1024, 0, 0.0);
    }
    RequestSound(kSoundEnemyDown);
    e.state = kSlotFree;
}

// The goal bearing `aux2` with the goal radius `aux3` + `auxR1` about the centre.
int16_t AngleToDashGoal(const EnemyRecord& e) {
    const double radius = e.aux3 + e.auxR1;
    return AngleTo(e.x, e.y, PolarX(0, radius, 0, e.aux2), PolarY(0, radius, 0, e.aux2));
}

void InitDasher(EnemyRecord& e) {
    const int32_t lane = LaneOf(e.mapParam1);
    const double hold = HoldRadiusOf(e.mapParam1);
    e.frame = 0;
    e.speed = 6.4;
    e.offFieldMargin = e.offScreenMargin = 32.0;
    PlaceAtEntry(e);
    e.aux1 = lane == 14 ? 96 : -96;
    const int16_t inward = AngleTo(e.x, e.y, 0, 0);
    e.aux2 = ClampToArc(WrapAngle(AngleTo(0, 0, gs.shipX, gs.shipY) + e.aux1), WrapAngle(inward - 128),
                        WrapAngle(inward + 128), 0);
    e.aux3 = int32_t(hold);
    e.aux4 = 0;
    e.auxR1 = 40.0;
    e.heading = AngleToDashGoal(e);
    const int16_t h = WrapAngle(e.heading);
    e.vx = CosTable[h] * e.speed;
    e.vy = SinTable[h] * e.speed;
    e.mapParam1 = 0;
}

// Brake, pause `pause` frames, pick the next goal beside the ship and dash again.
int32_t DashWith(EnemyRecord& e, double brake, int32_t pause, double dashSpeed) {
    e.speed = Approach(e.speed, brake, 0);
    if (e.speed == 0) {
        e.aux4 += 1;
        if (e.aux4 == pause) {
            e.aux1 = -e.aux1;
            e.aux2 = WrapAngle(AngleTo(0, 0, gs.shipX, gs.shipY) + e.aux1);
            const int16_t inward = AngleTo(e.x, e.y, 0, 0);
            e.aux2 = ClampToArc(int16_t(e.aux2), WrapAngle(inward - 256), WrapAngle(inward + 256), 0);
            e.auxR1 = -e.auxR1;  // alternately 40 outside and 40 inside the hold radius
            const double deep = e.aux3 - 40;
            if (DistanceSquared(e.x, e.y, 0, 0) < deep * deep)
                e.heading = AngleTo(0, 0, e.x, e.y);  // too deep: straight out
            else
                e.heading = AngleToDashGoal(e);
            e.aux4 = 0;
            e.speed = dashSpeed;
        }
    }
    const double before = DistanceSquared(e.x, e.y, 0, 0);
    const int16_t h = WrapAngle(e.heading);
    e.vx = CosTable[h] * e.speed;
    e.vy = SinTable[h] * e.speed;
    e.x += e.vx;
    e.y += e.vy;
    const double after = DistanceSquared(e.x, e.y, 0, 0);
    if (after > before && after > 230400) e.heading = WrapAngle(e.heading + 512);
    return AngleTo(e.x, e.y, gs.shipX, gs.shipY);
}

// A dasher dives only from a pause, and then for good.
bool DasherDives(EnemyRecord& e) {
    if (e.age < DwellTime(e, 2.0) || e.aux4 == 0) return false;
    DiveAtBunny(e);
    return true;
}

void MoveDasher(EnemyRecord& e) {
    if (DasherDives(e)) return;
    e.facing = DashStep(e, 16);
    if (e.aux4 == 1 && e.fireHold == 0 && InShipSector(e.x, e.y, 256))
        FireFromNose(e, ScaleSpeed(4.0), e.facing, kBulletSmall);
    if (e.age % 320 == 0) e.aux1 = -e.aux1;
}

void MoveSprayDasher(EnemyRecord& e) {
    if (DasherDives(e)) return;
    DashWith(e, 0.12, ScaleInterval(160), 6.0);
    const int16_t a = AimInCone(e.x, e.y, gs.shipX, gs.shipY);
    if (e.aux4 <= 0 || e.fireHold != 0) {
        e.facing = TurnToward(a, int16_t(e.facing), 8);
    } else if (e.aux4 % ScaleInterval(30) == 1 && InShipSector(e.x, e.y, 256)) {
        // Paused and free to fire: a random spray, while the aim stands still.
        const int r = GameRandom();
        FireFromNose(e, ScaleSpeed(2.4), e.facing + (r % 121) - 60, kBulletLarge);
    }
    if (e.age % 320 == 0) e.aux1 = -e.aux1;
}

}  // namespace

int32_t DashStep(EnemyRecord& e, int16_t) { return DashWith(e, 0.16, ScaleInterval(24), 6.4); }

void UpdateHunter(EnemyRecord& e) { RunKind<InitHunter, MoveHunter, EndKind>(e); }
void UpdateRammer(EnemyRecord& e) { RunKind<InitRammer, MoveRammer, EndKind>(e); }
void UpdateSplitRammer(EnemyRecord& e) { RunKind<InitRammer, MoveRammer, BreakUpSplitRammer>(e); }
void UpdateDasher(EnemyRecord& e) { RunKind<InitDasher, MoveDasher, EndKind>(e); }
void UpdateSprayDasher(EnemyRecord& e) { RunKind<InitDasher, MoveSprayDasher, EndKind>(e); }

}  // namespace game
