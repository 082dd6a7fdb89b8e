// The pause menu and the options screen driven as a player would: keys, the mouse, a controller.
// A scripted pause holds the game inside one message pump until the menu plays on.
#include <gtest/gtest.h>

#include <string>

#include "engine/frame/frame.h"
#include "engine/frame/pause.h"
#include "engine/input/controls.h"
#include "engine/input/input.h"
#include "engine/input/scan_codes.h"
#include "engine/sound/sound_system.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

// One key tap a frame from frame 3 on: "F1 Down Enter" taps F1 at 3, Down at 4 and Enter at 5.
std::string Taps(const std::vector<int>& keys) {
    std::string script = "velmoran-input 2\n";
    int frame = 3;
    for (int key : keys) {
        script += std::to_string(frame) + " key " + std::to_string(key) + " down\n";
        script += std::to_string(frame) + " key " + std::to_string(key) + " up\n";
        ++frame;
    }
    return script + "60 close\n";  // a menu gone wrong ends the test instead of holding it for ever
}

class PauseMenuTest : public ::testing::Test {
protected:
    void TearDown() override {
        engine::SetControls({});
        engine::SetSoundVolumes(100, 100);
        engine::SetSoundMuted(false);
        engine::SetDisplayChoices({});
    }
    // Plays frames until the pause has come and gone; false when the game was still held at the end.
    static bool PlayThroughThePause() {
        for (int frame = 0; frame < 5; ++frame)
            if (engine::PumpMessages() != 0) return false;
        return !engine::GamePaused();
    }
};

constexpr int kF1 = engine::kScanF1, kUp = engine::kScanUp, kDown = engine::kScanDown,
              kLeft = engine::kScanLeft, kRight = engine::kScanRight, kEnter = 28,
              kEscape = engine::kScanEscape, kQ = 16;

TEST_F(PauseMenuTest, TheOptionsChangeTheVolumesTheSpeedAndTheMute) {
    HeadlessSession session(Taps({kF1, kDown, kEnter,                   // pause, "Options"
                                  kLeft, kLeft, kDown, kLeft,           // effects 80, music 90
                                  kDown, kRight,                        // mute
                                  kDown, kDown, kDown, kRight, kRight,  // steering speed up two steps
                                  kEscape, kUp, kEnter}));              // back, "Play on"
    ASSERT_EQ(engine::InitEngine(), 0);
    ASSERT_TRUE(PlayThroughThePause());
    int effects = 0, music = 0;
    engine::GetSoundVolumes(&effects, &music);
    EXPECT_EQ(effects, 80);
    EXPECT_EQ(music, 90);
    EXPECT_TRUE(engine::SoundMuted());
    EXPECT_DOUBLE_EQ(engine::CurrentControls().sensitivity, 1.5);
    // The keys pressed in the menu are not the game's: Escape was pressed, but is not read.
    EXPECT_EQ(engine::IsKeyDown(kEscape), 0);
}

TEST_F(PauseMenuTest, AnActionCanBeGivenAnotherKeyAndItsDefaultsBack) {
    HeadlessSession session(Taps({kF1, kDown, kEnter,                                // "Options"
                                  kUp, kUp, kUp, kEnter,                             // "Keys"
                                  kDown, kDown, kDown, kDown, kDown, kDown, kEnter,  // "Quit"
                                  kQ,                                                // ... is Q now
                                  kEscape, kEscape, kEscape}));                      // back to the game
    ASSERT_EQ(engine::InitEngine(), 0);
    ASSERT_TRUE(PlayThroughThePause());
    const engine::Bindings& b = engine::CurrentControls().bindings;
    EXPECT_EQ(b.keys[engine::kActionQuit][0], kQ);
    EXPECT_EQ(b.keys[engine::kActionQuit][1], 0);
    // The game still reads Escape's code, now through Q.
    session.Platform().MutableInput().keys[kQ] = 1;
    EXPECT_EQ(engine::IsKeyDown(kEscape), 1);
    session.Platform().MutableInput().keys[kQ] = 0;
    session.Platform().MutableInput().keys[kEscape] = 1;
    EXPECT_EQ(engine::IsKeyDown(kEscape), 0);
}

TEST_F(PauseMenuTest, TheMouseAndAControllerWorkTheMenuToo) {
    HeadlessSession session;
    ASSERT_EQ(engine::InitEngine(), 0);
    platform::InputState& in = session.Platform().MutableInput();
    engine::FollowPauseKeys();  // the press counts as they are at start
    ++in.padPresses[platform::kPadY];
    ASSERT_TRUE(engine::FollowPauseKeys());
    ASSERT_TRUE(engine::GamePaused());
    auto click = [&](int x, int y) {
        session.Platform().SetPointer(x, y);
        ++in.buttonPresses[0];
        return engine::FollowPauseMenu();
    };
    EXPECT_TRUE(click(320, 150));  // "Options"
    EXPECT_TRUE(click(340, 120));  // left of the effects volume's middle: lower
    int effects = 0, music = 0;
    engine::GetSoundVolumes(&effects, &music);
    EXPECT_EQ(effects, 90);
    EXPECT_TRUE(click(600, 120));  // right of it: higher
    engine::GetSoundVolumes(&effects, &music);
    EXPECT_EQ(effects, 100);
    EXPECT_FALSE(engine::FollowPauseMenu());  // nothing new: nothing to show again
    // The controller's B leads back twice: the game plays on.
    ++in.padPresses[platform::kPadB];
    EXPECT_TRUE(engine::FollowPauseMenu());
    ++in.padPresses[platform::kPadB];
    EXPECT_TRUE(engine::FollowPauseMenu());
    EXPECT_FALSE(engine::GamePaused());
}

// Alt+Enter switches full screen and window wherever the game is, and settings.ini keeps the choice.
TEST_F(PauseMenuTest, AltEnterSwitchesFullScreenAndWindow) {
    HeadlessSession session(
        "velmoran-input 2\n3 key 56 down\n3 key 28 down\n3 key 28 up\n3 key 56 up\n"
        "5 key 28 down\n5 key 28 up\n");  // Enter alone does nothing
    ASSERT_EQ(engine::InitEngine(), 0);
    const bool windowedAtStart = session.Platform().Windowed();
    for (int frame = 1; frame <= 6; ++frame) ASSERT_EQ(engine::PumpMessages(), 0);
    EXPECT_NE(session.Platform().Windowed(), windowedAtStart);
    const engine::DisplayChoices chosen = engine::CurrentDisplayChoices();
    EXPECT_TRUE(chosen.windowModeChosen);
    EXPECT_EQ(chosen.windowed, session.Platform().Windowed());
}

}  // namespace
