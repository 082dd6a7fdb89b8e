// Steering by the mouse, the options' trail, the picture counter and the player's contact sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "engine/input/input.h"
#include "game/player/lives.h"
#include "player_fixture.h"

namespace {

using namespace game;

class Ship : public testsupport::PlayerFixture {};

TEST_F(Ship, SidewaysMotionTurnsByAQuarterClampedTo16) {
    struct Case {
        int dx;
        int16_t angle;
    } cases[] = {{3, 0}, {4, 1}, {-3, 0}, {-4, 1023}, {-7, 1023}, {63, 15}, {100, 16}, {-100, 1008}};
    for (const Case& c : cases) {
        gs.shipAngle = 0;
        gs.angleTrail[0] = 0;
        MoveMouse(c.dx);
        SteerShip();
        EXPECT_EQ(gs.shipAngle, c.angle) << "dx " << c.dx;
        EXPECT_EQ(gs.angleTrail[0], c.angle) << "dx " << c.dx;
        EXPECT_EQ(gs.mouseX, 240 + c.dx);
        int x = 0, y = 0;
        engine::GetMousePosition(&x, &y);
        EXPECT_EQ(x, 240);  // put back for the next frame's reading
        EXPECT_EQ(y, 240);
    }
}

TEST_F(Ship, SteeringStopsWhileDownDeadOrTheBunnyIsGone) {
    struct Case {
        int lives, bunny, respawn;
    } cases[] = {{0, 5, 0}, {3, 0, 0}, {3, 5, 120}, {3, 5, 80}, {3, 5, 1}};
    for (const Case& c : cases) {
        gs.lives = c.lives;
        gs.bunnyHealth = c.bunny;
        gs.respawnTimer = int16_t(c.respawn);
        gs.shipAngle = 100;
        gs.mouseX = 0;
        MoveMouse(50);
        SteerShip();
        EXPECT_EQ(gs.shipAngle, 100);
        EXPECT_EQ(gs.mouseX, 0);  // not even read
        int x = 0, y = 0;
        engine::GetMousePosition(&x, &y);
        EXPECT_EQ(x, 240);
    }
}

TEST_F(Ship, PictureCounterFollowsTheTurningSpeed) {
    struct Case {
        bool moving;
        int counter, dx, want;
    } cases[] = {
        {true, 250, 64, 11},   // 266 loses 255, not 256
        {true, 5, -64, 244},   // -11 gains 255
        {false, 200, 8, 65},   // a fresh turn right starts from 63
        {false, 200, -8, 30},  // a fresh turn left from 32
        {true, 100, 2, 32},    // standing still
    };
    for (const Case& c : cases) {
        gs.shipMoving = c.moving;
        gs.shipFrameCounter = c.counter;
        MoveMouse(c.dx);
        SteerShip();
        EXPECT_EQ(gs.shipFrameCounter, c.want) << c.counter << " " << c.dx;
        EXPECT_EQ(gs.shipMoving, c.dx / 4 != 0);
    }
}

TEST_F(Ship, TrailUnrollsLinkByLinkAndWaitsAfterAReversal) {
    for (int turn = 1; turn <= 3; ++turn) {
        MoveMouse(64);
        SteerShip();
        EXPECT_EQ(gs.angleTrail[1], 0) << "turn " << turn;  // the third turn sets it 48 behind: where it was
    }
    MoveMouse(64);
    SteerShip();
    EXPECT_EQ(gs.angleTrail[1], 16);
    for (int turn = 0; turn < 40; ++turn) {
        MoveMouse(64);
        SteerShip();
    }
    for (int i = 0; i <= 8; ++i)
        EXPECT_EQ(WrapAngle(gs.angleTrail[i]), WrapAngle(gs.shipAngle - 48 * i)) << i;
    // Back the other way: the chain stands still until the ship has passed entry 1 by 48.
    int16_t before[9];
    std::copy(std::begin(gs.angleTrail), std::end(gs.angleTrail), before);
    for (int turn = 0; turn < 6; ++turn) {
        MoveMouse(-64);
        SteerShip();
        EXPECT_EQ(gs.angleTrail[1], before[1]) << "turn " << turn;
    }
    MoveMouse(-64);
    SteerShip();
    EXPECT_EQ(gs.angleTrail[1], int16_t(gs.angleTrail[0] + 48));
    EXPECT_EQ(gs.angleTrail[2], before[2]);
}

TEST_F(Ship, TrailEntriesStayUnreducedAcrossAngleZero) {
    for (int turn = 0; turn < 3; ++turn) {
        MoveMouse(-64);
        SteerShip();
    }
    EXPECT_EQ(gs.shipAngle, 976);
    EXPECT_EQ(gs.angleTrail[1], 1024);  // dragged to 976 + 48 and left unreduced
    PositionOptions();
    EXPECT_EQ(OptionRecords[0].angle, 1024);
    EXPECT_EQ(OptionRecords[0].x, PolarX(0, 108, 0, 0));
    gs.shipAngle = 20;
    std::fill(std::begin(gs.angleTrail), std::end(gs.angleTrail), int16_t(20));
    for (int turn = 0; turn < 3; ++turn) {
        MoveMouse(64);
        SteerShip();
    }
    EXPECT_EQ(gs.angleTrail[1], 20);
    MoveMouse(64);
    SteerShip();
    EXPECT_EQ(gs.angleTrail[0], 84);
    EXPECT_EQ(gs.angleTrail[1], 36);
    for (int turn = 0; turn < 20; ++turn) {
        MoveMouse(64);
        SteerShip();
    }
    EXPECT_EQ(gs.angleTrail[8], gs.shipAngle - 384);
}

TEST_F(Ship, UpdatePlayerPlacesShipAndOptionsAndRunsTheTimers) {
    OptionRecords[0].active = 1;
    OptionRecords[1].active = 1;
    gs.weaponMode = 3;
    gs.weaponTimer = 1;
    gs.fireCooldown = 2;
    for (int turn = 0; turn < 10; ++turn) {
        MoveMouse(64);
        UpdatePlayer();
    }
    EXPECT_EQ(gs.weaponMode, 0);  // the timer ran out on the first frame
    EXPECT_EQ(gs.weaponTimer, 0);
    EXPECT_EQ(gs.shipAngle, 160);
    EXPECT_EQ(gs.shipX, PolarX(0, 120, 0, 160));
    EXPECT_EQ(gs.shipY, PolarY(0, 120, 0, 160));
    EXPECT_EQ(gs.viewOffsetX, gs.shipX - 240);
    EXPECT_EQ(gs.viewOffsetY, gs.shipY - 360);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(OptionRecords[i].angle, gs.angleTrail[i + 1]);
        EXPECT_EQ(OptionRecords[i].x, PolarX(0, 108, 0, gs.angleTrail[i + 1]));
        EXPECT_EQ(OptionRecords[i].y, PolarY(0, 108, 0, gs.angleTrail[i + 1]));
    }
    EXPECT_EQ(OptionRecords[0].angle, 112);
    EXPECT_EQ(OptionRecords[1].angle, 64);
}

