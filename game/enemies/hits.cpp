// Hit tests: probe circles against enemy and bullet records, and a shot's two circles against an enemy.
#include "game/enemies/hits.h"

#include "game/geometry/collision.h"
#include "game/geometry/trig.h"
#include "game/player/shots.h"

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

}  // namespace game
