// The pause: Pause, F1 or a controller's Y holds the game exactly as a window without the focus
// does, and the frame on the screen is shown dimmed under "PAUSED" until one of them is pressed again.
#pragma once

#include "engine/frame/screen.h"

namespace engine {

bool GamePaused();
// After each frame pump: a press of a pause key (counted, so a quick tap counts) starts or ends the
// pause. True when it changed.
bool FollowPauseKeys();
// The letters the overlays write with: 128 image handles by character code (the game's own font);
// none given, the pause shows its sign alone.
void SetOverlayFont(const int* glyphs);
// Dims `picture` and writes the pause's caption over it.
void DrawPauseOverlay(Surface& picture);
// Not paused, no font; for engine resets.
void ResetPause();

}  // namespace engine
