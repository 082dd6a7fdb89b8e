// Enemy bullets in the BulletPool.
#pragma once

#include <cstdint>

#include "game/enemies/pools.h"

namespace game {

// A guarded spawn is refused near the centre and off the field.
void SpawnBullet(double x, double y, double speed, int32_t angle, int32_t kind, double margin, bool guarded);
void SetBulletCircle(BulletRecord& b, int index, int16_t radius, int16_t forward, int16_t side);
// Once per stage frame: update, hit and draw every bullet.
void UpdateBullets();
void DrawBullet(BulletRecord& b);

}  // namespace game
