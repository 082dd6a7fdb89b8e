// The results screen after a game that ended. (placeholder until its own work lands)
#include "game/shell/results.h"

namespace game {

void RunResultsScreen() {}

}  // namespace game
