// The bosses: entry far outside, the orbit of boss 1, and leaving after 8000 frames without score.
#include <gtest/gtest.h>

#include <set>

#include "enemy_fixture.h"
#include "game/enemies/enemy_update.h"
#include "game/enemies/spawn_schedule.h"

namespace {

using namespace game;
using enemytest::EnemyFixture;

class Bosses : public EnemyFixture {};

TEST_F(Bosses, LeaveAfter8000FramesWithoutScore) {
    for (int kind : {16, 17, 18, 19}) {
        SCOPED_TRACE(kind);
        ResetEnemyPool();
        gameState.score = 0;
        EnemyRecord& boss = *SpawnFromMap(kind, 0, 0, 16 * 32);
        int32_t lastAge = 0;
        bool removedEarly = false;
        for (int frame = 0; frame < 12000 && boss.state != kSlotFree; ++frame) {
            lastAge = boss.age;
            UpdateEnemy(boss);
            if (boss.state == kSlotFree && lastAge < 8000) removedEarly = true;
        }
        EXPECT_FALSE(removedEarly) << "a hunting boss is never removed for being far out";
        EXPECT_EQ(boss.state, kSlotFree);
        EXPECT_GE(lastAge, 8000);
        EXPECT_EQ(gameState.score, 0);
    }
}

TEST_F(Bosses, BossOneOrbitsFromAge640AndResumesHunting) {
    EnemyRecord& boss = *SpawnFromMap(16, 0, 0, 0);
    std::set<int32_t> phases;
    int32_t orbitStart = -1, orbitEnd = -1;
    for (int frame = 0; frame < 1400; ++frame) {
        const int32_t age = boss.age;
        UpdateEnemy(boss);
        phases.insert(boss.mapParam1);
        if (boss.mapParam1 == 400 && orbitStart < 0) orbitStart = age;
        if (orbitStart >= 0 && orbitEnd < 0 && boss.mapParam1 == 0) orbitEnd = age;
    }
    EXPECT_EQ(orbitStart, 640);
    EXPECT_TRUE(phases.count(399) && phases.count(2) && phases.count(1));
    ASSERT_GT(orbitEnd, 640 + 398);
    EXPECT_LT(orbitEnd, 640 + 48 + 398 + 80);
    EXPECT_EQ(boss.state, kSlotActive);
}

TEST_F(Bosses, ShotDownBossScoresItsHitPoints) {
    EnemyRecord& boss = *SpawnFromMap(18, 0, 0, 0);
    UpdateEnemy(boss);
    DamageEnemy(boss, 4399);
    EXPECT_EQ(boss.state, kSlotActive);
    DamageEnemy(boss, 1);
    EXPECT_EQ(gameState.score, 4400);
    UpdateEnemy(boss);
    EXPECT_EQ(boss.state, kSlotFree);
    EXPECT_EQ(CountEnemies(), 0);
}

}  // namespace
