// Collision tests: circle overlap, probe circles against enemy and bullet records, shots, the ship's sector.
#include "game/geometry/collision.h"

#include <cstdlib>

#include "game/geometry/trig.h"
#include "game/player/shots.h"
#include "game/state.h"

namespace game {

namespace {

// Free (0) and ending (3 or more) records cannot be touched; the circle list ends at a negative radius.
template <int N, typename Record>
int HitsRecord(double x, double y, int16_t radius, const Record& r) {
    if (r.state == kSlotFree || r.state >= kSlotEnding) return 0;
    for (int i = 0; i < N; ++i) {
        if (r.circleRadius[i] < 0) return 0;
        const double cx = PolarX(r.x, r.circleForward[i], r.circleSide[i], r.facing);
        const double cy = PolarY(r.y, r.circleForward[i], r.circleSide[i], r.facing);
        if (CirclesOverlap(x, y, radius, cx, cy, r.circleRadius[i])) return 1;
    }
    return 0;
}

}  // namespace

bool CirclesOverlap(double x1, double y1, int16_t r1, double x2, double y2, int16_t r2) {
    // 64 bits so that two large radii cannot overflow the product; touching is not overlapping.
    const int64_t s = int64_t(r1) + int64_t(r2);
    const double dx = x1 - x2;
    const double dy = y1 - y2;
    return double(s * s) > dx * dx + dy * dy;
}

int HitsEnemy(double x, double y, int16_t radius, const EnemyRecord& e) {
    return HitsRecord<8>(x, y, radius, e);
}

int HitsBullet(double x, double y, int16_t radius, const BulletRecord& b) {
    return HitsRecord<3>(x, y, radius, b);
}

int ShotHits(int shotSlot, const EnemyRecord& e) {
    if (shotSlot < 0 || shotSlot >= kShotSlots) return 0;
    const ShotSlot& s = ShotTable[shotSlot];
    if (!s.canHit) return 0;
    for (int i = 0; i < 2; ++i) {
        const double cx = PolarX(s.x, s.circleForward[i], s.circleSide[i], s.heading);
        const double cy = PolarY(s.y, s.circleForward[i], s.circleSide[i], s.heading);
        if (HitsEnemy(cx, cy, s.circleRadius[i], e)) return 1;
    }
    return 0;
}

bool InShipSector(double x, double y, int16_t limit) {
    const int16_t bearing = AngleTo(0, 0, x, y);
    return std::abs(AngleDiff(bearing, int16_t(gameState.shipAngle))) <= limit;
}

}  // namespace game
