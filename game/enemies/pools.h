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

// What the generic fields hold, by kind; a kind does not read the fields its entry leaves out.
// Every kind's first update takes in mapParam1 and sets it to 0. From the map it is the parameter p
// (lane p % 16, whose 13/14 move the entry 16 back/on but for carriers; hold radius 460 - 40 (p / 16));
// from SpawnEnemyAt it is -1. mapParam2 lengthens DwellTime for the drifters, circlers, gunners,
// hunters and dashers (hunters and dashers wait twice as long). The polar movers (drifter, circler,
// gunner, carrier) stand at radius auxR1 (from 511) on polar angle `heading`; auxR1 gains `speed`
// (negative: inward) each frame, and auxR2 is the hold radius. For circlers and gunners mapParam1 is
// then the phase: 0 inbound, >0 frames held + 1, -1 diving (past the dwell, once within 128 of the
// ship's angle); they start firing only while it is >= 0.
//   0, 1 drifter, heavy drifter: aux2 the polar-angle step every 4 frames, times aux3; aux1 (1; -1 on
//        lane 0, -3, 3 on lanes 13/14) added to aux2 every 24 frames, turned back once aux2 passes +-1;
//        aux3 1, 6 from the dive's start, back down to 1 by one every 8 frames; mapParam1 0 inbound,
//        then frames held + 1, still counting after the dive starts at the dwell.
//   2, 3 circler, heavy circler: aux1 the polar-angle step a frame (3; -3 on lanes 0 and 13), eased
//        to 0 by 1 every 16 frames in the dive.
//   4, 5, 12 hunter, heavy hunter, spread hunter: aux1 the goal's offset from the ship's angle (0; -96,
//        96 on lanes 13/14), negated every 320 frames till the dive; the goal is on radius auxR2 (the
//        hold radius) + 120; aux4 the burst, 0 none, else 1..14 with a shot at 1, 5, 9, 13 (the spread
//        hunter's 1 fires three and is 0 again); the aim holds while it runs.
//   6, 7 rammer, split rammer: aux1 1 once it has turned straight at the centre (within 100), else 0;
//        mapParam1 -1 keeps its spawn point.
//   8, 9, 13 dasher, heavy dasher, spray dasher: the goal is at radius aux3 (the hold radius) + auxR1
//        (+-40, negated each dash) on polar angle aux2 (the ship's angle + aux1, clamped within 128,
//        later 256, of the dasher's inward direction); aux1 -96 (96 on lane 14), negated each dash and
//        every 320 frames; aux4 frames at rest, 0 while moving (next dash at 24, spray dasher 160, scaled).
//   10, 11 gunner, heavy gunner: aux1 the polar-angle step every 2 frames (1; -1 on lane 0, -3, 3 on
//        lanes 13/14), eased as the circler's; aux3 the burst, 0 none, else 1 + shots fired (7 shots).
//   14, 15 left, right item carrier: mapParam1's lane picks the item, then it is 0 inbound, 1 holding,
//        2 leaving; aux1 the polar-angle step a frame (2; -2 for kind 15); aux2 the angle turned so far
//        (it leaves at 1536).
//   16..19 bosses: aux1 the goal's offset from the ship's angle, the goal on radius auxR2 (320; boss 4
//        270) + 120; aux4 the volley counter, stepped on every Nth fireClock frame (scaled) while within
//        128 of the ship's angle.
//   16 boss 1: aux1 -128, negated every 320 frames while hunting; mapParam1 0 hunting, 400 braking,
//        399..2 orbiting, 1 slowing; aux2 the orbit's polar-angle step a frame (+-1 toward the ship's
//        side, by 1 every 16 frames to +-4, then to 0); auxR1 the orbit radius (then toward 340 by 0.5);
//        aux4 0..5 every 64: 0-2 fans, 3 the homing ring.
//   17 boss 2: mapParam1 the mode 0..2, on by one at age % 1600 == 0; aux1 -192, then every 160 frames
//        110, 55 or 0 by mode, signed against the last; aux4 0..5 every 48, 0-2 start the twin gun:
//        aux2 0 none, else 1 + pairs fired (4); aux3 the spray, 0 none, else 1 + shots fired (11);
//        auxR3 the spray's speed (5.6, down 0.4 a shot; the 4.8 set at entry is never read).
//   18 boss 3: as boss 1, but aux1 stays 0 and aux2 grows to +-2; aux4 0-2 fans, 3 the bomb and scatter.
//   19 boss 4: mapParam1 and aux1 as boss 2's, aux1 changing every 120 frames; aux4 0..6 every 48:
//        0, 1, 3 set aux2 1 (the rings, fired and cleared that frame); 2, 5 start the sweep: aux3 0
//        none, else 1 + pairs fired (11); auxR3 the pair's turn either side of the aim (0, up 32 a shot
//        to 160, then down).
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
