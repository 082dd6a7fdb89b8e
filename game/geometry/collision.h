// Collision tests between hit circles.
#pragma once

#include <cstdint>

#include "game/enemies/pools.h"

namespace game {

// Touch when the square of the summed radii exceeds the squared distance of the centres.
bool CirclesOverlap(double x1, double y1, int16_t r1, double x2, double y2, int16_t r2);
int HitsEnemy(double x, double y, int16_t radius, const EnemyRecord& e);
int HitsBullet(double x, double y, int16_t radius, const BulletRecord& b);
int ShotHits(int shotSlot, const EnemyRecord& e);
bool InShipSector(double x, double y, int16_t limit);

}  // namespace game
