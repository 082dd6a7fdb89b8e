// The state digest sees the game's state and nothing else.
#include "game/shell/digest.h"

#include <gtest/gtest.h>

#include "game/enemies/pools.h"
#include "game/player/shots.h"
#include "game/services/game_random.h"
#include "game/shell/reset_all.h"
#include "game/state.h"

namespace {

TEST(StateDigest, FollowsTheStateOnly) {
    game::ResetAll();
    const uint64_t fresh = game::StateDigest();
    game::ResetAll();
    EXPECT_EQ(game::StateDigest(), fresh);  // the same state twice: the same digest

    struct Change {
        const char* what;
        void (*apply)();
    } changes[] = {
        {"score", [] { game::gameState.score += 1; }},
        {"an enemy's auxR3", [] { game::EnemyPool[63].auxR3 = 0.5; }},
        {"a bullet's timer", [] { game::BulletPool[5].timer = 1; }},
        {"a shot's heading", [] { game::ShotTable[32].heading = 7; }},
        {"the random state", [] { game::GameRandom(); }},
    };
    for (const Change& c : changes) {
        game::ResetAll();
        c.apply();
        EXPECT_NE(game::StateDigest(), fresh) << c.what;
    }
    game::ResetAll();
}

}  // namespace
