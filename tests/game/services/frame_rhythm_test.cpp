// Input counters, the game's random generator and EndFrame's pacing.
#include "game/services/frame_rhythm.h"

#include <gtest/gtest.h>

#include "engine/frame/frame.h"
#include "engine/input/input.h"
#include "game/services/game_random.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

TEST(KeyCount, CountsHeldFramesSaturatingAt255) {
    HeadlessSession session;
    ASSERT_EQ(engine::InitEngine(), 0);
    auto& keys = session.Platform().MutableInput().keys;
    keys[game::kKeySpace] = 1;
    for (int frame = 1; frame <= 300; ++frame) {
        game::PollInput();
        ASSERT_EQ(game::KeyCount(game::kKeySpace), frame < 255 ? frame : 255) << "frame " << frame;
    }
    keys[game::kKeySpace] = 0;
    game::PollInput();
    EXPECT_EQ(game::KeyCount(game::kKeySpace), 0);
    keys[game::kKeySpace] = 1;
    game::PollInput();
    EXPECT_EQ(game::KeyCount(game::kKeySpace), 1);
    // Released and pressed again between two polls: not seen.
    keys[game::kKeySpace] = 0;
    keys[game::kKeySpace] = 1;
    game::PollInput();
    EXPECT_EQ(game::KeyCount(game::kKeySpace), 2);
}

TEST(KeyCount, LeftButtonRidesInEntry44AndResetKeysClears) {
    HeadlessSession session;
    ASSERT_EQ(engine::InitEngine(), 0);
    session.Platform().MutableInput().mouseButtons = 1;
    session.Platform().MutableInput().keys[44] = 0;
    game::PollInput();
    game::PollInput();
    EXPECT_EQ(game::KeyCount(game::kLeftButton), 2);
    game::ResetKeys();
    EXPECT_EQ(game::KeyCount(game::kLeftButton), 0);
    game::PollInput();  // still held after ResetKeys: reads as went down
    EXPECT_EQ(game::KeyCount(game::kLeftButton), 1);
}

TEST(GameRandom, RepeatsFromSeedOne) {
    game::SeedGameRandom(1);
    const int want[] = {41, 18467, 6334, 26500, 19169};
    for (int w : want) EXPECT_EQ(game::GameRandom(), w);
    game::SeedGameRandom(1);
    EXPECT_EQ(game::GameRandom(), 41);
}

TEST(EndFrame, HoldsSeventeenMillisecondsAndNeverMakesUp) {
    HeadlessSession session;
    ASSERT_EQ(engine::InitEngine(), 0);
    game::EndFrame();  // the first frame: frameStamp was 0, long ago
    const int t0 = engine::GetMilliseconds();
    for (int i = 0; i < 10; ++i) game::EndFrame();
    EXPECT_EQ(engine::GetMilliseconds() - t0, 170);
    // A 40 ms frame is followed by no wait, and the next frame is again 17 ms.
    session.Platform().AdvanceMicros(40000);
    const int64_t sleeps = session.Platform().SleepCount();
    game::EndFrame();
    EXPECT_EQ(session.Platform().SleepCount(), sleeps);
    EXPECT_EQ(engine::GetMilliseconds() - t0, 210);
    game::EndFrame();
    EXPECT_EQ(engine::GetMilliseconds() - t0, 227);
}

TEST(EndFrame, PacesAcrossTheClockWrap) {
    HeadlessSession session("velmoran-input 1\nclock 2147483600\n");
    ASSERT_EQ(engine::InitEngine(), 0);
    for (int i = 0; i < 10; ++i) game::EndFrame();
    // 2147483600 + 9 * 17 wraps past 2^31; every frame still took 17 ms.
    EXPECT_EQ(engine::GetMilliseconds(), int((2147483600ll + 9 * 17) % 2147483648ll));
}

TEST(EndFrame, WindowClosingLowersRunningAndStartsTheGameOverTimer) {
    HeadlessSession session("velmoran-input 1\n3 close\n");  // arrives with the pump ending frame 2
    ASSERT_EQ(engine::InitEngine(), 0);
    game::EndFrame();
    EXPECT_TRUE(game::gameState.running);
    game::EndFrame();
    EXPECT_FALSE(game::gameState.running);
    EXPECT_EQ(game::gameState.gameOverTimer, 1);
    EXPECT_EQ(engine::PresentScreen(), -1);
}

}  // namespace
