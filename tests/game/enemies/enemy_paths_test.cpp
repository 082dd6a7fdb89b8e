// One enemy of each family left alone: its course, its first bullet and the frame it is gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "enemy_fixture.h"
#include "game/enemies/enemy_update.h"
#include "game/enemies/spawn_schedule.h"
#include "game/services/game_random.h"

namespace {

using namespace game;
using enemytest::EnemyFixture;

class EnemyPaths : public EnemyFixture {};

struct Point {
    int frame;
    double x, y;
    int facing;
};

struct Path {
    std::string name;
    int kind;
    int param1;                 // lane 0 and hold radius 260; the carrier: lane 5, item 1
    std::vector<Point> points;  // on frames 1, 60, 300, three frames into a dive, 30 frames before the end
    int firstBulletFrame;       // -1: the family never fires
    int firstBulletAngle;
    int bulletKind;
    int goneFrame;
};

// The numbers were worked out from the rules of motion, not read off this code. Loop 3: dwell 320 frames,
// fire hold 362 frames, ScaleInterval(96) = 69, ScaleSpeed(4.0) = 64 / 21. Frame n is the n-th update from
// the spawn at column 0, fireClock starting at 0, the game's random numbers from seed 7, the ship at angle 0.
const std::vector<Path> kPaths = {
    {"drifter",
     0,
     80,
     {{1, 511.000000000, 0.000000000, 512},
      {60, 460.312008147, -56.774071157, 492},
      {300, 269.327336309, -36.579036572, 490},
      {960, 35.300623948, -3.476807992, 496}},
     415,
     504,
     1,
     990},
    {"circler",
     2,
     80,
     {{1, 510.913427298, -9.405838982, 509},
      {60, 197.918907314, -393.197337386, 333},
      {300, 181.930867237, 173.212584838, 635},
      {959, 31.916226380, 16.311496001, 589}},
     415,
     292,
     1,
     989},
    {"gunner",
     10,
     80,
     {{1, 510.990380569, -3.135437056, 511},
      {60, 432.763035567, -80.574158678, 482},
      {300, 152.104373601, -199.914230438, 363},
      {2108, 25.499762559, 25.188737912, 638}},
     466,
     280,
     1,
     2138},
    {"item carrier",
     14,
     21,
     {{1, -510.961522640, -6.270756064, 0},
      {60, -326.166685381, -295.620251924, 118},
      {300, 353.384187320, 211.810330608, 598},
      {797, 457.046502209, 169.888948490, 568}},
     -1,
     -1,
     -1,
     827},
    {"hunter",
     4,
     80,
     {{1, 506.200000000, 0.000000000, 512},
      {60, 359.233799479, 55.888138531, 549},
      {300, 367.390954063, -23.822214124, 497},
      {644, 389.940901373, -9.894283315, 541},
      {1186, 35.631601989, -2.933164324, 499}},
     369,
     519,
     1,
     1216},
    {"rammer",
     6,
     80,
     {{1, 510.314285714, 0.000000000, 512},
      {60, 469.857142857, 0.000000000, 512},
      {300, 305.285714286, 0.000000000, 512},
      {693, 35.800000000, 0.000000000, 512}},
     -1,
     -1,
     -1,
     723},
    {"dasher",
     8,
     80,
     {{1, 505.006913559, -1.737962862, 512},
      {60, 363.346294604, -47.078593181, 481},
      {300, 194.252057285, 26.210861028, 567},
      {660, 323.476681906, 24.075664569, 499},
      {1134, 35.249081105, 5.451559468, 537}},
     376,
     510,
     1,
     1164},
    {"spray dasher",
     13,
     80,
     {{1, 504.968496338, -1.749103649, 512},
      {60, 350.147096608, -46.646477578, 480},
      {300, 210.656073711, -109.505482750, 370},
      {644, 129.400622041, -313.152940201, 229},
      {1139, 11.197038188, -33.894024447, 308}},
     384,
     257,
     3,
     1169},
};

TEST_F(EnemyPaths, EachFamilyFliesItsCourseFiresAndEnds) {
    SetLoop(3);
    for (const Path& path : kPaths) {
        SCOPED_TRACE(path.name);
        ResetEnemyPool();
        ResetBulletPool();
        gameState.bunnyHealth = 5;
        EnemyRecord& e = *SpawnFromMap(path.kind, path.param1, 0, 0);
        e.fireClock = 0;
        SeedGameRandom(7);
        size_t next = 0;
        int firstBullet = -1, gone = -1;
        for (int frame = 1; frame <= 4000 && gone < 0; ++frame) {
            UpdateEnemy(e);
            if (firstBullet < 0 && CountBullets() > 0) {
                firstBullet = frame;
                EXPECT_EQ(BulletPool[0].heading, path.firstBulletAngle);
                EXPECT_EQ(BulletPool[0].kind, path.bulletKind);
                const double base = path.kind == 10 ? 2.8 : path.kind == 13 ? 2.4 : 4.0;
                EXPECT_NEAR(BulletPool[0].speed, base * 16 / 21, 1e-12);
            }
            if (next < path.points.size() && path.points[next].frame == frame) {
                EXPECT_NEAR(e.x, path.points[next].x, 1e-6) << "frame " << frame;
                EXPECT_NEAR(e.y, path.points[next].y, 1e-6) << "frame " << frame;
                EXPECT_EQ(e.facing, path.points[next].facing) << "frame " << frame;
                ++next;
            }
            if (e.state == kSlotFree) gone = frame;
        }
        EXPECT_EQ(next, path.points.size());
        EXPECT_EQ(firstBullet, path.firstBulletFrame);
        EXPECT_EQ(gone, path.goneFrame);
        // Every family but the carrier ends on the bunny; the carrier leaves the field.
        EXPECT_EQ(gameState.bunnyHealth, path.kind == 14 ? 5 : 4);
    }
}

// While it dashes, the spray dasher turns its guns toward the ship by at most 8 a frame.
TEST_F(EnemyPaths, SprayDasherTurnsItsAimEightAFrame) {
    SetLoop(3);
    EnemyRecord& e = *SpawnFromMap(13, 5 * 16, 0, 0);
    UpdateEnemy(e);
    for (int turn : {200, -200}) {
        SCOPED_TRACE(turn);
        const int32_t aim = e.facing;
        e.facing = (aim + turn + 1024) % 1024;
        UpdateEnemy(e);
        const int step = turn > 0 ? -8 : 8;
        EXPECT_EQ(e.facing, (aim + turn + step + 1024) % 1024);
        e.facing = aim;
    }
}

}  // namespace
