// The autopilot: plays through the player's own inputs (the pointer and the left button).
#pragma once

#include <memory>

#include "engine/input/input.h"

namespace app {

// `startsGames`: it also clicks through the title and the results (attract mode, benchmarks); without
// it the menus stay with the real input (an input script) and only stages are played for it.
std::unique_ptr<engine::InputSource> MakeAutopilot(bool startsGames);

}  // namespace app
