// The enemy and bullet pools.
#pragma once

namespace game {

void ResetEnemyPool();
void ResetBulletPool();

}  // namespace game
