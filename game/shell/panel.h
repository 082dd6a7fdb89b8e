// The score panel, the stage-clear screen and the bunny.
#pragma once

namespace game {

// The bunny and, just after a respawn, the word START.
void DrawBunny();
void DrawScorePanel();
void DrawClearScreen();
// Text in the 16 x 32 font, highlighted or plain.
void DrawText(int x, int y, const char* text, bool highlighted);

}  // namespace game
