// The four bosses: entry from far outside, hunting beside the ship, orbits, volleys and leaving.
#include "game/enemies/bosses.h"

#include <cstdlib>
#include <initializer_list>

#include "game/effects/effects.h"
#include "game/enemies/bullets.h"
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

struct BossCircle {
    int16_t radius, forward, side;
};

struct BossTraits {
    int32_t hitPoints;
    int circleCount;
    BossCircle circles[3];
    double margin;  // the field margin M
    int32_t flank;  // starting aux1
    double holdRadius;
};

constexpr BossTraits kBossTraits[4] = {
    {3600, 3, {{55, 0, 0}, {30, 61, -52}, {30, 61, 52}}, 160, -128, 320},
    {3800, 3, {{64, 0, 0}, {35, 57, -58}, {35, 57, 58}}, 256, -192, 320},
    {4400, 3, {{90, 0, 0}, {40, 88, -89}, {40, 88, 89}}, 192, 0, 320},
    {3600, 1, {{55, 0, 0}}, 160, -192, 270},
};

// Target speeds while hunting: in the sector turning gently, in the sector turning hard, outside it;
// each with its value for the first and second half of the 80-frame pulse.
struct HuntSpeeds {
    double gentle[2], hard[2], outside[2];
};

constexpr HuntSpeeds kHuntSpeeds[4] = {
    {{3.6, 2.4}, {1.2, 0.8}, {4.8, 3.2}},
    {{3.6, 2.4}, {2.4, 1.6}, {4.8, 3.2}},
    {{3.6, 2.4}, {1.2, 0.8}, {4.8, 3.2}},
    {{3.6, 3.0}, {2.5, 2.0}, {5.0, 4.0}},
};

const BossTraits& TraitsOf(const EnemyRecord& e) { return kBossTraits[e.kind - 16]; }

int PulseHalf(const EnemyRecord& e) { return e.age % 80 < 40 ? 0 : 1; }

bool Every(const EnemyRecord& e, int32_t n) { return e.fireClock % ScaleInterval(n) == 0; }

double MuzzleX(const EnemyRecord& e, double forward, double side) {
    return PolarX(e.x, forward, side, e.facing);
}
double MuzzleY(const EnemyRecord& e, double forward, double side) {
    return PolarY(e.y, forward, side, e.facing);
}

// A guarded bullet from a muzzle, aimed at the ship within the cone toward the centre; `offset` turns it.
void FireAimed(const EnemyRecord& e, double forward, double side, double speed, int32_t offset,
               int32_t kind) {
    const double mx = MuzzleX(e, forward, side);
    const double my = MuzzleY(e, forward, side);
    const int16_t a = AimInCone(mx, my, gs.shipX, gs.shipY);
    SpawnBullet(mx, my, speed, WrapAngle(a + offset), kind, 64.0, true);
}

// A large bullet at a random turn of up to 48 either side of the facing.
void FireScattered(const EnemyRecord& e, double forward, double side, double speed) {
    const int r = GameRandom();
    FireFromMuzzle(e, forward, side, speed, WrapAngle(e.facing + (r % 97) - 48), kBulletLarge);
}

void EnterBoss(EnemyRecord& e) {
    const BossTraits& traits = TraitsOf(e);
    e.state = kSlotActive;
    e.hp = traits.hitPoints;
    for (int i = 0; i < traits.circleCount; ++i)
        SetEnemyCircle(e, i, traits.circles[i].radius, traits.circles[i].forward, traits.circles[i].side);
    e.vx = e.vy = 0;
    e.scoreValue = e.hp;
    e.frame = 0;
    e.speed = 4.8;
    e.offFieldMargin = e.offScreenMargin = traits.margin;
    PlaceAtEntry(e);
    e.aux1 = traits.flank;
    e.aux2 = e.aux3 = e.aux4 = 0;
    e.auxR1 = 0;
    e.auxR2 = traits.holdRadius;
    if (e.kind == 17) e.auxR3 = 4.8;
    if (e.kind == 19) e.auxR3 = 0;
    e.mapParam1 = 0;
    e.offFieldMargin = -1.0;  // never removed for being far out while it hunts
    e.fireHold = 0;
    e.age = 1;
    PlayMusic(kTrackBoss);
}

