// The single reset of the whole game: every global back to its start-up value.
#pragma once

namespace game {

// Puts every global of the game back to its start-up value (program start, tests).
void ResetAll();

}  // namespace game
