// The loudspeaker notice after M: over the presented frame for a moment, never in the game's picture.
#include "engine/frame/notice.h"

#include <gtest/gtest.h>

#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
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
