// The game's four pieces of music, written as scores for the composer.
#pragma once

#include <string>

#include "audio/sequencer.h"

namespace datagen::music {

struct Score {
    const char* file;                     // under data/music
    Song (*compose)(std::string& error);  // sets `error` on a mistake in the score
};

// Title, ending, stage and boss tracks.
extern const Score kScores[4];

}  // namespace datagen::music
