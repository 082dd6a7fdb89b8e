// Items: dropped by carriers, drifting to the centre, collected by the ship.
#pragma once

#include "game/enemies/pools.h"

namespace game {

void SpawnItem(int kind, double x, double y);
// Moves, collects and draws the items (step 7 of UpdatePlayer).
void UpdateItems();
void DrawItem(ItemRecord& item);

}  // namespace game
