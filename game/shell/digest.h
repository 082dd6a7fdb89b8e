// The state digest: one hash over everything that decides how the game goes on, for comparing two
// runs frame by frame.
#pragma once

#include <cstdint>

namespace game {

// FNV-1a over GameState, the game's random state, the pools, the ShotTable, the options and the
// effects, field by field (padding never enters it).
uint64_t StateDigest();

}  // namespace game
