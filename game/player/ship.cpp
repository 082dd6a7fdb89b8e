// The ship on its ring and the player's update. (placeholder until its own work lands)
#include "game/player/ship.h"

namespace game {

void ResetPlayerForGame() {}
void PlaceShipOnRing() {}
void UpdatePlayer() {}

}  // namespace game
