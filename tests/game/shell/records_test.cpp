// The record files: what is read, what is refused, when files are written.
#include "game/shell/records.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/services/screenshot.h"
#include "game/shell/reset_all.h"
#include "game/state.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST(Records, ReadsOneIntegerLikeFormattedInput) {
    HeadlessSession session;
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"123\r\n", true, 123},   {"  \n\t-42 tail", true, -42},
        {"+7", true, 7},          {"2147483647", true, 2147483647},
        {"2147483648", false, 0}, {"-2147483649", false, 0},
        {"", false, 0},           {"abc", false, 0},
        {"- 5", false, 0},        {"12abc", true, 12},
    };
    for (const Case& c : cases) {
        WriteText("r.dat", c.text);
        int32_t v = 555;
        EXPECT_EQ(game::ReadRecordFile("r.dat", &v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : 555) << c.text;
    }
    int32_t v = 9;
    EXPECT_FALSE(game::ReadRecordFile("missing.dat", &v));
    EXPECT_EQ(v, 9);
}

TEST(Records, StartUpValuesCapAndWrites) {
    HeadlessSession session;
    game::ReadRecords();  // no Option folder: the defaults stay
    EXPECT_EQ(game::gameState.highestStage, 1);
    EXPECT_EQ(game::gameState.highScore, 0);
    EXPECT_EQ(game::screenshotNumber, 0);
    game::gameState.score = 10;
    game::SaveHighScore();  // cannot be written without the folder; kept in memory
    EXPECT_EQ(game::gameState.highScore, 10);

    std::filesystem::create_directory("Option");
    WriteText("Option/start.dat", "999\r\n");
    WriteText("Option/score.dat", "not a number");
    WriteText("Option/savess.dat", "17\r\n");
    game::ResetAll();
    game::ReadRecords();
    EXPECT_EQ(game::gameState.highestStage, 600);
    EXPECT_EQ(game::gameState.highScore, 0);
    EXPECT_EQ(game::screenshotNumber, 17);

    WriteText("Option/start.dat", "5\r\n");
    game::ResetAll();
    game::ReadRecords();
    game::gameState.stage = 5;
    game::RecordStage();
    EXPECT_EQ(ReadText("Option/start.dat"), "5\r\n");
    std::filesystem::remove("Option/start.dat");
    game::RecordStage();
    EXPECT_FALSE(std::filesystem::exists("Option/start.dat"));  // stage 5 is no new record
    game::gameState.stage = 6;
    game::RecordStage();
    EXPECT_EQ(ReadText("Option/start.dat"), "6\r\n");
    game::screenshotNumber = 3;
    game::SaveScreenshotNumber();
    EXPECT_EQ(ReadText("Option/savess.dat"), "3\r\n");
}

}  // namespace
