// The BMP files of SaveDrawScreen, byte for byte, and its failures.
#include "engine/capture/capture.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/engine_fixture.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

class CaptureTest : public testsupport::EngineFixture {};

TEST_F(CaptureTest, WholeScreenFileHasTheHeaderAndBottomRowFirst) {
    Pixel(0, 479) = 0xFF112233u;  // bottom-left: the first pixel in the file
    Pixel(639, 0) = 0xFF445566u;  // top-right: the last
    ASSERT_EQ(engine::SaveDrawScreen(0, 0, 640, 480, "shot.bmp", engine::kSaveBmp, 80, 1, -1), 0);
    const auto b = ReadBytes("shot.bmp");
    ASSERT_EQ(b.size(), 54u + 480u * 1920u);
    const std::vector<uint8_t> header = {
        'B', 'M', 0x36, 0x10, 0x0E, 0x00, 0, 0, 0, 0, 54, 0, 0, 0,     // size 921654, offset 54
        40, 0, 0, 0, 0x80, 0x02, 0, 0, 0xE0, 0x01, 0, 0, 1, 0, 24, 0,  // 640 x 480, 1 plane, 24
                                                                       // bits
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 54), header);
    EXPECT_EQ(Le32(b, 22), 480u);
    EXPECT_EQ((std::vector<uint8_t>{b[54], b[55], b[56]}), (std::vector<uint8_t>{0x33, 0x22, 0x11}));
    EXPECT_EQ((std::vector<uint8_t>{b[b.size() - 3], b[b.size() - 2], b[b.size() - 1]}),
              (std::vector<uint8_t>{0x66, 0x55, 0x44}));
}

TEST_F(CaptureTest, NarrowRectangleRowsArePaddedWithZeros) {
    for (int y = 10; y < 12; ++y)
        for (int x = 5; x < 8; ++x) Pixel(x, y) = 0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8 | 0xAB;
    ASSERT_EQ(engine::SaveDrawScreen(5, 10, 8, 12, "narrow.bmp", engine::kSaveBmp, 80, 1, -1), 0);
    const auto b = ReadBytes("narrow.bmp");
    ASSERT_EQ(b.size(), 54u + 2 * 12u);
    EXPECT_EQ(Le32(b, 2), 78u);
    EXPECT_EQ(Le32(b, 18), 3u);
    EXPECT_EQ(Le32(b, 22), 2u);
    const std::vector<uint8_t> rows = {0xAB, 11, 5, 0xAB, 11, 6, 0xAB, 11, 7, 0, 0, 0,   // row y = 11
                                       0xAB, 10, 5, 0xAB, 10, 6, 0xAB, 10, 7, 0, 0, 0};  // row y = 10
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 54, b.end()), rows);
}

TEST_F(CaptureTest, BadRectanglesAndMissingFoldersWriteNothing) {
    struct Rect {
        int x1, y1, x2, y2;
    };
    for (Rect r : {Rect{0, 0, 641, 480}, Rect{0, 0, 640, 481}, Rect{-1, 0, 10, 10}, Rect{0, -1, 10, 10},
                   Rect{10, 0, 10, 10}, Rect{0, 10, 10, 5}}) {
        EXPECT_EQ(engine::SaveDrawScreen(r.x1, r.y1, r.x2, r.y2, "bad.bmp", 0, 80, 1, -1), -1);
    }
    EXPECT_FALSE(std::filesystem::exists("bad.bmp"));
    EXPECT_EQ(engine::SaveDrawScreen(0, 0, 640, 480, "NoSuchFolder/a.bmp", 0, 80, 1, -1), -1);
    EXPECT_FALSE(std::filesystem::exists("NoSuchFolder"));
    EXPECT_EQ(engine::SaveDrawScreen(0, 0, 640, 480, "a.jpg", engine::kSaveJpeg, 80, 1, -1), -1);
}