TEST_F(Ship, AnEnemyTouchingAnOptionAndTheShipTakesOnlyTheOption) {
    OptionRecords[0].active = 1;
    OptionRecords[1].active = 1;
    PositionOptions();
    // Options and ship sit on one spot at the start of a stage: the enemy covers all three.
    EnemyRecord& e = PlaceEnemy(5, gs.shipX - 6, gs.shipY, 10);
    MoveMouse(0);
    UpdatePlayer();
    EXPECT_NE(e.state, kSlotActive);
    EXPECT_EQ(ActiveOptions(), 1);  // option 1 went first; the enemy was then dying
    EXPECT_EQ(gs.lives, 3);
    EXPECT_EQ(gs.respawnTimer, 0);
    EXPECT_EQ(SoundRequests[2], 1);
}

TEST_F(Ship, AnEnemyTouchingTwoOptionsTakesTheHigherOne) {
    for (int i = 0; i < 6; ++i) GainOption();
    const int16_t spread[9] = {0, 560, 620, 680, 200, 740, 300, 0, 0};
    std::copy(std::begin(spread), std::end(spread), gs.angleTrail);
    PositionOptions();
    const OptionRecord o3 = OptionRecords[3];
    const OptionRecord o5 = OptionRecords[5];
    // One circle on option 3, the other on option 5.
    EnemyRecord& e = PlaceEnemy(9, o3.x, o3.y, 4);
    e.facing = AngleTo(o3.x, o3.y, o5.x, o5.y);
    e.circleRadius[1] = 4;
    e.circleForward[1] = int16_t(Distance(o3.x, o3.y, o5.x, o5.y));
    MoveMouse(0);
    UpdatePlayer();
    EXPECT_EQ(ActiveOptions(), 5);
    // The first piece of the option's explosion lies within 8 units of the lost option.
    EXPECT_LT(Distance(EffectPool[0].x, EffectPool[0].y, o5.x, o5.y), 8);
    EXPECT_GT(Distance(EffectPool[0].x, EffectPool[0].y, o3.x, o3.y), 50);
}

