// Hits on the ship, the phases of its down time and the game-over countdown.
#include "game/player/lives.h"

#include <gtest/gtest.h>

#include "player_fixture.h"

namespace {

using namespace game;

class Lives : public testsupport::PlayerFixture {};

TEST_F(Lives, PhaseFollowsTheRespawnTimer) {
    struct Case {
        int16_t timer;
        int phase;
    } cases[] = {{0, 0}, {1, 1}, {79, 1}, {80, 2}, {81, 3}, {120, 3}, {121, 3}, {-1, 3}};
    for (const Case& c : cases) {
        gs.respawnTimer = c.timer;
        EXPECT_EQ(PlayerPhase(), c.phase) << c.timer;
    }
}

TEST_F(Lives, AHitCostsALifeTheWeaponAndStartsTheDownTime) {
    gs.weaponMode = 2;
    gs.weaponTimer = 700;
    OptionRecords[0].active = 1;
    PlayerHit();
    EXPECT_EQ(gs.lives, 2);
    EXPECT_EQ(gs.respawnTimer, 120);
    EXPECT_EQ(gs.weaponMode, 0);
    EXPECT_EQ(gs.weaponTimer, 0);
    EXPECT_EQ(OptionRecords[0].active, 1);
    EXPECT_EQ(SoundRequests[2], 1);
    EXPECT_EQ(LiveEffects(), 10);  // the big explosion: 3 + 2 + 1 + 4 pieces
    EXPECT_EQ(gs.gameOverTimer, 0);
    PlayerHit();  // a second hit in the same frame finds the ship down
    EXPECT_EQ(gs.lives, 2);
}

TEST_F(Lives, DownTimeRunsThroughPhases3210) {
    PlayerHit();
    int seen[121];
    for (int frame = 1; frame <= 120; ++frame) {
        MoveMouse(64);  // steering is held off until the last frame
        UpdatePlayer();
        seen[frame] = PlayerPhase();
        if (frame < 120) {
            EXPECT_EQ(gs.shipAngle, 0) << frame;
        }
    }
    for (int frame = 1; frame <= 39; ++frame) EXPECT_EQ(seen[frame], 3) << frame;
    EXPECT_EQ(seen[40], 2);
    for (int frame = 41; frame <= 119; ++frame) EXPECT_EQ(seen[frame], 1) << frame;
    EXPECT_EQ(seen[120], 0);
    EXPECT_EQ(gs.shipAngle, 16);  // back in control on the frame the timer reaches 0
    PlayerHit();
    EXPECT_EQ(gs.lives, 1);
}

TEST_F(Lives, LastLifeStartsACountdownThatEndsTheGame120FramesLater) {
    gs.lives = 1;
    gs.stage = 7;
    PlayerHit();
    EXPECT_EQ(gs.lives, 0);
    EXPECT_EQ(gs.gameOverTimer, 1);
    PlayerHit();  // nothing left to take
    EXPECT_EQ(gs.lives, 0);
    for (int frame = 1; frame < 120; ++frame) RunGameOverCountdown();
    EXPECT_FALSE(gs.leaveStage);
    EXPECT_EQ(gs.stage, 7);
    RunGameOverCountdown();
    EXPECT_TRUE(gs.leaveStage);
    EXPECT_EQ(gs.stage, 0);
    EXPECT_TRUE(gs.gameEnded);
}

TEST_F(Lives, TheBunnysDeathStartsTheCountdownAndALifeItemDoesNotStopIt) {
    gs.bunnyHealth = 0;
    RunGameOverCountdown();
    EXPECT_EQ(gs.gameOverTimer, 2);
    PlayerHit();  // the countdown runs: hits are ignored
    EXPECT_EQ(gs.lives, 3);
    gs.lives += 1;
    for (int frame = 2; frame < 120; ++frame) RunGameOverCountdown();
    EXPECT_FALSE(gs.gameEnded);
    RunGameOverCountdown();
    EXPECT_TRUE(gs.gameEnded);
}

}  // namespace
