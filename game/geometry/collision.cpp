// Collision tests (placeholder until the collision work lands).
#include "game/geometry/collision.h"

namespace game {

bool CirclesOverlap(double, double, int16_t, double, double, int16_t) { return false; }
int HitsEnemy(double, double, int16_t, const EnemyRecord&) { return 0; }
int HitsBullet(double, double, int16_t, const BulletRecord&) { return 0; }
int ShotHits(int, const EnemyRecord&) { return 0; }
bool InShipSector(double, double, int16_t) { return false; }

}  // namespace game
