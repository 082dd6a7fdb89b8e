// A screen mode changed after start-up: the new mode, else the previous one, else 640 x 480 at 16 bits.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "platform/headless/headless_platform.h"

namespace {

// A window system that takes only some picture widths.
class PickyPlatform : public headless::HeadlessPlatform {
public:
    using HeadlessPlatform::HeadlessPlatform;
    std::set<int> widths = {640, 320};
    bool OpenWindow(const platform::WindowSettings& settings, std::string* error) override {
        if (!widths.count(settings.width)) {
            *error = "no such mode";
            return false;
        }
        return HeadlessPlatform::OpenWindow(settings, error);
    }
};

TEST(SetScreenMode, FallsBackToThePreviousModeThenTo640x480At16Bits) {
    platform::Options options;
    options.noSound = true;
    auto owned = std::make_unique<PickyPlatform>(options);
    PickyPlatform& p = *owned;
    platform::Install(std::move(owned));
    engine::ResetEngine();
    engine::SetLogEnabled(0);
    ASSERT_EQ(engine::InitEngine(), 0);

    EXPECT_EQ(engine::SetScreenMode(320, 240, 32, 60), 0);
    EXPECT_EQ(engine::BackScreen().width, 320);
    // Refused: the previous mode comes back, and the result says the request failed.
    EXPECT_EQ(engine::SetScreenMode(800, 600, 32, 60), -1);
    EXPECT_EQ(engine::BackScreen().width, 320);
    EXPECT_EQ(engine::ScreenColourDepth(), 32);
    EXPECT_TRUE(p.WindowOpen());
    // Neither the new nor the previous mode: 640 x 480 at 16 bits, and -2.
    p.widths = {640};
    EXPECT_EQ(engine::SetScreenMode(800, 600, 32, 60), -2);
    EXPECT_EQ(engine::BackScreen().width, 640);
    EXPECT_EQ(engine::BackScreen().height, 480);
    EXPECT_EQ(engine::ScreenColourDepth(), 16);
    EXPECT_EQ(engine::PumpMessages(), 0);
    // Nothing at all: -1, and the game is told to quit at its next message pump.
    p.widths = {};
    EXPECT_EQ(engine::SetScreenMode(800, 600, 32, 60), -1);
    EXPECT_FALSE(engine::LastEngineError().empty());
    EXPECT_EQ(engine::PumpMessages(), -1);
    EXPECT_EQ(engine::BackScreen().width, 640);  // drawing goes on safely into memory until the end
    EXPECT_EQ(engine::ClearScreen(), 0);

    engine::EndEngine();
    platform::Install(nullptr);
}

}  // namespace
