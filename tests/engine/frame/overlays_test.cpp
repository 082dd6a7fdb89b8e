// What the engine shows over the game's picture: the loudspeaker after M for a moment, and the pause;
// never in the game's own screens.
#include "engine/frame/overlays.h"

#include <gtest/gtest.h>

#include "engine/frame/frame.h"
#include "engine/frame/pause.h"
#include "engine/frame/screen.h"
#include "engine/image/image.h"
#include "engine/sound/sound_system.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

// A pixel of the loudspeaker's body, and one of the cross that only the muted notice has.
constexpr int kBodyX = 640 - 64 + 8, kBodyY = 12 + 20;
constexpr int kCrossX = 640 - 64 + 31, kCrossY = 12 + 14;

TEST(Notice, MShowsItOverThePresentedFrameForAMoment) {
    HeadlessSession session(
        "velmoran-input 2\n"
        "3 key 50 down\n"
        "3 key 50 up\n"  // a tap within one frame counts
        "10 key 50 down\n");
    ASSERT_EQ(engine::InitEngine(), 0);
    session.Platform().KeepPresented(true);
    auto frame = [&session] {
        engine::ClearScreen();
        engine::PresentScreen();
        engine::PumpMessages();
        session.Platform().AdvanceMicros(17000);
        return session.Platform().Presented();
    };
    auto pixel = [](const std::vector<uint32_t>& p, int x, int y) { return p[size_t(y) * 640 + size_t(x)]; };
    std::vector<uint32_t> shown;
    for (int f = 1; f <= 2; ++f) shown = frame();
    EXPECT_EQ(pixel(shown, kBodyX, kBodyY), 0xFF000000u);  // nothing yet
    shown = frame();
    EXPECT_TRUE(engine::SoundMuted());
    EXPECT_EQ(pixel(shown, kBodyX, kBodyY), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(shown, kCrossX, kCrossY), 0xFFFF5050u);
    EXPECT_EQ(pixel(shown, 0, 0), 0xFF000000u);
    // The game's own screens never hold it.
    EXPECT_EQ(engine::FrontScreen().pixels[size_t(kBodyY) * 640 + kBodyX] & 0xFFFFFFu, 0u);
    for (int f = 4; f <= 10; ++f) shown = frame();
    EXPECT_FALSE(engine::SoundMuted());
    EXPECT_EQ(pixel(shown, kBodyX, kBodyY), 0xFFFFFFFFu);
    EXPECT_NE(pixel(shown, kCrossX, kCrossY), 0xFFFF5050u);  // sound on: waves, no cross
    // Gone 1.5 s later.
    session.Platform().AdvanceMicros(engine::kNoticeMicros);
    shown = frame();
    EXPECT_EQ(pixel(shown, kBodyX, kBodyY), 0xFF000000u);
}

}  // namespace

namespace {

// F1 pauses: the game is held inside the frame's pump, and the frame on the screen is shown again,
// dimmed under the pause sign, until Pause ends it.
TEST(Pause, HoldsTheGameAndShowsTheFrameDimmed) {
    HeadlessSession session(
        "velmoran-input 2\n"
        "3 key 59 down\n"
        "3 key 59 up\n"
        "9 key 197 down\n");
    ASSERT_EQ(engine::InitEngine(), 0);
    session.Platform().KeepPresented(true);
    const int white = engine::MakeColor(255, 255, 255);
    for (int frame = 1; frame <= 2; ++frame) {
        engine::DrawRectangle(0, 0, 640, 480, white, 1);
        engine::PresentScreen();
        ASSERT_EQ(engine::PumpMessages(), 0);
    }
    // The pump that ended frame 2 brought the pause, and returned when it ended at frame 9.
    EXPECT_EQ(session.Platform().FramePumps(), 8);
    EXPECT_FALSE(engine::GamePaused());
    EXPECT_EQ(session.Platform().PresentCount(), 3);  // two frames and the paused one
    const std::vector<uint32_t>& shown = session.Platform().Presented();
    EXPECT_EQ(shown[10 * 640 + 10], 0xFF3F3F3Fu);         // dimmed
    EXPECT_EQ(shown[240 * 640 + 320 - 12], 0xFFFFFFFFu);  // the pause sign (no font loaded)
    EXPECT_EQ(engine::FrontScreen().pixels[10 * 640 + 10] | 0xFF000000u, 0xFFFFFFFFu);  // the game's own
}

}  // namespace

namespace {

// Whether a finished game reached the score table: said in words, for longer than the loudspeaker.
TEST(Notice, TheScoreTablesAnswerStaysThreeSeconds) {
    testsupport::HeadlessSession session;
    ASSERT_EQ(engine::InitEngine(), 0);
    session.Platform().KeepPresented(true);
    auto shown = [&session] {
        engine::ClearScreen();
        engine::PresentScreen();
        engine::PumpMessages();
        return session.Platform()
            .Presented()[size_t(12 + 10) * 640 + (640 - 12 - 159 + 8 + 7)];  // the arrow's tip
    };
    engine::ShowNotice(engine::Notice::kScoreSent);
    EXPECT_EQ(shown(), 0xFF80FF90u);
    engine::ShowNotice(engine::Notice::kScoreKept);  // takes the place of the earlier one
    EXPECT_EQ(shown(), 0xFFFFD060u);
    session.Platform().AdvanceMicros(engine::kScoreNoticeMicros - 1000);
    EXPECT_EQ(shown(), 0xFFFFD060u);
    session.Platform().AdvanceMicros(1000);
    EXPECT_EQ(shown(), 0xFF000000u);
}

}  // namespace
