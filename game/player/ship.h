// The ship on its ring and the player's update.
#pragma once

namespace game {

void ResetPlayerForGame();
// Places the ship on its ring of radius 120 at shipAngle.
void PlaceShipOnRing();
void UpdatePlayer();

}  // namespace game
