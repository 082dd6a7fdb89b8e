// Options (placeholder until the player's work lands).
#include "game/player/options.h"

namespace game {

OptionRecord OptionRecords[8];

void ResetOptionsForGame() {}
void ResetOptionsForStage() {}
void DrawOptions() {}
void LoseOption(int) {}
bool GainOption() { return false; }

}  // namespace game
