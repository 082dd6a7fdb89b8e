// The results screen after a game that ended by game over, the score cap or the last stage.
#pragma once

namespace game {

// About seven seconds of high score and score with the ending music; the left button ends it
// after the 200th frame.
void RunResultsScreen();

}  // namespace game
