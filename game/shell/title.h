// The title screen and stage select.
#pragma once

#include <cstdint>

namespace game {

// Runs the title screen; true when the player chose to leave. Sets stage and fromStageSelect.
bool RunTitleScreen();
// The row under the pointer (rows 0..last, 48 pixels each from y 240), or -1; sound 7 on a change.
int16_t MenuHover(int16_t current, int last);

}  // namespace game