TEST_F(CaptureTest, AFailedSaveSaysWhyAndLeavesNoFile) {
    EXPECT_EQ(engine::SaveDrawScreen(0, 0, 640, 480, "NoSuchFolder/a.bmp", 0, 80, 1, -1), -1);
    EXPECT_EQ(engine::SaveDrawScreenError(), "No such file or directory");
    EXPECT_EQ(engine::SaveDrawScreen(0, 0, 641, 480, "a.bmp", 0, 80, 1, -1), -1);
    EXPECT_FALSE(engine::SaveDrawScreenError().empty());
    ASSERT_EQ(engine::SaveDrawScreen(0, 0, 1, 1, "a.bmp", 0, 80, 1, -1), 0);
    EXPECT_EQ(engine::SaveDrawScreenError(), "");

    // A full disk, as a file-size limit: the old file is gone (deleted first), no half picture stays.
    std::ofstream("big.bmp") << "old picture";
    std::ofstream("big.png") << "old picture";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        int wrong = 0;
        for (int type : {engine::kSaveBmp, engine::kSavePng}) {
            const char* name = type == engine::kSaveBmp ? "big.bmp" : "big.png";
            if (engine::SaveDrawScreen(0, 0, 640, 480, name, type, 80, 1, 0) != -1) wrong |= 1;
            if (engine::SaveDrawScreenError() != "File too large") wrong |= 2;
        }
        _exit(wrong);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists("big.bmp"));
    EXPECT_FALSE(std::filesystem::exists("big.png"));
}

TEST_F(CaptureTest, ALinkInThePicturesPlaceIsReplacedNotWrittenThrough) {
    std::ofstream("victim.txt") << "someone else's file";
    std::filesystem::create_symlink("victim.txt", "shot.bmp");
    std::filesystem::create_symlink("nowhere/at/all", "dangling.bmp");
    for (const char* name : {"shot.bmp", "dangling.bmp"}) {
        ASSERT_EQ(engine::SaveDrawScreen(0, 0, 1, 1, name, engine::kSaveBmp, 80, 1, -1), 0) << name;
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(name))) << name;
        EXPECT_EQ(ReadBytes(name).size(), 58u) << name;
    }
    EXPECT_EQ(ReadBytes("victim.txt").size(), std::string("someone else's file").size());
    EXPECT_FALSE(std::filesystem::exists("nowhere"));
}

TEST_F(CaptureTest, SavingTwiceKeepsOnlyTheSecondPicture) {
    Pixel(0, 0) = 0xFF0000FFu;
    ASSERT_EQ(engine::SaveDrawScreen(0, 0, 2, 1, "twice.bmp", 0, 80, 1, -1), 0);
    Pixel(0, 0) = 0xFF00FF00u;
    ASSERT_EQ(engine::SaveDrawScreen(0, 0, 1, 1, "twice.bmp", 0, 80, 1, -1), 0);
    const auto b = ReadBytes("twice.bmp");
    ASSERT_EQ(b.size(), 58u);
    EXPECT_EQ((std::vector<uint8_t>{b[54], b[55], b[56], b[57]}), (std::vector<uint8_t>{0, 0xFF, 0, 0}));
}

TEST_F(CaptureTest, PngSaveWritesAPng) {
    ASSERT_EQ(engine::SaveDrawScreen(0, 0, 64, 32, "shot.png", engine::kSavePng, 80, 1, -1), 0);
    const auto b = ReadBytes("shot.png");
    ASSERT_GT(b.size(), 8u);
    EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 4)), (std::vector<uint8_t>{0x89, 'P', 'N', 'G'}));
}

class SixteenBitCaptureTest : public CaptureTest {
protected:
    int Depth() const override { return 16; }
};

// A 16-bit screen holds 5, 6 and 5 bits: each comes out shifted up with low bits 0.
TEST_F(SixteenBitCaptureTest, ChannelsKeepTheirTopBits) {
    Pixel(0, 0) = 0xFFFFFFFFu;
    Pixel(1, 0) = 0xFF0F0F0Fu;
    ASSERT_EQ(engine::SaveDrawScreen(0, 0, 2, 1, "deep.bmp", 0, 80, 1, -1), 0);
    const auto b = ReadBytes("deep.bmp");
    ASSERT_EQ(b.size(), 62u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 54, b.end()),
              (std::vector<uint8_t>{0xF8, 0xFC, 0xF8, 0x08, 0x0C, 0x08, 0, 0}));
}

}  // namespace
