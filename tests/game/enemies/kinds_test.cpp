// The enemy kinds: their first update, the rammers' thinning in loop 0, carriers, and the dive at the bunny.
#include <gtest/gtest.h>

#include <vector>

#include "enemy_fixture.h"
#include "game/enemies/enemy_update.h"
#include "game/enemies/spawn_schedule.h"
#include "game/player/items.h"
#include "game/services/game_random.h"

namespace {

using namespace game;
using enemytest::EnemyFixture;

class EnemyKinds : public EnemyFixture {};

// The next GameRandom value, without drawing it.
int PeekRandom() {
    const uint32_t state = GameRandomState();
    const int r = GameRandom();
    SeedGameRandom(state);
    return r;
}

TEST_F(EnemyKinds, FirstUpdateSetsHitPointsCirclesAndEntry) {
    struct Row {
        int kind;
        int hp;
        int circles;
        int16_t firstRadius;
        double startRadius;  // distance from the centre after the first update's move
    };
    const std::vector<Row> rows = {
        {0, 30, 3, 10, 511},    {1, 60, 3, 16, 511},    {2, 30, 3, 13, 511},    {3, 60, 3, 10, 511},
        {4, 30, 1, 11, 511},    {5, 60, 1, 20, 511},    {6, 30, 1, 12, 511},    {7, 60, 1, 22, 511},
        {8, 30, 1, 13, 511},    {9, 60, 1, 22, 511},    {10, 30, 1, 11, 511},   {11, 60, 1, 22, 511},
        {12, 120, 3, 20, 511},  {13, 120, 3, 19, 511},  {14, 30, 2, 10, 511},   {15, 30, 2, 10, 511},
        {16, 3600, 3, 55, 639}, {17, 3800, 3, 64, 735}, {18, 4400, 3, 90, 671}, {19, 3600, 1, 55, 639},
    };
    SetLoop(1);  // every rammer flies from loop 1 on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        ResetEnemyPool();
        EnemyRecord& e = *SpawnFromMap(row.kind, 5 * 16 + 5, 0, 8 * 32);
        UpdateEnemy(e);
        ASSERT_EQ(e.state, kSlotActive);
        EXPECT_EQ(e.hp, row.hp);
        EXPECT_EQ(e.scoreValue, row.hp);
        EXPECT_EQ(e.circleRadius[0], row.firstRadius);
        EXPECT_GE(e.circleRadius[row.circles - 1], 0);
        if (row.circles < 8) {
            EXPECT_LT(e.circleRadius[row.circles], 0);
        }
        EXPECT_EQ(e.age, row.kind >= 16 ? 2 : 1) << "a boss starts at age 1";
        // Each kind has made its first move already; it started on its own entry radius.
        EXPECT_NEAR(Distance(e.x, e.y, 0, 0), row.startRadius, 12.0);
        if (row.kind >= 16) {
            EXPECT_EQ(e.fireHold, 0) << "a boss may fire at once";
            EXPECT_EQ(e.offFieldMargin, -1.0) << "a hunting boss is never removed";
        }
    }
}

TEST_F(EnemyKinds, LoopZeroThinsOutRammers) {
    SetLoop(0);
    int removed = 0, broken = 0;
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE(trial);
        ResetEnemyPool();
        const int kind = trial % 2 == 0 ? 6 : 7;
        EnemyRecord& e = *SpawnFromMap(kind, 0, 0, 0);
        const bool even = PeekRandom() % 2 == 0;
        UpdateEnemy(e);
        if (even) {
            EXPECT_EQ(e.state, kSlotFree);
            EXPECT_EQ(CountEnemies(), 0);
            ++removed;
        } else if (kind == 6) {
            EXPECT_EQ(e.state, kSlotActive);
        } else {
            // A split rammer breaks up on the spot into three rammers flying on.
            EXPECT_EQ(e.state, kSlotFree);
            EXPECT_EQ(CountEnemies(6), 3);
            EXPECT_EQ(EnemyPool[1].heading, 512);
            EXPECT_EQ(EnemyPool[1].mapParam1, -1);
            ++broken;
        }
    }
    EXPECT_GT(removed, 0);
    EXPECT_GT(broken, 0);
}

TEST_F(EnemyKinds, SplitRammerReleasesRammersOnlyAwayFromTheCentre) {
    SetLoop(1);
    for (double distance : {10.0, 200.0}) {
        SCOPED_TRACE(distance);
        ResetEnemyPool();
        EnemyRecord& e = *SpawnEnemyAt(7, distance, 0, 512);
        UpdateEnemy(e);
        e.state = kSlotEnding;
        UpdateEnemy(e);
        EXPECT_EQ(e.state, kSlotFree);
        EXPECT_EQ(CountEnemies(6), distance > 16 ? 3 : 0);
    }
    // A full pool drops them one by one.
    ResetEnemyPool();
    EnemyRecord& e = *SpawnEnemyAt(7, 200, 0, 512);
    UpdateEnemy(e);
    for (int i = 1; i < kPoolSize - 1; ++i) SpawnEnemyAt(0, 300, 0, 0);
    e.state = kSlotEnding;
    UpdateEnemy(e);
    EXPECT_EQ(CountEnemies(6), 1);
}

