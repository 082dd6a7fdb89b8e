// The P key's screenshots: one file per press, numbered, the number used up even on failure.
#include "game/services/screenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/services/frame_rhythm.h"
#include "game/shell/reset_all.h"
#include "game/state.h"
#include "support/engine_fixture.h"

namespace {

class ScreenshotTest : public testsupport::EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        game::ResetAll();
        game::screenshotNumber = 0;
    }
    // One frame with P held or not: poll the counters, then the check EndFrame makes first.
    void Frame(bool held) {
        Platform().MutableInput().keys[game::kKeyP] = held ? 1 : 0;
        engine::PumpMessages();
        game::PollInput();
        game::CheckScreenshotKey();
    }
};

TEST_F(ScreenshotTest, HoldingPSavesOneFileAndEachPressTheNext) {
    std::filesystem::create_directory("ScreenShots");
    for (int i = 0; i < 120; ++i) Frame(true);
    Frame(false);
    Frame(true);
    EXPECT_TRUE(std::filesystem::exists("ScreenShots/SS0000.bmp"));
    EXPECT_EQ(std::filesystem::file_size("ScreenShots/SS0001.bmp"), 54u + 480u * 1920u);
    EXPECT_FALSE(std::filesystem::exists("ScreenShots/SS0002.bmp"));
    EXPECT_EQ(game::screenshotNumber, 2);
}

TEST_F(ScreenshotTest, NumbersPastFourDigitsAndNegativeSwitchesOff) {
    EXPECT_EQ(game::ScreenshotFileName(0), "ScreenShots/SS0000.bmp");
    EXPECT_EQ(game::ScreenshotFileName(10000), "ScreenShots/SS10000.bmp");
    std::filesystem::create_directory("ScreenShots");
    game::screenshotNumber = 10000;
    Frame(true);
    EXPECT_TRUE(std::filesystem::exists("ScreenShots/SS10000.bmp"));
    game::screenshotNumber = -1;
    Frame(false);
    Frame(true);
    EXPECT_EQ(game::screenshotNumber, -1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("ScreenShots"), {}), 1);
}

TEST_F(ScreenshotTest, NumbersWhoseFileExistsArePassedOver) {
    // An earlier run whose counter was lost left SS0000, SS0001 and SS0003 behind.
    std::filesystem::create_directory("ScreenShots");
    for (const char* name : {"ScreenShots/SS0000.bmp", "ScreenShots/SS0001.bmp", "ScreenShots/SS0003.bmp"})
        std::ofstream(name) << "earlier";
    Frame(true);
    Frame(false);
    Frame(true);
    EXPECT_EQ(game::screenshotNumber, 5);
    EXPECT_TRUE(std::filesystem::exists("ScreenShots/SS0002.bmp"));
    EXPECT_TRUE(std::filesystem::exists("ScreenShots/SS0004.bmp"));
    for (const char* name : {"ScreenShots/SS0000.bmp", "ScreenShots/SS0001.bmp", "ScreenShots/SS0003.bmp"}) {
        std::stringstream text;
        text << std::ifstream(name).rdbuf();
        EXPECT_EQ(text.str(), "earlier") << name;
    }
    // The last number whose file exists wraps the counter negative: screenshots go off, nothing is
    // overwritten.
    game::screenshotNumber = INT32_MAX;
    std::ofstream(game::ScreenshotFileName(INT32_MAX)) << "earlier";
    Frame(false);
    Frame(true);
    EXPECT_LT(game::screenshotNumber, 0);
}

TEST_F(ScreenshotTest, AMissingFolderStillUsesTheNumberUp) {
    Frame(true);
    EXPECT_EQ(game::screenshotNumber, 1);
    EXPECT_FALSE(std::filesystem::exists("ScreenShots"));
}

}  // namespace