TEST_F(Ship, TheShipsSpotDestroysEnemiesAlsoWhileItIsDown) {
    struct Case {
        int16_t respawn;
        int livesAfter;
    } cases[] = {{0, 2}, {100, 3}, {50, 3}};
    for (const Case& c : cases) {
        SetUp();
        gs.respawnTimer = c.respawn;
        EnemyRecord& e = PlaceEnemy(0, gs.shipX, gs.shipY, 4);
        MoveMouse(0);
        UpdatePlayer();
        EXPECT_NE(e.state, kSlotActive) << c.respawn;
        EXPECT_EQ(gs.lives, c.livesAfter) << c.respawn;
    }
}

TEST_F(Ship, ResetsForGameAndStage) {
    gs.lives = 1;
    gs.weaponMode = 2;
    gs.weaponTimer = 500;
    gs.fireCooldown = 3;
    gs.shipAngle = 300;
    gs.angleTrail[4] = 77;
    gs.bunnyHitTimer = 50;
    OptionRecords[2].active = 1;
    OptionRecords[2].angle = 40;
    struct Case {
        int bunny, want;
    } cases[] = {{5, 5}, {2, 3}, {0, 1}};
    for (const Case& c : cases) {
        gs.bunnyHealth = c.bunny;
        ResetPlayerForStage();
        EXPECT_EQ(gs.bunnyHealth, c.want);
    }
    EXPECT_EQ(gs.lives, 1);
    EXPECT_EQ(gs.weaponMode, 2);
    EXPECT_EQ(gs.weaponTimer, 500);
    EXPECT_EQ(gs.fireCooldown, 0);
    EXPECT_EQ(gs.shipAngle, 0);
    EXPECT_EQ(gs.shipX, PolarX(0, 120, 0, 0));
    EXPECT_EQ(gs.angleTrail[4], 0);
    EXPECT_EQ(gs.bunnyHitTimer, 0);
    EXPECT_EQ(gs.shipFrameCounter, 32);
    EXPECT_EQ(OptionRecords[2].active, 1);
    EXPECT_EQ(OptionRecords[2].angle, 0);
    ResetPlayerForGame();
    EXPECT_EQ(gs.lives, 3);
    EXPECT_EQ(gs.bunnyHealth, 5);
    EXPECT_EQ(gs.weaponMode, 0);
    EXPECT_EQ(gs.shipRadius, 12);
    EXPECT_EQ(ActiveOptions(), 0);
    EXPECT_EQ(OptionRecords[2].radius, 9);
}

}  // namespace
