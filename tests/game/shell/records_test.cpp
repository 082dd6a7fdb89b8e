// The record files: what is read, what is refused, when files are written.
#include "game/shell/records.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

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
        {"123\r\n", true, 123},
        {"  \n\t-42 tail", true, -42},
        {"+7", true, 7},
        {"2147483647", true, 2147483647},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"", false, 0},
        {"abc", false, 0},
        {"- 5", false, 0},
        {"12abc", true, 12},
        {"-2147483648", true, INT32_MIN},
        {"000000000000000000000042", true, 42},
        {"99999999999999999999999", false, 0},
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

    // However much white space comes first, the whole number is read; past a megabyte the file is
    // no record and nothing is read.
    WriteText("r.dat", std::string(4093, ' ') + "330");
    EXPECT_TRUE(game::ReadRecordFile("r.dat", &v));
    EXPECT_EQ(v, 330);
    WriteText("r.dat", std::string(100000, '\n') + "-17\r\n");
    EXPECT_TRUE(game::ReadRecordFile("r.dat", &v));
    EXPECT_EQ(v, -17);
    WriteText("r.dat", std::string(2 << 20, ' ') + "5");
    v = 9;
    EXPECT_FALSE(game::ReadRecordFile("r.dat", &v));
    EXPECT_EQ(v, 9);
}

// The number must end inside the first megabyte: one the cap cuts through is refused, not read short.
TEST(Records, ANumberAcrossTheReadCapIsRefused) {
    HeadlessSession session;
    constexpr size_t kCap = 1 << 20;
    struct Case {
        size_t blanks;
        const char* tail;
        bool ok;
        int32_t value;
    } cases[] = {
        {kCap - 2, "42", true, 42},      // its last digit is the last byte of the megabyte
        {kCap - 2, "42\r\n", true, 42},  // what follows it may lie past the cap
        {kCap - 1, "42", false, 0},      // the reviewer's "4"
        {kCap - 1, "-", false, 0},       // a sign and nothing more
        {kCap - 3, "-7", true, -7},     {kCap, "1", false, 0},
    };
    for (const Case& c : cases) {
        WriteText("r.dat", std::string(c.blanks, ' ') + c.tail);
        int32_t v = 555;
        std::string refused;
        EXPECT_EQ(game::ReadRecordFile("r.dat", &v, &refused), c.ok) << c.blanks << c.tail;
        EXPECT_EQ(v, c.ok ? c.value : 555) << c.blanks << c.tail;
        EXPECT_EQ(refused.empty(), c.ok) << refused;
    }
}

// Anything but a regular file is refused without opening it: a pipe would never answer.
TEST(Records, OnlyRegularFilesAreRead) {
    HeadlessSession session;
    ASSERT_EQ(mkfifo("pipe.dat", 0600), 0);
    std::filesystem::create_directory("folder.dat");
    WriteText("real.dat", "77\r\n");
    std::filesystem::create_symlink("real.dat", "link.dat");
    std::filesystem::create_symlink("pipe.dat", "link-to-pipe.dat");
    std::filesystem::create_symlink("nothing.dat", "dangling.dat");
    struct Case {
        const char* name;
        bool ok;
        bool refused;
    } cases[] = {
        {"pipe.dat", false, true}, {"folder.dat", false, true},    {"link-to-pipe.dat", false, true},
        {"link.dat", true, false}, {"dangling.dat", false, false}, {"missing.dat", false, false},
    };
    for (const Case& c : cases) {
        int32_t v = 5;
        std::string refused;
        EXPECT_EQ(game::ReadRecordFile(c.name, &v, &refused), c.ok) << c.name;
        EXPECT_EQ(v, c.ok ? 77 : 5) << c.name;
        EXPECT_EQ(!refused.empty(), c.refused) << c.name << ": " << refused;
    }
}

// A record refused or held gets one line naming the file; a missing one is normal and quiet.
TEST(Records, StartUpNamesEveryRecordItRefusesOrHolds) {
    HeadlessSession session;
    std::filesystem::create_directory("Option");
    struct Case {
        const char* start;  // nullptr: no file
        const char* score;
        const char* savess;
        std::string said;
    } cases[] = {
        {nullptr, nullptr, nullptr, ""},
        {"12\r\n", "500\r\n", "-1\r\n", ""},  // a negative screenshot number is told when P is pressed
        {"999\r\n", nullptr, nullptr,
         "velmoran: Option/start.dat holds 999, out of 1..600; the highest stage is held to 600\n"},
        {"0", "-20", nullptr,
         "velmoran: Option/start.dat holds 0, out of 1..600; the highest stage is held to 1\n"
         "velmoran: Option/score.dat holds -20, out of 0..99999999; the high score is held to 0\n"},
        {"many", "3000000000", "",
         "velmoran: Option/start.dat is ignored: it holds no number; the highest stage stays 1\n"
         "velmoran: Option/score.dat is ignored: its number does not fit 32 bits; the high score stays 0\n"
         "velmoran: Option/savess.dat is ignored: it holds no number; the screenshot number stays 0\n"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all("Option");
        std::filesystem::create_directory("Option");
        if (c.start) WriteText("Option/start.dat", c.start);
        if (c.score) WriteText("Option/score.dat", c.score);
        if (c.savess) WriteText("Option/savess.dat", c.savess);
        game::ResetAll();
        testing::internal::CaptureStderr();
        game::ReadRecords();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.said);
    }
    std::filesystem::remove_all("Option");
    std::filesystem::create_directories("Option/score.dat");
    testing::internal::CaptureStderr();
    game::ReadRecords();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "velmoran: Option/score.dat is ignored: it is not a regular file; the high score stays 0\n");
}

