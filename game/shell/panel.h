// The score panel, the stage-clear screen, the bunny, and text and numbers in the bitmap fonts.
#pragma once

#include <cstdint>

namespace game {

// Text in the 16 x 32 font from its top-left corner; codes of 128 and above draw glyph 0.
void DrawText(int x, int y, const char* text, bool highlighted);
// A non-negative value right-aligned in d + 1 cells from x; leading zeros are not drawn.
void DrawNumber(int x, int y, int32_t value, int digits, bool highlighted);
// The bunny at the field centre (or its dead picture) and, while the ship recovers, "START".
void DrawBunny();
// The score panel, or the stage-clear screen once clearTimer is above 200.
void DrawPanel();

}  // namespace game