TEST_F(EnemyKinds, CarrierShowsAndCarriesItsLanesItem) {
    struct Case {
        int lane;
        int item;
    };
    // Lanes outside 2..12 (custom maps) carry item 0, whose pictures they show.
    for (const Case c :
         {Case{5, 1}, Case{2, 0}, Case{12, 4}, Case{0, 0}, Case{1, 0}, Case{13, 0}, Case{15, 0}}) {
        SCOPED_TRACE(c.lane);
        ResetEnemyPool();
        ResetItemPool();
        EnemyRecord& e = *SpawnFromMap(14, 16 + c.lane, 0, 0);
        UpdateEnemy(e);
        EXPECT_EQ(e.itemKind, c.item);
        const int base = c.item * 2;
        EXPECT_TRUE(e.frame == base || e.frame == base + 1);
        // Shot down, it drops the item its pictures showed.
        DamageEnemy(e, e.hp);
        int dropped = 0;
        for (const ItemRecord& item : ItemPool)
            if (item.state != kSlotFree) {
                ++dropped;
                EXPECT_EQ(item.kind, c.item);
            }
        EXPECT_EQ(dropped, 1);
        // It enters opposite its column.
        EXPECT_LT(e.x, -500);
    }
}

// Bursts once begun: the hunter's four shots go one way, the spread hunter's three fan out, the
// gunner's seven come five frames apart.
TEST_F(EnemyKinds, BurstsFireTheirFullCount) {
    struct Case {
        int kind;
        int frames;
        int bullets;
        int spread;  // heading difference between the first two bullets
    };
    for (const Case c : {Case{4, 16, 4, 0}, Case{5, 16, 4, 0}, Case{12, 3, 3, 32}, Case{10, 40, 7, -1}}) {
        SCOPED_TRACE(c.kind);
        ResetEnemyPool();
        ResetBulletPool();
        EnemyRecord& e = *SpawnFromMap(c.kind, 5 * 16, 0, 8 * 32);
        UpdateEnemy(e);
        if (c.kind == 10)
            e.aux3 = 1;
        else
            e.aux4 = 1;
        for (int i = 0; i < c.frames; ++i) UpdateEnemy(e);
        EXPECT_EQ(CountBullets(), c.bullets);
        EXPECT_EQ(c.kind == 10 ? e.aux3 : e.aux4, 0) << "the burst is over";
        if (c.spread >= 0) {
            EXPECT_EQ(BulletPool[1].heading - BulletPool[0].heading, c.spread);
            EXPECT_EQ(BulletPool[c.bullets - 1].heading - BulletPool[0].heading, 2 * c.spread);
        }
    }
}

// An enemy left alone ends on the bunny: the straight-line divers and the drifter.
TEST_F(EnemyKinds, LeftAloneTheyReachTheBunny) {
    SetLoop(3);
    for (int kind : {0, 1, 4, 5, 6, 8, 9, 12, 13}) {
        SCOPED_TRACE(kind);
        ResetEnemyPool();
        gameState.bunnyHealth = 5;
        SpawnFromMap(kind, 5 * 16, 0, 3 * 32);
        int frames = 0;
        while (CountEnemies() > 0 && frames < 4000) {
            EnemyPass();
            ++frames;
        }
        EXPECT_EQ(gameState.bunnyHealth, 4) << "after " << frames << " frames";
        EXPECT_EQ(CountEnemies(), 0);
    }
}

TEST_F(EnemyKinds, DrifterDivesWithASixfoldSway) {
    SetLoop(3);
    EnemyRecord& e = *SpawnFromMap(0, 10 * 16, 0, 0);  // holds at radius 60
    UpdateEnemy(e);
    const int32_t dwell = DwellTime(e, 1.0);
    int frames = 0;
    while (e.mapParam1 < dwell && frames < 3000) {
        UpdateEnemy(e);
        ++frames;
    }
    ASSERT_EQ(e.mapParam1, dwell);
    EXPECT_EQ(e.aux3, 6);
    EXPECT_TRUE(e.showDanger);
    for (int i = 0; i < 48; ++i) UpdateEnemy(e);
    EXPECT_EQ(e.aux3, 1) << "the sway settles back one step every 8 frames";
    EXPECT_LT(e.speed, 0);
}

}  // namespace
