// Enemy bullets: the guarded spawn, the safety zone, the respawn frame, the bomb and the homing turn.
#include "game/enemies/bullets.h"

#include <gtest/gtest.h>

#include <vector>

#include "enemy_fixture.h"
#include "game/player/lives.h"

namespace {

using namespace game;
using enemytest::EnemyFixture;

class EnemyBullets : public EnemyFixture {};

TEST_F(EnemyBullets, GuardedSpawnsAreRefusedInsideTheRingAndOffTheField) {
    struct Case {
        double x;
        bool guarded;
        bool made;
    };
    const std::vector<Case> cases = {
        {120.0, true, false}, {120.01, true, true}, {0.0, false, true},
        {770.0, true, false}, {769.0, true, true},  {900.0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        ResetBulletPool();
        SpawnBullet(c.x, 0, 2.0, 1300, 1, 64.0, c.guarded);
        EXPECT_EQ(CountBullets(), c.made ? 1 : 0);
        if (c.made) {
            EXPECT_EQ(BulletPool[0].state, kSlotSpawned);
            EXPECT_EQ(BulletPool[0].heading, 276);
            EXPECT_EQ(BulletPool[0].offFieldMargin, 64.0);
        }
    }
    ResetBulletPool();
    for (int i = 0; i < kPoolSize + 3; ++i) SpawnBullet(300, 0, 1.0, 0, 1, 64.0, true);
    EXPECT_EQ(CountBullets(), kPoolSize);
}

// The ship stands a quarter turn away, out of the bullets' path.
void ShipOutOfTheWay() {
    gameState.shipAngle = 256;
    PlaceShipOnRing();
}

TEST_F(EnemyBullets, SmallBulletVanishesNearTheCentre) {
    ShipOutOfTheWay();
    SpawnBullet(150, 0, 4.0, 512, 1, 64.0, true);
    const BulletRecord& b = BulletPool[0];
    double lastX = 0;
    int frames = 0;
    while (b.state != kSlotFree && frames < 100) {
        lastX = b.x;
        UpdateBullets();
        ++frames;
    }
    EXPECT_EQ(frames, 14) << "at 100 units it ends, and is gone the frame after";
    EXPECT_NEAR(lastX, 98, 1e-9);
    EXPECT_EQ(gameState.bunnyHealth, 5);
}

TEST_F(EnemyBullets, BombStopsBurstsAndTheBlastFades) {
    ShipOutOfTheWay();
    SpawnBullet(130, 0, 5.0, 512, 5, 64.0, true);
    const BulletRecord& bomb = BulletPool[0];
    for (int i = 0; i < 6; ++i) UpdateBullets();
    EXPECT_NEAR(bomb.x, 100, 1e-9) << "it stops 100 units out";
    EXPECT_EQ(bomb.timer, 1);
    for (int i = 0; i < 119; ++i) UpdateBullets();
    EXPECT_EQ(bomb.timer, 120);
    EXPECT_EQ(CountBullets(), 1);
    UpdateBullets();
    // The burst: the bomb's slot is still taken, so the blast starts in slot 1 in the same pass.
    EXPECT_EQ(bomb.state, kSlotFree);
    const BulletRecord& blast = BulletPool[1];
    ASSERT_EQ(blast.kind, 6);
    EXPECT_EQ(blast.circleRadius[0], 13);
    std::vector<int> radii;
    for (int i = 0; i < 30 && blast.state != kSlotFree; ++i) {
        UpdateBullets();
        radii.push_back(blast.circleRadius[0]);
    }
    ASSERT_EQ(radii.size(), 18u);
    EXPECT_EQ(radii[16], 78);
    EXPECT_EQ(radii[17], -1) << "gone after its third picture";
}

TEST_F(EnemyBullets, RespawnFrameClearsEveryBulletWithoutBursting) {
    SpawnBullet(300, 0, 1.0, 0, 1, 64.0, true);
    SpawnBullet(300, 50, 1.0, 0, 5, 64.0, true);
    UpdateBullets();
    gameState.respawnTimer = 80;
    ASSERT_EQ(PlayerPhase(), 2);
    UpdateBullets();
    EXPECT_EQ(CountBullets(), 0);
}

// Options take bullets first; the ship is hit only outside the game-over countdown. A bomb that
// touches an option still bursts.
TEST_F(EnemyBullets, OptionsAndShipTakeBullets) {
    struct Case {
        const char* name;
        bool onOption;
        int gameOverTimer;
        int kind;
        int livesAfter;
        bool optionLost;
        int16_t bulletState;  // after the pass
    };
    const std::vector<Case> cases = {
        {"option takes it", true, 0, 1, 3, true, kSlotEnding},
        {"bomb on an option bursts", true, 0, 5, 3, true, kSlotEnding},
        {"ship is hit", false, 0, 1, 2, false, kSlotEnding},
        {"countdown: passes the ship", false, 5, 1, 3, false, kSlotActive},
        {"countdown: options still take it", true, 5, 1, 3, true, kSlotEnding},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetBulletPool();
        gameState.lives = 3;
        gameState.respawnTimer = 0;
        gameState.gameOverTimer = c.gameOverTimer;
        OptionRecords[0] = OptionRecord{};
        OptionRecords[0].active = 1;
        OptionRecords[0].radius = 9;
        OptionRecords[0].x = 0;
        OptionRecords[0].y = -300;
        const double x = c.onOption ? 0 : gameState.shipX;
        const double y = c.onOption ? -300 : gameState.shipY;
        SpawnBullet(x, y, 0.0, 0, c.kind, 64.0, false);
        UpdateBullets();
        EXPECT_EQ(gameState.lives, c.livesAfter);
        EXPECT_EQ(OptionRecords[0].active == 0, c.optionLost);
        EXPECT_EQ(BulletPool[0].state, c.bulletState);
        UpdateBullets();
        EXPECT_EQ(BulletPool[1].kind == 6 && BulletPool[1].state != kSlotFree, c.kind == 5) << "the blast";
    }
}

TEST_F(EnemyBullets, HomingBulletLosesItsTurn) {
    gameState.shipAngle = 256;
    PlaceShipOnRing();
    SpawnBullet(700, 0, 0.0, 0, 4, 64.0, true);  // standing still, so it stays on the field
    std::vector<int> rate(300, -1);
    for (int frame = 0; frame < 290; ++frame) {
        UpdateBullets();
        rate[BulletPool[0].age] = BulletPool[0].timer;
    }
    EXPECT_EQ(BulletPool[0].facing, 0) << "drawn unturned";
    EXPECT_EQ(rate[240], 4);
    EXPECT_EQ(rate[249], 3);
    EXPECT_EQ(rate[257], 2);
    EXPECT_EQ(rate[265], 1);
    EXPECT_EQ(rate[273], 0);
    EXPECT_EQ(rate[289], 0);
}

}  // namespace
