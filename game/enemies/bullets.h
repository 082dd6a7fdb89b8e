// Enemy bullets.
#pragma once

namespace game {

// Enemy bullets: update, hit and draw.
void UpdateBullets();

}  // namespace game
