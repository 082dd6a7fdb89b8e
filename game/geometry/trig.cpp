// The trigonometric tables. (placeholder until its own work lands)
#include "game/geometry/trig.h"

namespace game {

void BuildTrigTables() {}

}  // namespace game
