// The picture memory the engine draws into: the back screen, the front screen and drawable images.
#pragma once

#include <cstdint>

namespace engine {

// A block of 32-bit pixels, 0xAARRGGBB, rows top first, `pitch` pixels from one row to the next.
struct Surface {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;
};

// The screens for reading: draws held back for the frame are drawn first.
Surface& BackScreen();
Surface& FrontScreen();
// The surface that drawing goes to now (back screen, front screen or a drawable image); never null
// after InitEngine. Held draws are not drawn first: read through the two above or FlushDrawing.
Surface& DrawTargetSurface();
// The draw target as the game named it: -2 back screen, -4 front screen, or an image handle.
int DrawTarget();

}  // namespace engine