void LeaveField(EnemyRecord& e) {
    e.offFieldMargin = TraitsOf(e).margin;
    const int32_t b = LeaveStep(e, 8);
    const int half = PulseHalf(e);
    const double t = std::abs(b - e.heading) <= 128 ? (half == 0 ? 3.6 : 2.4) : (half == 0 ? 1.2 : 0.8);
    e.speed = Approach(e.speed, 0.05, t);
}

void HuntStep(EnemyRecord& e) {
    const HuntSpeeds& speeds = kHuntSpeeds[e.kind - 16];
    const int32_t b = PursueStep(e, 16);
    const int32_t d = std::abs(b - e.heading);
    const int half = PulseHalf(e);
    double t;
    if (InShipSector(e.x, e.y, 128))
        t = d <= 128 ? speeds.gentle[half] : speeds.hard[half];
    else
        t = speeds.outside[half];
    e.speed = Approach(e.speed, 0.05, t);
}

// Bosses 1 and 3: brake (400), circle the bunny (399..2), slow the circling to a stop (1).
void OrbitStep(EnemyRecord& e, int16_t rate) {
    int32_t& phase = e.mapParam1;
    if (phase == 400) {
        e.speed = Approach(e.speed, 0.1, 0);
        StepAlongHeading(e);
        if (e.speed <= 0) {
            e.auxR1 = Distance(e.x, e.y, 0, 0);
            // Circle toward the ship's side.
            e.aux2 = AngleDiff(AngleTo(0, 0, e.x, e.y), AngleTo(0, 0, gs.shipX, gs.shipY)) <= 0 ? 1 : -1;
            phase = 399;
            e.heading = AngleTo(0, 0, e.x, e.y);
        }
        return;
    }
    const bool slowing = phase == 1;
    if (!slowing) {
        phase -= 1;
        if (e.age % 16 == 0) e.aux2 = ApproachInt(int16_t(e.aux2), 1, e.aux2 > 0 ? rate : int16_t(-rate));
        e.auxR1 = Approach(e.auxR1, 0.5, 340);
    } else {
        if (e.age % 16 == 0) e.aux2 = ApproachInt(int16_t(e.aux2), 1, 0);
    }
    e.heading = WrapAngle(e.heading + e.aux2);
    e.x = PolarX(0, e.auxR1, 0, e.heading);
    e.y = PolarY(0, e.auxR1, 0, e.heading);
    if (slowing && e.aux2 == 0) {
        phase = 0;
        e.heading = AngleTo(e.x, e.y, 0, 0);
    }
}

void StartOrbitWhenDue(EnemyRecord& e) {
    if (e.age % 2000 == 640) e.mapParam1 = 400;
}

// Volley counter 0..limit, stepped every `interval` while in front of the ship.
bool StepVolley(EnemyRecord& e, int32_t interval, int32_t limit) {
    if (!InShipSector(e.x, e.y, 128) || !Every(e, interval)) return false;
    e.aux4 += 1;
    if (e.aux4 > limit) e.aux4 = 0;
    return true;
}

void ChangeFlankByMode(EnemyRecord& e) {
    switch (e.mapParam1) {
        case 0:
            e.aux1 = e.aux1 < 0 ? 110 : -110;
            break;
        case 1:
            e.aux1 = e.aux1 < 0 ? 55 : -55;
            break;
        default:
            e.aux1 = 0;
            break;
    }
}

void StepPatternMode(EnemyRecord& e) {
    if (e.age % 1600 != 0) return;
    e.mapParam1 += 1;
    if (e.mapParam1 > 2) e.mapParam1 = 0;
}

