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

Surface& BackScreen();
Surface& FrontScreen();
// The surface that drawing goes to now (back screen, front screen or a drawable image); never null
// after InitEngine.
Surface& DrawTargetSurface();
// The draw target as the game named it: -2 back screen, -4 front screen, or an image handle.
int DrawTarget();

}  // namespace engine
