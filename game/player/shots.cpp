// The player's shots and weapons. (placeholder until its own work lands)
#include "game/player/shots.h"

namespace game {

void ResetShotTable() {}
void UpdateShots() {}

}  // namespace game
