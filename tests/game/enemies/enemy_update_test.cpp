// The enemy update common to every kind: scaling by loop, spawning, the bunny, damage and the clocks.
#include "game/enemies/enemy_update.h"

#include <gtest/gtest.h>

#include <vector>

#include "enemy_fixture.h"
#include "game/services/game_random.h"

namespace {

using namespace game;
using enemytest::EnemyFixture;

class EnemyUpdate : public EnemyFixture {};

TEST_F(EnemyUpdate, DifficultyScalesByLoop) {
    struct Row {
        int loop;
        int interval96;
        int16_t fireHold;
        int dwell;  // DwellTime(e, 1.0) with no map extension
    };
    const std::vector<Row> rows = {
        {0, 480, 960, 1280}, {1, 360, 620, 960}, {2, 109, 525, 640}, {3, 69, 362, 320}, {4, 61, 280, 320},
        {8, 48, 240, 320},   {16, 38, 160, 320}, {17, 37, 157, 320}, {80, 14, 0, 320},
    };
    EnemyRecord e{};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.loop);
        SetLoop(row.loop);
        EXPECT_EQ(ScaleInterval(96), row.interval96);
        EXPECT_EQ(ScaleInterval(0), 3);
        EXPECT_EQ(InitialFireHold(), row.fireHold);
        EXPECT_EQ(DwellTime(e, 1.0), row.dwell);
        EXPECT_EQ(DwellTime(e, 2.0), 2 * row.dwell);
    }
    SetLoop(0);
    EXPECT_NEAR(ScaleSpeed(4.0), 2.667, 0.001);
    e.mapParam2 = 1;
    EXPECT_EQ(DwellTime(e, 2.0), (640 + 480) * 4);
    SetLoop(4);
    EXPECT_NEAR(ScaleSpeed(4.0), 3.143, 0.001);
    SetLoop(13);
    EXPECT_EQ(ScaleSpeed(4.0), 4.0);
    SetLoop(55);
    EXPECT_EQ(ScaleSpeed(4.0), 8.0);
    for (int loop = 0; loop < 300; ++loop) {
        SetLoop(loop);
        EXPECT_GE(ScaleInterval(1), 3);
        EXPECT_LE(ScaleSpeed(6.4), 8.0);
    }
}

TEST_F(EnemyUpdate, SpawnAtTakesTheLowestFreeSlotAndAimsAtTheShip) {
    EnemyRecord* first = SpawnEnemyAt(6, 300, 0, -1);
    ASSERT_EQ(first, &EnemyPool[0]);
    EXPECT_EQ(first->state, kSlotSpawned);
    EXPECT_EQ(first->heading, AngleTo(300, 0, gameState.shipX, gameState.shipY));
    EXPECT_EQ(first->mapParam1, -1);
    EXPECT_EQ(first->offFieldMargin, -1.0);
    EXPECT_EQ(first->offScreenMargin, 32.0);
    EXPECT_EQ(SpawnEnemyAt(6, 0, 300, 1300)->facing, 276);

    for (int i = 2; i < kPoolSize; ++i) ASSERT_NE(SpawnEnemyAt(0, 0, 300, 0), nullptr);
    const uint32_t random = GameRandomState();
    EXPECT_EQ(SpawnEnemyAt(0, 0, 300, 0), nullptr);
    EXPECT_EQ(GameRandomState(), random) << "a full pool draws no random number";

    EnemyPool[17].state = kSlotFree;
    EXPECT_EQ(SpawnEnemyAt(1, 0, 300, 0), &EnemyPool[17]);
}

