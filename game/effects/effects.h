// Effects (explosions, debris, sparks, hit flashes) in the EffectPool of 128 slots, and the shake.
#pragma once

#include <cstdint>

namespace game {

inline constexpr int kEffectSlots = 128;

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

}  // namespace game
