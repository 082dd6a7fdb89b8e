// The ship on its ring (the parts the stage loop needs so far; steering and the rest come with
// the player's own work).
#include "game/player/ship.h"

#include "game/geometry/trig.h"
#include "game/state.h"

namespace game {

void PlaceShipOnRing() {
    GameState& gs = gameState;
    gs.shipX = PolarX(0, 120, 0, gs.shipAngle);
    gs.shipY = PolarY(0, 120, 0, gs.shipAngle);
    gs.viewOffsetX = gs.shipX - 240;
    gs.viewOffsetY = gs.shipY - 360;
}

void ResetPlayerForGame() {
    GameState& gs = gameState;
    gs.respawnTimer = 0;
    gs.shipAngle = 0;
    PlaceShipOnRing();
    gs.lives = 3;
    gs.bunnyHealth = 5;
}

void ResetPlayerForStage() {
    GameState& gs = gameState;
    gs.respawnTimer = 0;
    gs.shipAngle = 0;
    PlaceShipOnRing();
    if (gs.bunnyHealth < 5) gs.bunnyHealth += 1;
}

void UpdatePlayer() { PlaceShipOnRing(); }
void DrawShip() {}

}  // namespace game
