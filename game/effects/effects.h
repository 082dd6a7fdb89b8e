// Effects (explosions, debris, sparks, hit flashes) in the EffectPool of 128 slots, and the shake.
#pragma once

#include <cstdint>

namespace game {

inline constexpr int kEffectSlots = 128;
inline constexpr int kEffectKinds = 35;

struct EffectSlot {
    int32_t state;          // 0 free, 1 spawned, 2 active
    int32_t age;            // +1 before each behaviour call, modulo 65535; the burst step restarts it
    int32_t kind;           // behaviour and picture row, 0..34
    int16_t frame;          // picture cell
    int16_t phase;          // burst: 0 while slowing down, then frames spent at rest
    int16_t firstInterval;  // burst: frames per picture for pictures 0 and 1
    int16_t angle;          // picture rotation, a world heading
    int16_t direction;      // direction of motion, reduced
    double x, y;
    double speed;
    double vx, vy;
    int16_t blendKind;  // 0 none, 1 additive, 2 alpha
    int16_t alpha;
    double scale;
    uint8_t decelerating;  // the effect slows down (spawned with kind + 100)
    double decel;          // speed lost per frame
    int16_t margin;        // IsOffScreen margin
};

extern EffectSlot EffectPool[kEffectSlots];

// Kind 100 or more: the same kind, decelerating. Returns the slot, or -1 when the pool is full.
int SpawnEffect(int16_t kind, double x, double y, int32_t angle, int16_t direction, double speed);
int SpawnSlowEffect(int16_t kind, double x, double y, int32_t angle, int16_t direction, double speed);
// The standard explosion (ship, options, enemies) and the large one (bosses).
void Explode(double x, double y, bool big);
void BigExplode(double x, double y, bool sparks);
void StartShake(int16_t duration);
// Once per stage frame after UpdatePlayer: every effect's behaviour and drawing, then the shake.
void UpdateEffects();
void DrawEffect(int slot);
// All 128 slots to zero, and the shake off (stage set-up).
void ClearEffects();
void ClearShake();
// The shake's per-frame step, the last part of UpdateEffects.
void UpdateShake();

}  // namespace game
