// Hit tests of probe circles against the circle lists of enemy and bullet records, and of shots.
#pragma once

#include <cstdint>

#include "game/enemies/pools.h"

namespace game {

int HitsEnemy(double x, double y, int16_t radius, const EnemyRecord& e);
int HitsBullet(double x, double y, int16_t radius, const BulletRecord& b);
int ShotHits(int shotSlot, const EnemyRecord& e);

}  // namespace game
