// The results screen after a game that ended.
#pragma once

namespace game {

void RunResultsScreen();

}  // namespace game
