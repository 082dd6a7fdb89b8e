// Circle overlap, probes against enemy and bullet records, shot circles and the ship's sector.
#include "game/geometry/collision.h"

#include <gtest/gtest.h>

#include "game/enemies/hits.h"
#include "game/enemies/pools.h"
#include "game/geometry/trig.h"
#include "game/player/shots.h"
#include "game/shell/reset_all.h"
#include "game/state.h"

namespace {

using namespace game;

class Collision : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAll();
        BuildTrigTables();
        ResetSlot(enemy);
        enemy.state = kSlotActive;
        enemy.x = 100;
        enemy.y = 0;
        const int16_t circles[3][3] = {{10, -7, 0}, {6, 0, -12}, {6, 0, 12}};
        for (int i = 0; i < 3; ++i) {
            enemy.circleRadius[i] = circles[i][0];
            enemy.circleForward[i] = circles[i][1];
            enemy.circleSide[i] = circles[i][2];
        }
    }
    EnemyRecord enemy{};
};

TEST_F(Collision, TouchingIsNotOverlapping) {
    struct Case {
        double x1, y1;
        int16_t r1;
        double x2, y2;
        int16_t r2;
        bool overlap;
    } cases[] = {
        {0, 0, 4, 10, 0, 6, false},
        {0, 0, 4, 9.99, 0, 6, true},
        {0, 0, 4, 6, 8, 6, false},  // 3-4-5 at exactly 10
        {0, 0, 4, 6, 7.99, 6, true},
        {0, 0, 0, 0, 0, 0, false},             // two points on one spot: 0 is not above 0
        {5, 5, -1, 5, 5, 2, true},             // the sum is what counts
        {0, 0, 32767, 65533, 0, 32767, true},  // no overflow of the squared sum
        {0, 0, 32767, 65534, 0, 32767, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CirclesOverlap(c.x1, c.y1, c.r1, c.x2, c.y2, c.r2), c.overlap) << c.x2 << " " << c.y2;
}

TEST_F(Collision, EnemyCirclesTurnWithTheFacing) {
    // At facing 0 the centres are (93, 0), (100, -12) and (100, 12): probes of radius 1 just inside each.
    EXPECT_EQ(HitsEnemy(93 - 10.5, 0, 1, enemy), 1);
    EXPECT_EQ(HitsEnemy(93 - 11, 0, 1, enemy), 0);
    EXPECT_EQ(HitsEnemy(100, -12 - 6.5, 1, enemy), 1);
    EXPECT_EQ(HitsEnemy(100, 12 + 6.5, 1, enemy), 1);
    EXPECT_EQ(HitsEnemy(100, 12 + 7, 1, enemy), 0);
    enemy.facing =
        256;  // forward is now +y: the first circle sits at (100, -7), the side ones at x 112 and 88
    EXPECT_EQ(HitsEnemy(100, -7 - 10.5, 1, enemy), 1);
    EXPECT_EQ(HitsEnemy(112 + 6.5, 0, 1, enemy), 1);
    EXPECT_EQ(HitsEnemy(100, -12 - 6.5, 1, enemy), 0);
}

TEST_F(Collision, OnlySpawnedAndActiveRecordsWithCirclesCanBeHit) {
    struct Case {
        int16_t state;
        int hit;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, 0}};
    for (const Case& c : cases) {
        enemy.state = c.state;
        EXPECT_EQ(HitsEnemy(100, 0, 4, enemy), c.hit) << c.state;
    }
    enemy.state = kSlotActive;
    enemy.circleRadius[1] = -1;  // the list ends here: circle 2 no longer counts
    EXPECT_EQ(HitsEnemy(100, 12, 1, enemy), 0);
    enemy.circleRadius[0] = -1;
    EXPECT_EQ(HitsEnemy(100, 0, 100, enemy), 0);
}

TEST_F(Collision, BulletsCarryThreeCircles) {
    BulletRecord b{};
    ResetSlot(b);
    b.x = -50;
    b.y = 20;
    b.facing = 512;
    b.circleRadius[0] = 3;
    b.circleRadius[1] = 3;
    b.circleForward[1] = 10;                  // forward along 512 is -x
    EXPECT_EQ(HitsBullet(-60, 20, 1, b), 0);  // still free
    b.state = kSlotActive;
    EXPECT_EQ(HitsBullet(-60, 20, 1, b), 1);
    EXPECT_EQ(HitsBullet(-40, 20, 1, b), 0);
    b.state = kSlotEnding;
    EXPECT_EQ(HitsBullet(-50, 20, 1, b), 0);
}

TEST_F(Collision, ShotsTestTheirTwoCirclesAlongTheirHeading) {
    ResetShots();
    SpawnShot(0, 0, 120, 0, 512 + 1024);  // heading reduced to 512
    SetShotCircle(0, 0, 4, -8, 0);
    SetShotCircle(0, 1, 4, 8, 0);
    EnemyRecord target{};
    ResetSlot(target);
    target.state = kSlotActive;
    target.circleRadius[0] = 2;
    target.x = 120 - 8 - 5.5;  // the front circle, 8 along heading 512, i.e. at x 112
    EXPECT_EQ(ShotHits(0, target), 1);
    target.x = 120 + 8 + 6;  // the rear circle's reach ends at 6
    EXPECT_EQ(ShotHits(0, target), 0);
    target.x = 120 + 8 + 5.5;
    EXPECT_EQ(ShotHits(0, target), 1);
    ShotTable[0].canHit = 0;
    EXPECT_EQ(ShotHits(0, target), 0);
    EXPECT_EQ(ShotHits(-1, target), 0);
    EXPECT_EQ(ShotHits(kShotSlots, target), 0);
}

TEST_F(Collision, InShipSectorMeasuresTheBearingFromTheCentre) {
    gameState.shipAngle = 256;
    EXPECT_FALSE(InShipSector(0, 120, 1));  // the bearing is 254: AngleTo takes dx = 1
    EXPECT_TRUE(InShipSector(0, 120, 2));
    gameState.shipAngle = 1000;
    EXPECT_TRUE(InShipSector(100, -10, 30));  // across angle 0
    EXPECT_FALSE(InShipSector(100, -10, 5));
    EXPECT_FALSE(InShipSector(-100, 0, 256));
}

}  // namespace