// The temporary file is made afresh under a random name: links planted where the old fixed name
// "<record>.new" was are neither written through nor become the record.
TEST(Records, PlantedLinksBesideTheRecordAreNeverFollowed) {
    HeadlessSession session;
    std::filesystem::create_directory("Option");
    WriteText("victim.txt", "someone else's file");
    std::filesystem::create_symlink("../victim.txt", "Option/score.dat.new");
    std::filesystem::create_symlink("../nowhere.txt", "Option/start.dat.new");
    EXPECT_TRUE(game::WriteRecordFile("Option/score.dat", 250));
    EXPECT_TRUE(game::WriteRecordFile("Option/start.dat", 4));
    EXPECT_EQ(ReadText("victim.txt"), "someone else's file");
    EXPECT_FALSE(std::filesystem::exists("nowhere.txt"));
    for (const char* record : {"Option/score.dat", "Option/start.dat"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(record))) << record;
        EXPECT_TRUE(std::filesystem::is_symlink(std::string(record) + ".new")) << "left as it was";
    }
    EXPECT_EQ(ReadText("Option/score.dat"), "250\r\n");
    EXPECT_EQ(ReadText("Option/start.dat"), "4\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("Option"), {}), 4)
        << "no temporary file left";
}

TEST(Records, StartUpClampsToWhatTheScreensCanUse) {
    HeadlessSession session;
    std::filesystem::create_directory("Option");
    struct Case {
        const char* start;
        const char* score;
        int32_t highestStage, highScore;
    } cases[] = {
        {"-5", "-1", 1, 0},
        {"0", "2147483647", 1, 99999999},
        {"601", "99999999", 600, 99999999},
        {"7", "100000000", 7, 99999999},
        {"1", "0", 1, 0},
    };
    for (const Case& c : cases) {
        WriteText("Option/start.dat", std::string(c.start) + "\r\n");
        WriteText("Option/score.dat", std::string(c.score) + "\r\n");
        game::ResetAll();
        game::ReadRecords();
        EXPECT_EQ(game::gameState.highestStage, c.highestStage) << c.start;
        EXPECT_EQ(game::gameState.highScore, c.highScore) << c.score;
    }
}

// Runs `body` in a child process and returns its exit status (or -1 when it did not exit).
template <typename Body>
int InChild(Body body) {
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Records, AFailedWriteKeepsTheOldRecord) {
    HeadlessSession session;
    std::filesystem::create_directory("Option");
    WriteText("Option/score.dat", "5\r\n");
    WriteText("Option/savess.dat", "12\r\n");
    // Writes refused as on a full disk: a file-size limit of 0 bytes.
    const int result = InChild([] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{0, 0};
        setrlimit(RLIMIT_FSIZE, &limit);
        game::gameState.score = 7;
        game::SaveHighScore();
        game::screenshotNumber = 13;
        return game::WriteRecordFile("Option/savess.dat", 13) ? 1 : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadText("Option/score.dat"), "5\r\n");
    EXPECT_EQ(ReadText("Option/savess.dat"), "12\r\n");
    for (const auto& entry : std::filesystem::directory_iterator("Option"))
        EXPECT_TRUE(entry.path().extension() == ".dat") << entry.path() << " left behind";

    // No folder: false, and nothing made.
    EXPECT_FALSE(game::WriteRecordFile("NoSuchFolder/score.dat", 1));
    EXPECT_FALSE(std::filesystem::exists("NoSuchFolder"));
    // A good write replaces the record byte for byte.
    EXPECT_TRUE(game::WriteRecordFile("Option/score.dat", -40));
    EXPECT_EQ(ReadText("Option/score.dat"), "-40\r\n");
}

TEST(Records, AKillAtAnyInstantLeavesTheOldOrTheNewRecord) {
    HeadlessSession session;
    std::filesystem::create_directory("Option");
    WriteText("Option/score.dat", "1000\r\n");
    std::mt19937 random(8);
    for (int round = 0; round < 150; ++round) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (int32_t i = 0;; ++i) game::WriteRecordFile("Option/score.dat", i % 2 ? 1000 : 22222222);
        }
        ASSERT_GT(pid, 0) << "fork failed";  // never kill(-1, ...)
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const std::string text = ReadText("Option/score.dat");
        ASSERT_TRUE(text == "1000\r\n" || text == "22222222\r\n")
            << "round " << round << ": \"" << text << "\"";
    }
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
