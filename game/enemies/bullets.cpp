// Enemy bullets. (placeholder until its own work lands)
#include "game/enemies/bullets.h"

namespace game {

void UpdateBullets() {}

}  // namespace game
