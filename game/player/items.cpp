// Items (placeholder until the player's work lands).
#include "game/player/items.h"

namespace game {

void SpawnItem(int, double, double) {}
void UpdateItems() {}
void DrawItem(ItemRecord&) {}

}  // namespace game
