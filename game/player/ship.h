// The ship on its ring and the player's update.
#pragma once

namespace game {

void ResetPlayerForGame();
void ResetPlayerForStage();
// Places the ship on its ring of radius 120 at shipAngle, and the view with it.
void PlaceShipOnRing();
void UpdatePlayer();
// Turns the ship by the mouse's sideways motion and drags the options' trail (step 3 of UpdatePlayer).
void SteerShip();
void DrawShip();

}  // namespace game
