// Effects, explosions and the screen shake.
#pragma once

namespace game {

void ClearEffects();
void ClearShake();
void UpdateEffects();

}  // namespace game
