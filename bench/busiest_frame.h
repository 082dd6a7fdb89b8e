// The game's busiest frame (map 4's boss at loop 150, every pool full, both backgrounds, the shake,
// every effect kind), built through the game's own code, for the drawing benchmark and its tests.
#pragma once

#include <vector>

#include "engine/image/draw_state.h"

namespace busiest {

// Loads stage 600 and fills the field; the engine, the trig tables and the game's pictures must be
// ready. False when the stage does not load.
bool BuildBusiestField();
// The stage frame of the game's main loop, up to the end of the frame (which the caller does).
void StageFrameBody();
// The end of a frame without the pacing wait: present, back to the back screen, clear.
void PresentAndClear();

// The draw calls made between StartRecording and StopRecording; a clear made last (the end of a
// frame) is moved first.
extern std::vector<engine::DrawCall> recorded;
void StartRecording();
void StopRecording();
// Makes the calls again, with the clip rectangle and blend mode each was made with.
void Replay(const std::vector<engine::DrawCall>& calls);

}  // namespace busiest
