// The spawn schedule: one map row every 64 frames, each cell an enemy entering from the rim.
#pragma once

#include <cstdint>

#include "game/enemies/pools.h"

namespace game {

// The last step of UpdatePlayer, every field-phase frame.
void ScheduleStep();
EnemyRecord* SpawnFromMap(int32_t kind, int32_t param1, int32_t param2, int32_t angle);

}  // namespace game
