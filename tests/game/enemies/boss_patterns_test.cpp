// The bosses' volleys in loop 0 and loop 8, their orbits, entry, leave at age 8000 and death.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "enemy_fixture.h"
#include "game/effects/effects.h"
#include "game/enemies/enemy_update.h"
#include "game/enemies/spawn_schedule.h"
#include "game/services/game_random.h"
#include "game/services/sound_control.h"

namespace {

using namespace game;
using enemytest::EnemyFixture;

class BossPatterns : public EnemyFixture {};

// Every angle and frame count here was worked out from the firing and steering rules, not from this
// code: for a volley the boss is held still at (400, 0), facing the bunny (512), the ship at angle 0.
struct Shot {
    int kind;
    int angle;
    double speed;  // before the loop's scaling
};

// Speed scaling of loops 0 and 8 as the difficulty rules give it.
double Scaled(double v, int loop) { return loop == 0 ? v * 16 / 24 : (loop + 29) * v / 42; }

struct Volley {
    std::string name;
    int kind;
    int fireClock[2];  // loop 0, loop 8
    std::function<void(EnemyRecord&)> setUp;
    std::vector<Shot> shots;
};

// Boss 4's ring: eight at facing + 128k from each of two muzzles, then eight at facing + 64 + 128k.
std::vector<Shot> BossFourRing() {
    std::vector<Shot> shots;
    for (int k = 0; k < 8; ++k) {
        shots.push_back({3, (512 + 128 * k) % 1024, 2.4});
        shots.push_back({3, (512 + 128 * k) % 1024, 4.8});
        shots.push_back({3, (576 + 128 * k) % 1024, 1.6});
        shots.push_back({3, (576 + 128 * k) % 1024, 3.2});
    }
    return shots;
}

std::vector<Shot> BossOneRing() {
    std::vector<Shot> shots;
    for (int k = 0; k < 8; ++k) shots.push_back({4, (512 + 128 * k) % 1024, 4.8});
    return shots;
}

// The random angles use seed 12345: the first values modulo 97, less 48, are -30, 7, -39, 42, -40, -20.
const std::vector<Volley> kVolleys = {
    {"boss 1 fans: aimed 523 and 501 from the two side guns, 32 either way",
     16,
     {0, 0},
     [](EnemyRecord&) {},
     {{0, 469, 4.8}, {0, 491, 4.8}, {0, 501, 4.8}, {0, 523, 4.8}, {0, 533, 4.8}, {0, 555, 4.8}}},
    {"boss 1 ring of homing bullets", 16, {0, 0}, [](EnemyRecord& e) { e.aux4 = 2; }, BossOneRing()},
    {"boss 1 orbit guns at the bunny",
     16,
     {0, 0},
     [](EnemyRecord& e) {
         e.mapParam1 = 200;
         e.aux2 = 4;
         e.auxR1 = 400;
         e.heading = 0;
     },
     {{1, 512, 6.4}, {1, 512, 6.4}}},
    {"boss 2 twin gun", 17, {0, 0}, [](EnemyRecord&) {}, {{2, 500, 4.4}, {2, 524, 4.4}}},
    {"boss 2 spray",
     17,
     {40, 4},
     [](EnemyRecord& e) {
         e.aux3 = 1;
         e.auxR3 = 5.6;
     },
     {{3, 482, 5.6}}},
    {"boss 3 fans of five",
     18,
     {0, 0},
     [](EnemyRecord&) {},
     {{0, 434, 5.2},
      {0, 462, 5.2},
      {0, 466, 2.6},
      {0, 494, 2.6},
      {0, 498, 5.2},
      {0, 526, 5.2},
      {0, 530, 2.6},
      {0, 558, 2.6},
      {0, 562, 5.2},
      {0, 590, 5.2}}},
    {"boss 3 bomb and scatter",
     18,
     {0, 0},
     [](EnemyRecord& e) { e.aux4 = 2; },
     {{5, 512, 6.4},
      {3, 482, 3.2},
      {3, 519, 3.2},
      {3, 473, 2.4},
      {3, 554, 2.4},
      {3, 472, 1.6},
      {3, 492, 1.6}}},
    {"boss 3 orbit scatter",
     18,
     {0, 0},
     [](EnemyRecord& e) {
         e.mapParam1 = 200;
         e.aux2 = 2;
         e.auxR1 = 400;
         e.heading = 0;
     },
     {{3, 482, 3.2}, {3, 519, 3.2}, {3, 473, 2.4}, {3, 554, 2.4}, {3, 472, 1.6}, {3, 492, 1.6}}},
    {"boss 4 ring", 19, {0, 0}, [](EnemyRecord&) {}, BossFourRing()},
    {"boss 4 sweep at offset 64",
     19,
     {30, 3},
     [](EnemyRecord& e) {
         e.aux3 = 3;
         e.auxR3 = 64;
     },
     {{2, 439, 5.6}, {2, 571, 5.6}}},
};

TEST_F(BossPatterns, VolleysInLoopZeroAndALateLoop) {
    for (const int loop : {0, 8}) {
        SetLoop(loop);
        for (const Volley& v : kVolleys) {
            SCOPED_TRACE(v.name + ", loop " + std::to_string(loop));
            ResetEnemyPool();
            EnemyRecord& boss = *SpawnFromMap(v.kind, 0, 0, 0);
            UpdateEnemy(boss);
            ResetBulletPool();
            boss.x = 400;
            boss.y = 0;
            boss.speed = 0;  // holds it still through this frame's step
            boss.heading = boss.facing = 512;
            boss.age = 101;
            boss.fireClock = v.fireClock[loop == 0 ? 0 : 1];
            v.setUp(boss);
            SeedGameRandom(12345);
            UpdateEnemy(boss);

            std::vector<std::tuple<int, int, double>> got, want;
            for (const BulletRecord& b : BulletPool)
                if (b.state != kSlotFree) got.emplace_back(b.kind, b.heading, b.speed);
            for (const Shot& s : v.shots) want.emplace_back(s.kind, s.angle, Scaled(s.speed, loop));
            std::sort(got.begin(), got.end());
            std::sort(want.begin(), want.end());
            ASSERT_EQ(got.size(), want.size());
            for (size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(std::get<0>(got[i]), std::get<0>(want[i])) << i;
                EXPECT_EQ(std::get<1>(got[i]), std::get<1>(want[i])) << i;
                EXPECT_NEAR(std::get<2>(got[i]), std::get<2>(want[i]), 1e-9) << i;
            }
        }
    }
}

TEST_F(BossPatterns, SprayAndSweepStepTheirSpeedAndOffset) {
    SetLoop(0);
    EnemyRecord& two = *SpawnFromMap(17, 0, 0, 0);
    UpdateEnemy(two);
    two.aux3 = 1;
    two.auxR3 = 5.6;
    two.fireClock = 40;
    UpdateEnemy(two);
    EXPECT_EQ(two.aux3, 2);
    EXPECT_NEAR(two.auxR3, 5.2, 1e-9);

    EnemyRecord& four = *SpawnFromMap(19, 0, 0, 0);
    UpdateEnemy(four);
    four.aux3 = 6;
    four.auxR3 = 128;
    four.fireClock = 30;
    UpdateEnemy(four);
    EXPECT_EQ(four.aux3, 7);
    EXPECT_EQ(four.auxR3, 96) << "past the sixth step the streams close again";
}

TEST_F(BossPatterns, EntryFarOutWithTheBossTrack) {
    struct Entry {
        int kind;
        double x, y;  // after the first update: entry radius 480 + M - 1, then one step at speed 4.8
        int heading;
    };
    const Entry entries[] = {{16, 634.2231133119735, -0.470482273582069, 528},
                             {17, 730.2231133119735, -0.470482273582069, 528},
                             {18, 666.2, 0.0, 512},
                             {19, 634.2231133119735, -0.470482273582069, 528}};
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.kind);
        ResetEnemyPool();
        currentTrack = 0;
        EnemyRecord& boss = *SpawnFromMap(entry.kind, 0, 0, 0);
        UpdateEnemy(boss);
        EXPECT_NEAR(boss.x, entry.x, 1e-9);
        EXPECT_NEAR(boss.y, entry.y, 1e-9);
        EXPECT_EQ(boss.heading, entry.heading);
        EXPECT_EQ(boss.age, 2);
        EXPECT_EQ(boss.fireHold, 0);
        EXPECT_EQ(boss.offFieldMargin, -1.0);
        EXPECT_EQ(currentTrack, 1);
    }
}

