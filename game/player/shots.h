// The player's shots and weapons.
#pragma once

namespace game {

void ResetShotTable();
void UpdateShots();

}  // namespace game
