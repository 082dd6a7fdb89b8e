// A lost option's spot goes on shielding until the options are placed again in the next frame.
#include <gtest/gtest.h>

#include "game/enemies/bullets.h"
#include "game/enemies/pools.h"
#include "game/player/options.h"
#include "player_fixture.h"

namespace {

using namespace game;

class OptionShield : public testsupport::PlayerFixture {};

TEST_F(OptionShield, TheNextOptionTakesTheLostOnesSpotForTheRestOfTheFrame) {
    ResetOptionsForGame();
    ResetBulletPool();
    ASSERT_TRUE(GainOption());
    ASSERT_TRUE(GainOption());
    OptionRecords[0].x = -108;  // far from the ship at (120, 0) and from option 1
    OptionRecords[0].y = 0;
    OptionRecords[1].x = 0;
    OptionRecords[1].y = 108;
    // Two bullets on option 0's spot in one pass: the first takes option 0, the second the option
    // that has just moved up into record 0, though it flies a quarter turn away.
    SpawnBullet(-108, 0, 0.0, 0, 1, 64.0, false);
    SpawnBullet(-108, 0, 0.0, 0, 1, 64.0, false);
    UpdateBullets();
    EXPECT_EQ(BulletPool[0].state, kSlotEnding);
    EXPECT_EQ(BulletPool[1].state, kSlotEnding);
    EXPECT_EQ(OptionRecords[0].active, 0);
    EXPECT_EQ(OptionRecords[1].active, 0);
}

}  // namespace
