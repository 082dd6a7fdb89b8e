// The enemy and bullet pools. (placeholder until its own work lands)
#include "game/enemies/pools.h"

namespace game {

void ResetEnemyPool() {}
void ResetBulletPool() {}

}  // namespace game
