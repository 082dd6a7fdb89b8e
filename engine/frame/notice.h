// Short notices shown over the picture for a moment (the loudspeaker when M mutes or unmutes): put
// over the frame as it is presented, never into the screens the game draws or a screenshot saves.
#pragma once

#include <cstdint>

#include "engine/frame/screen.h"

namespace engine {

enum class Notice { kMuted, kSoundOn };

inline constexpr uint64_t kNoticeMicros = 1500000;

// Shows `notice` from now for kNoticeMicros of the platform's clock.
void ShowNotice(Notice notice);
// The picture to present: `frame` itself, or a copy with the notice over it while one is due.
const uint32_t* WithNotice(const Surface& frame);
// Draws `notice` over a picture (for WithNotice, and for tests).
void DrawNotice(Notice notice, Surface& picture);
// No notice due; frees the copy.
void ResetNotice();

}  // namespace engine
