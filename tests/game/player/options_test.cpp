// Gaining and losing options: the chain closes up behind a lost one.
#include <gtest/gtest.h>

#include "player_fixture.h"

namespace {

using namespace game;

class Options : public testsupport::PlayerFixture {};

TEST_F(Options, LosingOneMovesEveryOptionBehindItUpOnePlace) {
    struct Case {
        int active, lost;
        int left;
    } cases[] = {{3, 0, 2}, {3, 2, 2}, {8, 3, 7}, {1, 0, 0}};
    for (const Case& c : cases) {
        ResetOptionsForGame();
        ClearEffects();
        InitSoundTables();
        for (int i = 0; i < c.active; ++i) ASSERT_TRUE(GainOption());
        LoseOption(c.lost);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(OptionRecords[i].active, i < c.left) << c.active << " " << i;
        EXPECT_EQ(SoundRequests[2], 1);
        EXPECT_EQ(LiveEffects(), 10);
    }
}

TEST_F(Options, TheFormerOption2FollowsTrailEntry2AfterOption0IsLost) {
    for (int i = 0; i < 3; ++i) GainOption();
    gs.angleTrail[1] = 50;
    gs.angleTrail[2] = 100;
    gs.angleTrail[3] = 150;
    LoseOption(0);
    PositionOptions();
    EXPECT_EQ(OptionRecords[1].active, 1);
    EXPECT_EQ(OptionRecords[1].angle, 100);
    EXPECT_EQ(OptionRecords[2].active, 0);
}

TEST_F(Options, GainingStopsAtEight) {
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(GainOption());
    EXPECT_FALSE(GainOption());
    LoseOption(-1);  // out of range: nothing happens
    LoseOption(8);
    EXPECT_EQ(ActiveOptions(), 8);
}

TEST_F(Options, OptionsStartAStageOnOneSpotJustInsideTheShip) {
    for (int i = 0; i < 4; ++i) GainOption();
    ResetPlayerForStage();
    PositionOptions();
    for (const OptionRecord& o : OptionRecords) {
        EXPECT_EQ(o.x, 108);
        EXPECT_EQ(o.y, 0);
    }
    EXPECT_EQ(ActiveOptions(), 4);
}

}  // namespace
