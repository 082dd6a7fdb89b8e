// The P key's screenshots: one file per press, numbered, the number used up even on failure.
#include "game/services/screenshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/frame/frame.h"
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
}

// Every press that saves nothing says why, once a run, on stderr and in the log.
class ScreenshotReportTest : public ScreenshotTest {
protected:
    void SetUp() override {
        ScreenshotTest::SetUp();
        game::ForgetScreenshotReports();
        engine::SetLogEnabled(1);
    }
    // Three presses; what they said on stderr.
    std::string PressThrice() {
        testing::internal::CaptureStderr();
        for (int i = 0; i < 3; ++i) {
            Frame(false);
            Frame(true);
        }
        return testing::internal::GetCapturedStderr();
    }
    static std::string Log() {
        std::stringstream text;
        text << std::ifstream("Log.txt").rdbuf();
        return text.str();
    }
};

TEST_F(ScreenshotReportTest, AFailedSaveIsToldOnceAndStillUsesItsNumber) {
    std::ofstream("ScreenShots") << "a file where the folder should be";
    const std::string said = PressThrice();
    EXPECT_EQ(said, "velmoran: the screenshot ScreenShots/SS0000.bmp could not be saved (Not a directory)\n");
    EXPECT_NE(Log().find("the screenshot ScreenShots/SS0000.bmp could not be saved"), std::string::npos)
        << Log();
    EXPECT_EQ(game::screenshotNumber, 3);
}

TEST_F(ScreenshotReportTest, ANegativeNumberReadKeepsThemOffAndSaysSoOnce) {
    std::filesystem::create_directory("ScreenShots");
    game::screenshotNumber = -5;
    EXPECT_EQ(PressThrice(),
              "velmoran: screenshots are switched off: Option/savess.dat holds a negative number\n");
    EXPECT_EQ(game::screenshotNumber, -5);
    EXPECT_TRUE(std::filesystem::is_empty("ScreenShots"));
}

TEST_F(ScreenshotReportTest, TheCounterStopsAtTheTopInsteadOfWrapping) {
    std::filesystem::create_directory("ScreenShots");
    // The last number is used, then every press is refused without wrapping or overwriting.
    game::screenshotNumber = INT32_MAX - 1;
    std::string said = PressThrice();
    EXPECT_TRUE(std::filesystem::exists(game::ScreenshotFileName(INT32_MAX - 1)));
    EXPECT_EQ(game::screenshotNumber, INT32_MAX);
    EXPECT_EQ(said,
              "velmoran: no screenshot number is left (Option/savess.dat holds 2147483647); no more "
              "screenshots are saved\n");
    // Passing over files that exist stops there too.
    game::ForgetScreenshotReports();
    game::screenshotNumber = INT32_MAX - 2;
    std::ofstream(game::ScreenshotFileName(INT32_MAX - 2)) << "earlier";
    said = PressThrice();
    EXPECT_EQ(game::screenshotNumber, INT32_MAX);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    std::stringstream text;
    text << std::ifstream(game::ScreenshotFileName(INT32_MAX - 2)).rdbuf();
    EXPECT_EQ(text.str(), "earlier");
}

TEST_F(ScreenshotTest, AMissingFolderStillUsesTheNumberUp) {
    Frame(true);
    EXPECT_EQ(game::screenshotNumber, 1);
    EXPECT_FALSE(std::filesystem::exists("ScreenShots"));
}

}  // namespace
