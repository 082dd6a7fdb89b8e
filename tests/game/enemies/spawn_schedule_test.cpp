// The spawn schedule: the rhythm of rows, hurrying through an empty field, waiting while the player is down.
#include "game/enemies/spawn_schedule.h"

#include <gtest/gtest.h>

#include <vector>

#include "enemy_fixture.h"
#include "game/stage/stage_loader.h"

namespace {

using namespace game;
using enemytest::EnemyFixture;

class SpawnSchedule : public EnemyFixture {
protected:
    void SetUp() override {
        EnemyFixture::SetUp();
        for (auto& row : SpawnKindTable)
            for (int32_t& cell : row) cell = -1;
        GameState& gs = gameState;
        gs.mapWidth = 32;
        gs.mapHeight = 20;
        gs.mapRow = 0;
        gs.lastSpawnedRow = -1;
        gs.frameCount = 0;
    }

    // One frame as the stage runs it: the enemy pass counts (enemies never move here), then the step.
    static void Frame() {
        GameState& gs = gameState;
        gs.frameCount += 1;
        gs.enemyCount = int16_t(CountEnemies());
        ScheduleStep();
    }

    // The frames on which mapRow moved, up to `frames` frames.
    static std::vector<int> RowFrames(int frames) {
        std::vector<int> when;
        for (int i = 0; i < frames; ++i) {
            const int16_t before = gameState.mapRow;
            Frame();
            if (gameState.mapRow != before) when.push_back(gameState.frameCount);
        }
        return when;
    }
};

TEST_F(SpawnSchedule, EmptyFieldHurriesUntilARowBringsEnemies) {
    SpawnKindTable[5][3] = 0;
    const std::vector<int> when = RowFrames(200);
    ASSERT_GE(when.size(), 6u);
    // Rows 1 and 2 at 64 and 128; past row 1 with an empty field a row a frame, until row 5 fills it.
    EXPECT_EQ(std::vector<int>(when.begin(), when.begin() + 6),
              (std::vector<int>{64, 128, 129, 130, 131, 192}));
    EXPECT_EQ(CountEnemies(0), 1);
    const EnemyRecord& e = EnemyPool[0];
    EXPECT_EQ(e.entryAngle, 96);
    EXPECT_EQ(e.heading, 608);
    EXPECT_NEAR(Distance(e.x, e.y, 0, 0), 480, 1e-9);
    EXPECT_EQ(e.offFieldMargin, -1.0);
}

TEST_F(SpawnSchedule, FullPoolDropsTheLaterColumns) {
    for (int c = 0; c < 20; ++c) {
        SpawnKindTable[1][c] = 2;
        SpawnParamTable1[1][c] = c;
        SpawnParamTable2[1][c] = -1;
    }
    for (int i = 0; i < kPoolSize - 12; ++i) SpawnEnemyAt(0, 300, 0, 0);
    RowFrames(64);
    EXPECT_EQ(gameState.mapRow, 1);
    EXPECT_EQ(CountEnemies(2), 12);
    EXPECT_EQ(EnemyPool[kPoolSize - 1].mapParam1, 11) << "columns in increasing order";
    EXPECT_EQ(EnemyPool[kPoolSize - 1].entryAngle, 11 * 32);
}

TEST_F(SpawnSchedule, OneRowMapPassesRowZeroInNormalPlay) {
    gameState.mapHeight = 1;
    SpawnKindTable[0][0] = 0;
    RowFrames(63);
    EXPECT_EQ(gameState.mapRow, 0);
    RowFrames(1);
    EXPECT_EQ(gameState.mapRow, 1);
    EXPECT_EQ(CountEnemies(), 0) << "row 0 is never spawned in normal play";
    // ... but it is when the player is down at the first step.
    gameState.mapRow = 0;
    gameState.lastSpawnedRow = -1;
    gameState.frameCount = 0;
    gameState.respawnTimer = 100;
    RowFrames(64);
    EXPECT_EQ(gameState.mapRow, 0);
    EXPECT_EQ(CountEnemies(0), 1);
}

TEST_F(SpawnSchedule, WaitsWhileThePlayerIsDown) {
    SpawnKindTable[5][0] = 0;
    for (int r = 0; r < 20; ++r) SpawnKindTable[r][1] = 0;
    RowFrames(5 * 64);
    ASSERT_EQ(gameState.mapRow, 5);
    gameState.respawnTimer = 50;
    RowFrames(200);
    EXPECT_EQ(gameState.mapRow, 5);
    EXPECT_EQ(CountEnemies(), 6) << "row 5 was not spawned twice";
    gameState.respawnTimer = 0;
    const std::vector<int> when = RowFrames(64);
    ASSERT_EQ(when.size(), 1u);
    EXPECT_EQ(when[0], 9 * 64);
}

TEST_F(SpawnSchedule, RowCounterNeverWrapsAndBadKindsAreRefused) {
    gameState.mapRow = INT16_MAX - 1;
    gameState.lastSpawnedRow = INT16_MAX - 2;
    SpawnEnemyAt(0, 300, 0, 0);  // keeps the field busy
    RowFrames(3 * 64);
    EXPECT_EQ(gameState.mapRow, INT16_MAX);
    EXPECT_EQ(SpawnFromMap(20, 0, 0, 0), nullptr);
    EXPECT_EQ(SpawnFromMap(-1, 0, 0, 0), nullptr);
    EXPECT_NE(SpawnFromMap(19, 0, 0, 0), nullptr);
}

}  // namespace
