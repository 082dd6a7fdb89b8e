// Collision tests: circle overlap and the ship's sector.
#include "game/geometry/collision.h"

#include <cstdlib>

#include "game/geometry/trig.h"
#include "game/state.h"

namespace game {

bool CirclesOverlap(double x1, double y1, int16_t r1, double x2, double y2, int16_t r2) {
    // 64 bits so that two large radii cannot overflow the product; touching is not overlapping.
    const int64_t s = int64_t(r1) + int64_t(r2);
    const double dx = x1 - x2;
    const double dy = y1 - y2;
    return double(s * s) > dx * dx + dy * dy;
}

bool InShipSector(double x, double y, int16_t limit) {
    const int16_t bearing = AngleTo(0, 0, x, y);
    return std::abs(AngleDiff(bearing, int16_t(gameState.shipAngle))) <= limit;
}

}  // namespace game
