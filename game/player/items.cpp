// Items dropped by enemies. (placeholder until its own work lands)
#include "game/player/items.h"

namespace game {

void ResetItemPool() {}

}  // namespace game
