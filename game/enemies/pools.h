// The fixed pools of enemies, enemy bullets and items: 64 slots each, searched from slot 0 up.
#pragma once

#include <cstdint>

namespace game {

// Slot states shared by every pool.
inline constexpr int16_t kSlotFree = 0;
inline constexpr int16_t kSlotSpawned = 1;  // filled by a spawner; the kind's first update is pending
inline constexpr int16_t kSlotActive = 2;
inline constexpr int16_t kSlotEnding = 3;  // dying, hit or collected; the last update is pending
inline constexpr int kPoolSize = 64;

struct EnemyRecord {
    double x, y;              // world position
    double vx, vy;            // velocity of the last straight step (0 for polar movers)
    int16_t circleRadius[8];  // hit circles; the list ends at the first negative radius
    int16_t circleForward[8];
    int16_t circleSide[8];
    int16_t state;
    int32_t age;        // behaviour frames since spawn, modulo 65535
    int32_t fireClock;  // like age, from a random start 0..127; firing rhythms test it
    int32_t hp;
    int32_t itemKind;  // dropped on destruction, -1 none
    int32_t scoreValue;
    int32_t kind;        // 0..19
    int32_t heading;     // direction of motion (polar movers: the polar angle)
    int32_t facing;      // turns the picture and the hit circles
    int32_t entryAngle;  // direction of the map column that spawned it
    uint8_t showDanger;  // draw the danger marker while off screen
    int16_t fireHold;    // frames before it may fire at all
    int32_t frame;       // picture in the kind's row of EnemyImages
    double speed;
    int32_t mapParam1;  // the map's first parameter; later the kind's phase counter
    int32_t mapParam2;  // the map's second parameter (dwell extension)
    int32_t aux1, aux2, aux3, aux4;
    double auxR1, auxR2, auxR3;
    double offFieldMargin;  // negative: never removed for leaving the field
    double offScreenMargin;
};

// BulletRecord::kind.
inline constexpr int32_t kBulletAccelerating = 0;  // straight, speeding up from 0 over 100 frames
inline constexpr int32_t kBulletSmall = 1;
inline constexpr int32_t kBulletMedium = 2;
inline constexpr int32_t kBulletLarge = 3;
inline constexpr int32_t kBulletHoming = 4;  // turns toward the ship, less and less
inline constexpr int32_t kBulletBomb = 5;    // stops near the centre, blinks, bursts into a blast
inline constexpr int32_t kBulletBlast = 6;   // stays, grows, fades
inline constexpr int32_t kBulletKinds = 7;

struct BulletRecord {
    double x, y;
    double vx, vy;
    int16_t circleRadius[3];
    int16_t circleForward[3];
    int16_t circleSide[3];
    int16_t state;
    int32_t age;
    int32_t kind;  // 0..6
    int32_t heading;
    int32_t facing;
    int32_t frame;
    double speed;
    uint8_t diesNearCentre;  // vanishes, harmless, within 100 units of the centre
    int32_t timer;           // turn rate of the homing bullet, fuse of the bomb
    double accelStep;
    double targetSpeed;
    int16_t blendMode;
    int16_t blendParam;
    double scalePercent;
    double offFieldMargin;
    double drawMargin;
};

struct ItemRecord {
    double x, y;
    double vx, vy;
    int16_t radius;  // pick-up radius
    int16_t state;
    int32_t age;
    int32_t kind;       // 0..4
    int32_t direction;  // from the item to the centre
    int32_t frame;
    double speed;  // toward the centre; negative once at rest
    double drawMargin;
};

extern EnemyRecord EnemyPool[kPoolSize];
extern BulletRecord BulletPool[kPoolSize];
extern ItemRecord ItemPool[kPoolSize];

// The lowest free slot, or null when all 64 are taken.
EnemyRecord* FindFreeEnemySlot();
BulletRecord* FindFreeBulletSlot();
ItemRecord* FindFreeItemSlot();

// Defaults into one record; an enemy's reset draws one GameRandom for its fireClock.
void ResetSlot(EnemyRecord& e);
void ResetSlot(BulletRecord& b);
void ResetSlot(ItemRecord& item);

void ResetEnemyPool();
void ResetBulletPool();
void ResetItemPool();

// Frames before a fresh enemy may fire, shorter with every loop.
int16_t InitialFireHold();

}  // namespace game
