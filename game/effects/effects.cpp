// Effects, explosions and the screen shake. (placeholder until its own work lands)
#include "game/effects/effects.h"

namespace game {

void ClearEffects() {}
void ClearShake() {}
void UpdateEffects() {}

}  // namespace game
