// The enemy update common to every kind, and the building blocks the kinds share.
#pragma once

#include <cstdint>

#include "game/enemies/pools.h"

namespace game {

// Runs one EnemyPool slot for this frame: behaviour, clocks, field exit, bunny, shots, drawing.
void UpdateEnemy(EnemyRecord& e);
void DamageEnemy(EnemyRecord& e, int32_t damage);
void DrawEnemy(EnemyRecord& e);
// heading < 0 aims at the ship. Null when the pool is full.
EnemyRecord* SpawnEnemyAt(int32_t kind, double x, double y, int32_t heading);
void SetEnemyCircle(EnemyRecord& e, int index, int16_t radius, int16_t forward, int16_t side);
void AnimateEnemy(EnemyRecord& e, bool heavy);
int32_t DwellTime(const EnemyRecord& e, double factor);
int32_t ScaleInterval(int32_t n);
double ScaleSpeed(double v);
void PlaceAtEntry(EnemyRecord& e);
// One straight step along `heading` at `speed` (and that step as the velocity).
void StepAlongHeading(EnemyRecord& e);
int32_t DiveStep(EnemyRecord& e, int16_t maxTurn);
int32_t LeaveStep(EnemyRecord& e, int16_t maxTurn);
int32_t PursueStep(EnemyRecord& e, int16_t maxTurn);

}  // namespace game