TEST_F(BossPatterns, OrbitsTheBunnyAtUpToFourOrTwoUnitsAFrame) {
    struct Orbit {
        int kind;
        struct {
            int frame;
            double x, y;
            int rate;
        } points[3];
    };
    // From phase 399 at polar angle 0 and radius 400, rate 1 at age 100: the rate steps every 16
    // frames toward 4 (boss 1) or 2 (boss 3) while the radius drifts to 340 by 0.5 a frame.
    const Orbit orbits[] = {
        {16,
         {{16, 389.05197756269433, 47.984984678092836, 2},
          {60, 213.04903082460274, 302.50638086608603, 4},
          {120, -257.45100781220714, 222.07876660428133, 4}}},
        {18,
         {{16, 389.05197756269433, 47.984984678092836, 2},
          {60, 291.68817822184405, 227.63568851483228, 2},
          {120, 58.12704217850284, 334.99439841223995, 2}}},
    };
    for (const Orbit& orbit : orbits) {
        SCOPED_TRACE(orbit.kind);
        ResetEnemyPool();
        EnemyRecord& boss = *SpawnFromMap(orbit.kind, 0, 0, 0);
        UpdateEnemy(boss);
        boss.mapParam1 = 399;
        boss.heading = 0;
        boss.auxR1 = 400;
        boss.aux2 = 1;
        boss.age = 100;
        int next = 0;
        for (int frame = 1; frame <= 120; ++frame) {
            UpdateEnemy(boss);
            if (frame != orbit.points[next].frame) continue;
            EXPECT_NEAR(boss.x, orbit.points[next].x, 1e-9) << frame;
            EXPECT_NEAR(boss.y, orbit.points[next].y, 1e-9) << frame;
            EXPECT_EQ(boss.aux2, orbit.points[next].rate) << frame;
            ++next;
        }
        EXPECT_EQ(boss.mapParam1, 279);
    }
}

