// Collision tests between hit circles, and the ship's sector of the ring.
#pragma once

#include <cstdint>

namespace game {

// Touch when the square of the summed radii exceeds the squared distance of the centres.
bool CirclesOverlap(double x1, double y1, int16_t r1, double x2, double y2, int16_t r2);
bool InShipSector(double x, double y, int16_t limit);

}  // namespace game
