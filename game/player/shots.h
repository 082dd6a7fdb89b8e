// The player's shots and weapons: the ShotTable of 33 slots, each shooter owning fixed slots.
#pragma once

#include <cstdint>

namespace game {

inline constexpr int kShotSlots = 33;

// ShotSlot::state.
inline constexpr int32_t kShotFree = 0;
inline constexpr int32_t kShotSpawned = 1;  // its step sets it up and starts it next
inline constexpr int32_t kShotFlying = 2;   // moves, hits and is drawn
inline constexpr int32_t kShotHit = 3;      // set by the enemy side: a spark, or a napalm's bomb, next
// ShotSlot::kind.
inline constexpr int32_t kShotMain = 0;
inline constexpr int32_t kShotNapalm = 1;
inline constexpr int32_t kShotBomb = 2;  // what a napalm shot becomes where it strikes
inline constexpr int32_t kShotOption = 3;
// GameState::weaponMode.
inline constexpr int16_t kWeaponNormal = 0;
inline constexpr int16_t kWeaponTwin = 1;
inline constexpr int16_t kWeaponNapalm = 2;
inline constexpr int16_t kWeaponSpread = 3;

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
