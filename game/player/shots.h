// The player's shots and weapons: the ShotTable of 33 slots, each shooter owning fixed slots.
#pragma once

#include <cstdint>

namespace game {

inline constexpr int kShotSlots = 33;

struct ShotSlot {
    int32_t state;  // 0 free, 1 spawned, 2 active, 3 hit (set by the enemy side)
    int32_t kind;   // 0 main shot, 1 napalm, 2 bomb, 3 option shot
    double x, y;
    int32_t heading;    // direction of flight, reduced
    int32_t drawAngle;  // rotation for drawing and the hit circles
    int32_t power;      // damage per hit
    double speed;
    double vx, vy;  // the shot moves by half of this each frame
    int16_t circleRadius[2];
    int16_t circleForward[2];
    int16_t circleSide[2];
    double killMargin;  // IsOffField margin
    double drawMargin;  // IsOffScreen margin
    int32_t age;
    int32_t frame;
    int16_t blendKind;  // 0 none, 1 additive, 2 alpha
    int16_t alpha;
    double scale;          // percent
    uint8_t consumeOnHit;  // the shot ends at its first hit
    uint8_t canHit;        // the shot may hit this frame
};

extern ShotSlot ShotTable[kShotSlots];

void ResetShots();
void ResetShotSlot(int slot);
void SpawnShot(int slot, int kind, double x, double y, int32_t heading);
void SetShotCircle(int slot, int index, int16_t radius, int16_t forward, int16_t side);
void FireWeapons();
// Once per stage frame, before UpdatePlayer: shots move, hit and are drawn.
void UpdateShots();
void DrawShot(int slot);

}  // namespace game
