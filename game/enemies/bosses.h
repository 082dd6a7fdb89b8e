// The four bosses, enemy kinds 16 to 19.
#pragma once

#include "game/enemies/pools.h"

namespace game {

void UpdateBoss1(EnemyRecord& e);
void UpdateBoss2(EnemyRecord& e);
void UpdateBoss3(EnemyRecord& e);
void UpdateBoss4(EnemyRecord& e);

}  // namespace game
