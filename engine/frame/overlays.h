// What the engine shows over the game's picture: the pause, and short notices for a moment (the
// loudspeaker when M mutes or unmutes; whether a finished game reached the score table). Put over the frame
// as it is presented, never into the screens the game draws or a screenshot saves.
#pragma once

#include <cstdint>

#include "engine/frame/screen.h"

namespace engine {

enum class Notice { kMuted, kSoundOn, kScoreSent, kScoreKept };

inline constexpr uint64_t kNoticeMicros = 1500000;
inline constexpr uint64_t kScoreNoticeMicros = 3000000;  // words take longer to read than a pictogram

// Shows `notice` from now for kNoticeMicros (kScoreNoticeMicros for the score's) of the platform's
// clock; a later notice takes the place of an earlier one.
void ShowNotice(Notice notice);
// The picture to present: `frame` itself, or a copy with the pause and the notice due over it.
const uint32_t* WithOverlays(const Surface& frame);
// Changes each time what WithOverlays puts over a frame changes (a notice comes or goes, the pause).
uint64_t OverlayGeneration();
// Draws `notice` over a picture (for WithNotice, and for tests).
void DrawNotice(Notice notice, Surface& picture);
// No notice due; frees the copy.
void ResetNotice();

}  // namespace engine