void Boss1Step(EnemyRecord& e) {
    if (e.mapParam1 == 0) {
        HuntStep(e);
        if (StepVolley(e, 64, 5)) {
            if (e.aux4 < 3) {
                const double speed = ScaleSpeed(4.8);
                for (double side : {-19.0, 19.0}) {
                    FireAimed(e, 0, side, speed, 0, kBulletAccelerating);
                    FireAimed(e, 0, side, speed, -32, kBulletAccelerating);
                    FireAimed(e, 0, side, speed, 32, kBulletAccelerating);
                }
            } else if (e.aux4 == 3) {
                // A ring of homing bullets from round the tail.
                const double speed = ScaleSpeed(4.8);
                const double tailX = MuzzleX(e, -106, 0);
                const double tailY = MuzzleY(e, -106, 0);
                for (int k = 0; k < 8; ++k) {
                    const int32_t angle = e.facing + 128 * k;
                    SpawnBullet(PolarX(tailX, 22, 0, angle), PolarY(tailY, 22, 0, angle), speed, angle,
                                kBulletHoming, 64.0, true);
                }
            }
        }
        if (e.age % 320 == 0) e.aux1 = -e.aux1;
        StartOrbitWhenDue(e);
    } else {
        OrbitStep(e, 4);
    }
    if (e.mapParam1 > 0 && Every(e, 12)) {
        const double speed = ScaleSpeed(6.4);
        FireFromMuzzle(e, 18, -6, speed, e.facing, kBulletSmall);
        FireFromMuzzle(e, 18, 6, speed, e.facing, kBulletSmall);
    }
}

void Boss2Step(EnemyRecord& e) {
    StepPatternMode(e);
    HuntStep(e);
    if (StepVolley(e, 48, 5) && e.aux2 == 0 && e.aux4 < 3) e.aux2 = 1;
    if (InShipSector(e.x, e.y, 64) && e.aux3 == 0) {
        const int32_t phase = e.fireClock % ScaleInterval(576);
        if (phase == ScaleInterval(0) || phase == ScaleInterval(192)) {
            e.aux3 = 1;
            e.auxR3 = 5.6;
        }
    }
    if (e.age % 160 == 0) ChangeFlankByMode(e);
}

// Boss 2's twin gun and slowing spray; they finish even while it leaves.
void Boss2Bursts(EnemyRecord& e) {
    if (e.aux2 > 0 && Every(e, 4)) {
        e.aux2 += 1;
        const double speed = ScaleSpeed(4.4);
        FireAimed(e, -16, -22, speed, 0, kBulletMedium);
        FireAimed(e, -16, 22, speed, 0, kBulletMedium);
        if (e.aux2 >= 5) e.aux2 = 0;
    }
    if (e.aux3 > 0 && Every(e, 8)) {
        e.aux3 += 1;
        FireScattered(e, 48, 0, ScaleSpeed(e.auxR3));
        e.auxR3 -= 0.4;
        if (e.aux3 >= 12) e.aux3 = 0;
    }
}

void Boss3Scatter(EnemyRecord& e) {
    FireScattered(e, -11, -68, ScaleSpeed(3.2));
    FireScattered(e, -11, 68, ScaleSpeed(3.2));
    FireScattered(e, -17, -92, ScaleSpeed(2.4));
    FireScattered(e, -17, 92, ScaleSpeed(2.4));
    FireScattered(e, -21, -107, ScaleSpeed(1.6));
    FireScattered(e, -21, 107, ScaleSpeed(1.6));
}

void Boss3Step(EnemyRecord& e) {
    if (e.mapParam1 == 0) {
        HuntStep(e);
        if (StepVolley(e, 64, 5)) {
            if (e.aux4 < 3) {
                for (double side : {-25.0, 25.0}) {
                    FireAimed(e, -8, side, ScaleSpeed(5.2), 0, kBulletAccelerating);
                    FireAimed(e, -8, side, ScaleSpeed(2.6), -32, kBulletAccelerating);
                    FireAimed(e, -8, side, ScaleSpeed(2.6), 32, kBulletAccelerating);
                    FireAimed(e, -8, side, ScaleSpeed(5.2), -64, kBulletAccelerating);
                    FireAimed(e, -8, side, ScaleSpeed(5.2), 64, kBulletAccelerating);
                }
            } else if (e.aux4 == 3) {
                FireFromMuzzle(e, 40, 0, ScaleSpeed(6.4), e.facing, kBulletBomb);
                Boss3Scatter(e);
            }
        }
        StartOrbitWhenDue(e);
    } else {
        OrbitStep(e, 2);
    }
    if (e.mapParam1 > 0 && Every(e, 32)) Boss3Scatter(e);
}

