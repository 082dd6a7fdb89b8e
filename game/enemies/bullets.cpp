// Enemy bullets (placeholder until the enemies' work lands).
#include "game/enemies/bullets.h"

namespace game {

void SpawnBullet(double, double, double, int32_t, int32_t, double, bool) {}
void SetBulletCircle(BulletRecord&, int, int16_t, int16_t, int16_t) {}
void UpdateBullets() {}
void DrawBullet(BulletRecord&) {}

}  // namespace game
