// The spawn schedule: one map row every 64 frames, each cell an enemy entering from the rim.
#pragma once

#include <cstdint>

#include "game/enemies/pools.h"

namespace game {

inline constexpr int kSpawnRows = 640;
inline constexpr int kSpawnColumns = 32;

// What enters from direction c at map row r: the kind (-1 none) and the kind's two map parameters.
extern int32_t SpawnKindTable[kSpawnRows][kSpawnColumns];
extern int32_t SpawnParamTable1[kSpawnRows][kSpawnColumns];
extern int32_t SpawnParamTable2[kSpawnRows][kSpawnColumns];

// The last step of UpdatePlayer, every field-phase frame.
void ScheduleStep();
EnemyRecord* SpawnFromMap(int32_t kind, int32_t param1, int32_t param2, int32_t angle);

}  // namespace game