TEST_F(EnemyUpdate, ReachingTheCentreHurtsTheBunnyOnce) {
    struct Case {
        double distance;
        int health;
        int healthAfter;
        bool ends;
    };
    const std::vector<Case> cases = {{16.0, 5, 5, false}, {15.9, 5, 4, true}, {15.9, 0, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        ResetEnemyPool();
        gameState.bunnyHealth = c.health;
        gameState.bunnyHitTimer = 0;
        gameState.score = 0;
        EnemyRecord& e = *SpawnEnemyAt(6, c.distance, 0, 512);
        e.state = kSlotActive;  // a rammer already flying, standing still
        e.aux1 = 1;
        e.speed = 0;
        UpdateEnemy(e);
        EXPECT_EQ(gameState.bunnyHealth, c.healthAfter);
        EXPECT_EQ(e.state, c.ends ? kSlotEnding : kSlotActive);
        EXPECT_EQ(gameState.bunnyHitTimer, c.healthAfter < c.health ? 100 : 0);
        EXPECT_EQ(gameState.score, 0);
    }
}

TEST_F(EnemyUpdate, DamageScoresOnceAtTheCap) {
    EnemyRecord& e = *SpawnEnemyAt(0, 300, 0, 0);
    e.state = kSlotActive;
    e.hp = e.scoreValue = 30;
    DamageEnemy(e, 10);
    EXPECT_EQ(e.hp, 20);
    EXPECT_EQ(e.state, kSlotActive);
    EXPECT_EQ(gameState.score, 0);
    gameState.score = 99999990;
    DamageEnemy(e, 25);
    EXPECT_EQ(e.state, kSlotEnding);
    EXPECT_EQ(gameState.score, 99999999);
}

// Shots in one frame: the first that brings hp to 0 destroys and scores once, the rest pass on.
TEST_F(EnemyUpdate, ShotsHitUntilTheEnemyIsDestroyed) {
    struct Case {
        const char* name;
        int hp;
        uint8_t canHit;
        int hpAfter;
        int16_t state;
        int shotsConsumed;
        int score;
    };
    const std::vector<Case> cases = {
        {"first shot kills", 30, 1, -20, kSlotEnding, 1, 30},
        {"both shots land", 120, 1, 20, kSlotActive, 2, 0},
        {"shots that cannot hit pass", 30, 0, 30, kSlotActive, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetEnemyPool();
        ResetItemPool();
        ResetShots();
        gameState.score = 0;
        EnemyRecord& e = *SpawnEnemyAt(6, -300, 0, 0);  // behind the bunny, off screen
        e.state = kSlotActive;                          // a rammer standing still
        e.aux1 = 1;
        e.speed = 0;
        SetEnemyCircle(e, 0, 12, 0, 0);
        e.hp = e.scoreValue = c.hp;
        e.itemKind = 2;
        for (int slot = 0; slot < 2; ++slot) {
            ShotSlot& shot = ShotTable[slot];
            shot.state = 2;
            shot.x = -300;
            shot.y = 0;
            shot.power = 50;
            shot.consumeOnHit = 1;
            shot.canHit = c.canHit;
            shot.circleRadius[0] = shot.circleRadius[1] = 4;
        }
        UpdateEnemy(e);
        EXPECT_EQ(e.hp, c.hpAfter);
        EXPECT_EQ(e.state, c.state);
        EXPECT_EQ((ShotTable[0].state == 3) + (ShotTable[1].state == 3), c.shotsConsumed);
        EXPECT_EQ(gameState.score, c.score);
        // The item drops where the enemy was shot down, even off screen.
        EXPECT_EQ(ItemPool[0].state, c.score > 0 ? 1 : 0);
        if (c.score > 0) {
            EXPECT_EQ(ItemPool[0].kind, 2);
        }
        EXPECT_TRUE(IsOffScreen(e.x, e.y, e.offScreenMargin));
    }
}

TEST_F(EnemyUpdate, RecoveringPlayerFreezesEnemies) {
    SetLoop(1);
    EnemyRecord& e = *SpawnEnemyAt(6, 300, 0, 512);
    UpdateEnemy(e);  // first update: active and moving
    ASSERT_EQ(e.state, kSlotActive);
    const EnemyRecord before = e;
    gameState.respawnTimer = 40;
    for (int i = 0; i < 5; ++i) UpdateEnemy(e);
    EXPECT_EQ(e.x, before.x);
    EXPECT_EQ(e.age, before.age);
    EXPECT_EQ(e.fireClock, before.fireClock);
    EXPECT_EQ(e.fireHold, before.fireHold);
    e.state = kSlotEnding;
    UpdateEnemy(e);
    EXPECT_EQ(e.state, kSlotEnding) << "a dying enemy waits with its explosion";
    gameState.respawnTimer = 0;
    UpdateEnemy(e);
    EXPECT_EQ(e.state, kSlotFree);
    EXPECT_EQ(e.itemKind, -1) << "freed slots are reset";
}

TEST_F(EnemyUpdate, AnimationCyclesNormalAndDamagedFrames) {
    EnemyRecord e{};
    e.hp = 60;
    std::vector<int> frames;
    for (e.age = 0; e.age < 25; ++e.age) {
        AnimateEnemy(e, true);
        frames.push_back(e.frame);
    }
    EXPECT_EQ(frames[0], 1);
    EXPECT_EQ(frames[5], 1);
    EXPECT_EQ(frames[18], 0) << "frames 0..3 wrap";
    e.hp = 40;
    e.frame = 2;
    e.age = 1;
    AnimateEnemy(e, true);
    EXPECT_EQ(e.frame, 6) << "a damaged heavy kind shows frames 4..7";
    e.frame = 7;
    e.age = 4;
    AnimateEnemy(e, true);
    EXPECT_EQ(e.frame, 4);
    e.frame = 2;
    AnimateEnemy(e, false);
    EXPECT_EQ(e.frame, 2) << "light kinds never show damage";
}

TEST_F(EnemyUpdate, StepsSteerAsTold) {
    EnemyRecord e{};
    e.x = 300;
    e.y = 0;
    e.heading = 256;
    e.speed = 2;
    EXPECT_EQ(DiveStep(e, 8), 512);
    EXPECT_EQ(e.heading, 264);
    EXPECT_TRUE(e.showDanger);
    const int16_t away = AngleTo(0, 0, e.x, e.y);
    EXPECT_EQ(LeaveStep(e, 8), away);
    EXPECT_EQ(e.heading, 256);
    // Off the ship's bearing the pursuer circles the centre along a tangent, with no turn limit.
    e.x = -300;
    e.y = 0;
    e.auxR2 = 320;
    EXPECT_EQ(PursueStep(e, 16), 768);
    EXPECT_EQ(e.heading, 768);
    // At the rim a move outward bounces back (the ship is on the far side).
    gameState.shipAngle = 512;
    PlaceShipOnRing();
    e.x = 480;
    e.y = 0;
    e.heading = 0;
    e.speed = 1;
    e.auxR2 = 320;
    e.aux1 = 0;
    EXPECT_EQ(PursueStep(e, 0), 256);
    EXPECT_EQ(e.heading, 768);
}

}  // namespace