void Boss4Step(EnemyRecord& e) {
    StepPatternMode(e);
    HuntStep(e);
    if (StepVolley(e, 48, 6)) {
        if (e.aux2 == 0 && (e.aux4 == 0 || e.aux4 == 1 || e.aux4 == 3)) e.aux2 = 1;
        if (e.aux3 == 0 && (e.aux4 == 2 || e.aux4 == 5)) {
            e.aux3 = 1;
            e.auxR3 = 0;
        }
    }
    if (e.age % 120 == 0) ChangeFlankByMode(e);
}

// Boss 4's rings and double sweep; its muzzles change side with its picture every 32 frames.
void Boss4Bursts(EnemyRecord& e) {
    e.frame = (e.age / 32) % 2;
    const bool side = e.frame != 0;
    if (e.aux2 > 0) {
        e.aux2 = 0;
        const double aSide = side ? 58 : -58;
        const double bSide = side ? -24 : 24;
        for (int k = 0; k < 8; ++k) {
            FireFromMuzzle(e, -75, aSide, ScaleSpeed(2.4), e.facing + 128 * k, kBulletLarge);
            FireFromMuzzle(e, -131, bSide, ScaleSpeed(4.8), e.facing + 128 * k, kBulletLarge);
        }
        for (int k = 0; k < 8; ++k) {
            FireFromMuzzle(e, -75, aSide, ScaleSpeed(1.6), e.facing + 64 + 128 * k, kBulletLarge);
            FireFromMuzzle(e, -131, bSide, ScaleSpeed(3.2), e.facing + 64 + 128 * k, kBulletLarge);
        }
    }
    if (e.aux3 > 0 && Every(e, 6)) {
        e.aux3 += 1;
        const int32_t o = int32_t(e.auxR3);
        FireAimed(e, -95, side ? 23 : -23, ScaleSpeed(5.6), -o, kBulletMedium);
        FireAimed(e, -100, side ? 13 : -13, ScaleSpeed(5.6), o, kBulletMedium);
        if (e.aux3 <= 6)
            e.auxR3 += 32;
        else
            e.auxR3 -= 32;
        if (e.aux3 >= 12) e.aux3 = 0;
    }
}

void RunBoss(EnemyRecord& e, void (*own)(EnemyRecord&), void (*bursts)(EnemyRecord&)) {
    if (e.state == kSlotSpawned) EnterBoss(e);
    if (e.state == kSlotActive) {
        if (e.age >= 8000)
            LeaveField(e);
        else
            own(e);
        if (bursts != nullptr) bursts(e);
        e.facing = AngleTo(e.x, e.y, 0, 0);  // it always faces the bunny, and its muzzles turn with it
    }
    if (e.state == kSlotEnding) {
        if (!IsOffScreen(e.x, e.y, e.offScreenMargin)) BigExplode(e.x, e.y, true);
        RequestSound(kSoundBossDown);
        e.state = kSlotFree;
    }
}

}  // namespace

void UpdateBoss1(EnemyRecord& e) { RunBoss(e, Boss1Step, nullptr); }
void UpdateBoss2(EnemyRecord& e) { RunBoss(e, Boss2Step, Boss2Bursts); }
void UpdateBoss3(EnemyRecord& e) { RunBoss(e, Boss3Step, nullptr); }
void UpdateBoss4(EnemyRecord& e) { RunBoss(e, Boss4Step, Boss4Bursts); }

}  // namespace game
