// Start-up, the title's Escape, shutdown and the exit codes of the whole program.
#include "game/shell/main_loop.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/frame/frame.h"
#include "game/state.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

TEST(RunGame, EscapeOnTheTitleEndsTheProgramWithZero) {
    HeadlessSession session("velmoran-input 1\n30 key 1 down\n");
    EXPECT_EQ(game::RunGame(game::ScreenChoice::kAsk), 0);
    auto& p = session.Platform();
    EXPECT_EQ(p.Title(), "VELMORAN");
    EXPECT_TRUE(p.Windowed());  // the headless dialog answers No
    EXPECT_FALSE(p.CursorVisible());
    EXPECT_EQ(engine::FramesPumped(), 30);
    EXPECT_EQ(p.PresentCount(), 30);
    EXPECT_FALSE(p.WindowOpen());  // EndEngine closed it
    EXPECT_FALSE(engine::EngineInitialised());
    EXPECT_FALSE(std::filesystem::exists(session.Folder() / "Log.txt"));
}

TEST(RunGame, YesRunsFullScreen) {
    HeadlessSession session("velmoran-input 1\n1 key 1 down\n");
    session.Platform().SetAnswer(1);
    EXPECT_EQ(game::RunGame(game::ScreenChoice::kAsk), 0);
    EXPECT_FALSE(session.Platform().Windowed());
}

TEST(RunGame, ClosingTheWindowEndsNormally) {
    HeadlessSession session("velmoran-input 1\n10 close\n");
    EXPECT_EQ(game::RunGame(game::ScreenChoice::kWindow), 0);
    EXPECT_FALSE(game::gameState.running);
    EXPECT_EQ(engine::FramesPumped(), 9);
}

TEST(RunGame, EngineFailureReturnsMinusOneAndWritesNothing) {
    HeadlessSession session;
    session.Platform().SetInstanceTaken(true);  // another copy holds the lock
    EXPECT_EQ(game::RunGame(game::ScreenChoice::kWindow), -1);
    EXPECT_FALSE(engine::LastEngineError().empty());
    EXPECT_TRUE(std::filesystem::is_empty(session.Folder()));
}

}  // namespace

namespace {

TEST(RunGame, PausesWhileTheWindowHasNoFocus) {
    // Focus lost for frames 5..14 of the pump: the title does not advance meanwhile.
    testsupport::HeadlessSession session("velmoran-input 1\n5 focus off\n15 focus on\n30 key 1 down\n");
    EXPECT_EQ(game::RunGame(game::ScreenChoice::kWindow), 0);
    auto& p = session.Platform();
    EXPECT_EQ(p.FramePumps(), 30);
    EXPECT_EQ(p.PresentCount(), 20);
    EXPECT_EQ(engine::FramesPumped(), 20);
}

}  // namespace
