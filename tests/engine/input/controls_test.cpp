// The keyboard and game controllers as the game reads them: steering, fire, and the keys a controller
// stands for. The back-end only reports the devices; these readings are the engine's.
#include "engine/input/controls.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/input/input.h"
#include "engine/input/scan_codes.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(engine::InitEngine(), 0); }
    void TearDown() override { engine::SetControls({}); }
    platform::InputState& In() { return session.Platform().MutableInput(); }
    // The pointer after one frame, with the game putting it back to (240, 240) first when `steering`.
    std::pair<int, int> AfterFrame(bool steering) {
        if (steering) engine::SetMousePosition(240, 240);
        engine::PumpMessages();
        int x = 0, y = 0;
        engine::GetMousePosition(&x, &y);
        return {x, y};
    }
    HeadlessSession session;
};

TEST_F(ControlsTest, KeysAndSticksSteerSidewaysWhileTheGameSteers) {
    struct Case {
        const char* what;
        int key1, key2;
        int stickX, stickY;
        uint32_t pad;
        engine::Controls controls;
        int expectedX;
    };
    const Case cases[] = {
        {"right and down", engine::kScanRight, engine::kScanDown, 0, 0, 0, {}, 248},
        {"left, twice as sensitive", engine::kScanLeft, 0, 0, 0, 0, {true, true, 2.0}, 224},
        {"left and right cancel", engine::kScanLeft, engine::kScanRight, 0, 0, 0, {}, 240},
        {"keys switched off", engine::kScanRight, 0, 0, 0, 0, {false, true, 1.0}, 240},
        {"stick inside the dead zone", 0, 0, 7000, 30000, 0, {}, 240},
        {"d-pad right with a key", engine::kScanRight, 0, 0, 0, 1u << platform::kPadRight, {}, 248},
        {"pads switched off", 0, 0, 32767, 0, 1u << platform::kPadRight, {true, false, 1.0}, 240},
        {"stick half left", 0, 0, -16384, 0, 0, {}, 236},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        engine::SetControls(c.controls);
        AfterFrame(true);  // the frame in which the game starts steering
        for (int key : {c.key1, c.key2})
            if (key) In().keys[key] = 1;
        In().padStickX = c.stickX, In().padStickY = c.stickY, In().padButtons = c.pad;
        EXPECT_EQ(AfterFrame(true), std::make_pair(c.expectedX, 240));
        In() = platform::InputState{};
    }
}

TEST_F(ControlsTest, InTheMenusKeysMoveThePointerWithinThePicture) {
    session.Platform().SetPointer(636, 5);
    In().keys[engine::kScanRight] = In().keys[engine::kScanUp] = 1;
    EXPECT_EQ(AfterFrame(false), std::make_pair(639, 0));
    In().keys[engine::kScanRight] = In().keys[engine::kScanUp] = 0;
    In().keys[engine::kScanLeft] = In().keys[engine::kScanDown] = 1;
    EXPECT_EQ(AfterFrame(false), std::make_pair(631, 8));
}

TEST_F(ControlsTest, CtrlAndPadAFireAsTheLeftButtonAndTapsAreNotLost) {
    In().keys[engine::kScanRightCtrl] = 1;
    EXPECT_EQ(engine::GetMouseButtons(), 1);
    In().keys[engine::kScanRightCtrl] = 0;
    EXPECT_EQ(engine::GetMouseButtons(), 0);
    ++In().keyPresses[engine::kScanLeftCtrl];  // pressed and released between two polls
    EXPECT_EQ(engine::GetMouseButtons(), 1);
    EXPECT_EQ(engine::GetMouseButtons(), 0);
    ++In().padPresses[platform::kPadA];
    EXPECT_EQ(engine::GetMouseButtons(), 1);
    EXPECT_EQ(engine::GetMouseButtons(), 0);
    In().padButtons = 1u << platform::kPadA;
    In().mouseButtons = 2;
    EXPECT_EQ(engine::GetMouseButtons(), 3);
    engine::SetControls({false, false, 1.0});
    In().keys[engine::kScanLeftCtrl] = 1;
    EXPECT_EQ(engine::GetMouseButtons(), 2);
}

TEST_F(ControlsTest, StartAndBackStandForSpaceAndEscape) {
    In().padButtons = 1u << platform::kPadStart;
    EXPECT_EQ(engine::IsKeyDown(engine::kScanSpace), 1);
    EXPECT_EQ(engine::IsKeyDown(engine::kScanEscape), 0);
    In().padButtons = 1u << platform::kPadBack;
    EXPECT_EQ(engine::IsKeyDown(engine::kScanEscape), 1);
    engine::SetControls({true, false, 1.0});
    EXPECT_EQ(engine::IsKeyDown(engine::kScanEscape), 0);
}

// An input script steers with the arrow keys and fires with Ctrl, as a player in a window does.
TEST(ScriptedControls, ArrowKeysSteerAndCtrlFires) {
    HeadlessSession session(
        "velmoran-input 2\n"
        "2 key 205 down\n"
        "4 key 205 up\n"
        "4 key 29 down\n"
        "4 key 29 up\n");
    ASSERT_EQ(engine::InitEngine(), 0);
    int x = 0, y = 0;
    std::vector<int> xs;
    std::vector<int> buttons;
    for (int frame = 1; frame <= 4; ++frame) {
        engine::GetMousePosition(&x, &y);
        xs.push_back(x);
        buttons.push_back(engine::GetMouseButtons());
        engine::SetMousePosition(240, 240);
        engine::PumpMessages();
    }
    EXPECT_EQ(xs, (std::vector<int>{0, 248, 248, 240}));
    EXPECT_EQ(buttons, (std::vector<int>{0, 0, 0, 1}));
}

}  // namespace
