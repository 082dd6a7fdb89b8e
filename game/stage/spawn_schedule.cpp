// The spawn schedule (placeholder until the enemies' work lands).
#include "game/stage/spawn_schedule.h"

namespace game {

void ScheduleStep() {}
EnemyRecord* SpawnFromMap(int32_t, int32_t, int32_t, int32_t) { return nullptr; }

}  // namespace game