TEST_F(BossPatterns, LeavesFromAge8000AndIsGoneBeyondItsMargin) {
    struct Leave {
        int kind;
        double margin;
        int frames;  // updates from age 8000 at (400, 0) until it is removed
    };
    for (const Leave& leave :
         {Leave{16, 160, 229}, Leave{17, 256, 275}, Leave{18, 192, 247}, Leave{19, 160, 229}}) {
        SCOPED_TRACE(leave.kind);
        ResetEnemyPool();
        ResetBulletPool();
        gameState.score = 0;
        EnemyRecord& boss = *SpawnFromMap(leave.kind, 0, 0, 0);
        UpdateEnemy(boss);
        boss.x = 400;
        boss.y = 0;
        boss.speed = 0;
        boss.heading = boss.facing = 512;
        boss.age = 7999;
        UpdateEnemy(boss);
        EXPECT_EQ(boss.offFieldMargin, -1.0) << "still hunting at age 7999";
        boss.x = 400;
        boss.y = 0;
        boss.speed = 0;
        boss.heading = boss.facing = 512;
        boss.mapParam1 = 0;
        if (leave.kind == 17) boss.aux2 = 1;  // a twin burst under way finishes while it leaves
        boss.fireClock = 0;
        int frames = 0;
        while (boss.state != kSlotFree && frames < 1000) {
            UpdateEnemy(boss);
            ++frames;
            if (frames == 1) {
                EXPECT_EQ(boss.offFieldMargin, leave.margin);
                EXPECT_EQ(boss.heading, 504) << "turning away from the centre by 8";
                EXPECT_EQ(CountBullets(), leave.kind == 17 ? 2 : 0);
            }
        }
        EXPECT_EQ(frames, leave.frames);
        EXPECT_EQ(gameState.score, 0);
    }
}

TEST_F(BossPatterns, ShotDownEachBossScoresItsHitPointsAndBurstsOnScreen) {
    struct Death {
        int kind;
        int points;
    };
    for (const Death d : {Death{16, 3600}, Death{17, 3800}, Death{18, 4400}, Death{19, 3600}}) {
        for (const bool onScreen : {true, false}) {
            SCOPED_TRACE(std::to_string(d.kind) + (onScreen ? " on screen" : " off screen"));
            ResetEnemyPool();
            ClearEffects();
            for (uint8_t& r : SoundRequests) r = 0;
            for (int16_t& c : SoundCooldowns) c = 0;
            gameState.score = 0;
            EnemyRecord& boss = *SpawnFromMap(d.kind, 0, 0, 0);
            UpdateEnemy(boss);
            boss.x = onScreen ? 400 : -700;
            boss.y = 0;
            DamageEnemy(boss, d.points - 1);
            EXPECT_EQ(boss.state, kSlotActive);
            DamageEnemy(boss, 1);
            EXPECT_EQ(gameState.score, d.points);
            UpdateEnemy(boss);
            EXPECT_EQ(boss.state, kSlotFree);
            EXPECT_EQ(SoundRequests[6], 1);
            EXPECT_EQ(SoundRequests[5], 0);
            int effects = 0;
            for (const EffectSlot& slot : EffectPool)
                if (slot.state != 0) ++effects;
            if (onScreen)
                EXPECT_GT(effects, 0);
            else
                EXPECT_EQ(effects, 0);
        }
    }
}

}  // namespace
