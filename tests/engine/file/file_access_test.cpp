// File access: plain files against archives standing for a folder, streams, keys and the tables.
#include "engine/file/file_access.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "engine/decode/decode.h"
#include "engine/file/archive_format.h"
#include "engine/file/archive_pack.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// Runs each test in a fresh working folder, since the game names its files relative to it.
class FileAccessTest : public testing::Test {
protected:
    void SetUp() override {
        engine::ResetFileAccess();
        previous_ = fs::current_path();
        root_ = fs::temp_directory_path() / ("velmoran-files-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        fs::current_path(root_);
    }
    void TearDown() override {
        engine::ResetFileAccess();
        fs::current_path(previous_);
        fs::remove_all(root_);
    }
    static void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
        if (path.has_parent_path()) fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static void Pack(const std::string& folder, const std::string& key = "") {
        engine::ArchiveBuildOptions options;
        options.keyString = key;
        std::vector<uint8_t> archive;
        engine::ArchiveBuildStats stats;
        std::string error;
        ASSERT_TRUE(engine::BuildArchive(folder, options, &archive, &stats, &error)) << error;
        Write(folder + ".ZRA", archive);
    }
    static std::string Read(const std::string& name) {
        std::vector<uint8_t> bytes;
        if (!engine::ReadWholeFile(name, &bytes)) return "<fail>";
        return std::string(bytes.begin(), bytes.end());
    }
    fs::path previous_, root_;
};

TEST_F(FileAccessTest, PlainFilesWithoutArchive) {
    Write("data/se/hit.wav", Bytes("disk"));
    EXPECT_EQ(Read("data/se/hit.wav"), "disk");
    EXPECT_EQ(Read("data\\se\\hit.wav"), "disk");
    EXPECT_EQ(Read("data/./map/../se/hit.wav"), "disk");
    EXPECT_EQ(Read((root_ / "data/se/hit.wav").string()), "disk");
    EXPECT_EQ(Read("data/se/miss.wav"), "<fail>");
    EXPECT_EQ(Read("data/se"), "<fail>") << "a folder is no file";
    EXPECT_EQ(engine::OpenArchiveCount(), 0);
}

TEST_F(FileAccessTest, ArchiveStandsForItsFolder) {
    Write("data/se/hit.wav", Bytes("archived"));
    Write("data/title.bmp", Bytes("title"));
    Pack("data");
    Write("data/se/hit.wav", Bytes("disk"));
    Write("data/se/only-on-disk.wav", Bytes("disk"));
    EXPECT_EQ(Read("data/se/hit.wav"), "archived") << "the archive wins over the disk";
    EXPECT_EQ(Read("data/SE/Hit.WAV"), "archived") << "names inside an archive ignore case";
    EXPECT_EQ(Read("data/title.bmp"), "title");
    EXPECT_EQ(Read("data/se/only-on-disk.wav"), "<fail>") << "no fall-back to the disk";
    EXPECT_EQ(Read("data/se"), "<fail>") << "a folder entry is no file";
    EXPECT_EQ(Read("data/se/hit.wav/x"), "<fail>");
    EXPECT_EQ(Read("other.txt"), "<fail>");
    Write("other.txt", Bytes("outside"));
    EXPECT_EQ(Read("other.txt"), "outside") << "files beside the archive are plain files";
}

TEST_F(FileAccessTest, RoundTripThroughThePackerWithoutTheFolder) {
    std::vector<uint8_t> wave(3000);
    for (size_t i = 0; i < wave.size(); ++i) wave[i] = uint8_t(i * i >> 3);
    std::vector<uint8_t> repetitive;
    for (int i = 0; i < 500; ++i) repetitive.insert(repetitive.end(), {1, 2, 3, uint8_t(i & 1)});
    std::ifstream bmp(fs::path(VELMORAN_CORPORA_DIR) / "bmpsuite/g/pal8.bmp", std::ios::binary);
    const std::vector<uint8_t> picture{std::istreambuf_iterator<char>(bmp), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(picture.empty());
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"data/se/hit.wav", wave}, {"data/map/map1.fmf", repetitive},      {"data/jiki/bomb.BMP", picture},
        {"data/empty.bin", {}},    {"data/a/b/c/deep.txt", Bytes("deep")},
    };
    for (const auto& [name, bytes] : files) Write(name, bytes);
    engine::DecodedPicture fromDisk, fromArchive, unused;
    bool hasCompanion = false;
    ASSERT_TRUE(engine::DecodePictureFile("data/jiki/bomb.BMP", &fromDisk, &unused, &hasCompanion));
    Pack("data");
    fs::remove_all("data");
    for (const auto& [name, bytes] : files) {
        std::vector<uint8_t> read;
        ASSERT_TRUE(engine::ReadWholeFile(name, &read)) << name;
        EXPECT_EQ(read, bytes) << name;
    }
    ASSERT_TRUE(engine::DecodePictureFile("data/jiki/bomb.BMP", &fromArchive, &unused, &hasCompanion));
    EXPECT_EQ(fromArchive.pixels, fromDisk.pixels);
    EXPECT_EQ(fromArchive.palette, fromDisk.palette);
}

TEST_F(FileAccessTest, SeekTellAndEndAlikeForEveryKindOfStream) {
    std::string text;
    for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\n";  // packs well
    Write("data/packed.txt", Bytes(text));
    Write("data/stored.bin", Bytes("0123456789"));
    Write("plain.bin", Bytes("0123456789"));
    Pack("data");
    for (const std::string name : {"plain.bin", "data/stored.bin", "data/packed.txt"}) {
        SCOPED_TRACE(name);
        const int s = engine::OpenStream(name);
        ASSERT_GE(s, 0);
        const int64_t length = engine::StreamLength(s);
        EXPECT_EQ(length, name == "data/packed.txt" ? int64_t(text.size()) : 10);
        char buffer[8] = {};
        EXPECT_EQ(engine::TellStream(s), 0);
        EXPECT_EQ(engine::IsStreamEnd(s), 0);
        EXPECT_EQ(engine::ReadStream(s, buffer, 3), 3);
        EXPECT_EQ(engine::TellStream(s), 3);
        EXPECT_EQ(engine::SeekStream(s, 2, engine::SeekOrigin::kCurrent), 5);
        EXPECT_EQ(engine::ReadStream(s, buffer, 1), 1);
        EXPECT_EQ(buffer[0], name == "data/packed.txt" ? text[5] : '5');
        EXPECT_EQ(engine::SeekStream(s, -2, engine::SeekOrigin::kEnd), length - 2);
        EXPECT_EQ(engine::ReadStream(s, buffer, 8), 2) << "reads stop at the end";
        EXPECT_EQ(engine::IsStreamEnd(s), 1);
        EXPECT_EQ(engine::ReadStream(s, buffer, 8), 0);
        EXPECT_EQ(engine::SeekStream(s, -1, engine::SeekOrigin::kStart), -1);
        EXPECT_EQ(engine::TellStream(s), length) << "a failed seek keeps the position";
        EXPECT_EQ(engine::SeekStream(s, 100, engine::SeekOrigin::kEnd), length + 100);
        EXPECT_EQ(engine::ReadStream(s, buffer, 8), 0);
        EXPECT_EQ(engine::SeekStream(s, 0, engine::SeekOrigin::kStart), 0);
        EXPECT_EQ(engine::ReadStream(s, buffer, 1), 1);
        EXPECT_EQ(engine::CloseStream(s), 0);
        EXPECT_EQ(engine::CloseStream(s), -1);
        EXPECT_EQ(engine::TellStream(s), -1);
        EXPECT_EQ(engine::ReadStream(s, buffer, 1), -1);
    }
}

TEST_F(FileAccessTest, AtMost512StreamsAtOnce) {
    Write("data/x.bin", Bytes("x"));
    Write("plain.bin", Bytes("p"));
    Pack("data");
    std::vector<int> streams;
    for (int i = 0; i < engine::kMaxOpenStreams; ++i) {
        streams.push_back(engine::OpenStream(i % 2 ? "data/x.bin" : "plain.bin"));
        ASSERT_GE(streams.back(), 0) << i;
    }
    EXPECT_EQ(engine::OpenStream("plain.bin"), -1) << "the 513th";
    EXPECT_EQ(engine::OpenArchiveCount(), 1) << "one archive, shared by its streams";
    ASSERT_EQ(engine::CloseStream(streams[7]), 0);
    EXPECT_GE(engine::OpenStream("data/x.bin"), 0);
}

TEST_F(FileAccessTest, RememberedArchiveOutlivesItsFile) {
    Write("data/se/hit.wav", Bytes("archived"));
    Pack("data");
    fs::remove_all("data");
    EXPECT_EQ(Read("data/se/hit.wav"), "archived");
    // The archive used last stays open and is used for its folder without looking at the disk again.
    fs::rename("data.ZRA", "moved.ZRA");
    EXPECT_EQ(Read("data/se/hit.wav"), "archived");
    engine::ResetFileAccess();
    EXPECT_EQ(Read("data/se/hit.wav"), "<fail>");
}

TEST_F(FileAccessTest, ArchiveNamedAfterADeeperFolder) {
    Write("data/se/hit.wav", Bytes("sounds"));
    Pack("data/se");
    fs::remove_all("data/se");
    Write("data/title.bmp", Bytes("title"));
    EXPECT_EQ(Read("data/se/hit.wav"), "sounds");
    EXPECT_EQ(Read("data/title.bmp"), "title");
}

// Only folders inside the game's (working) folder have archives: one planted beside the game's folder
// or above it, where another user may write, is never opened.
TEST_F(FileAccessTest, ArchivesOutsideTheGameFolderAreIgnored) {
    Write("outer/game/data/se/hit.wav", Bytes("planted above"));
    Write("outer/elsewhere.txt", Bytes("planted above"));
    Pack("outer");  // outer.ZRA, above the game's folder
    Write("outer/game/data/se/hit.wav", Bytes("planted beside"));
    Pack("outer/game");  // outer/game.ZRA, named after the game's folder itself
    Write("outer/game/data/se/hit.wav", Bytes("disk"));
    Write("outer/elsewhere.txt", Bytes("disk"));
    fs::current_path("outer/game");
    EXPECT_EQ(Read("data/se/hit.wav"), "disk");
    EXPECT_EQ(Read((root_ / "outer/game/data/se/hit.wav").string()), "disk");
    EXPECT_EQ(Read((root_ / "outer/elsewhere.txt").string()), "disk") << "a path outside has no archive";
    EXPECT_EQ(engine::OpenArchiveCount(), 0);

    // The game's own archives are used as ever.
    Write("data/se/hit.wav", Bytes("archived"));
    Pack("data");
    Write("data/se/hit.wav", Bytes("disk"));
    EXPECT_EQ(Read("data/se/hit.wav"), "archived");
    EXPECT_EQ(engine::OpenArchiveCount(), 1);
    // The remembered archive follows the same rule: from inside data/se, data.ZRA lies outside.
    fs::current_path("data/se");
    EXPECT_EQ(Read("hit.wav"), "disk");
    fs::current_path(root_);
}

TEST_F(FileAccessTest, KeysScrambleTheWholeArchive) {
    Write("data/se/hit.wav", Bytes("secret sound"));
    Pack("data", "melon");
    fs::remove_all("data");
    std::ifstream in("data.ZRA", std::ios::binary);
    const std::string raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(raw.find("secret sound"), std::string::npos);
    EXPECT_EQ(raw.find("HIT.WAV"), std::string::npos);
    EXPECT_NE(raw.substr(0, 2), "ZR");
    // Without the key it is no archive at all, so the plain (missing) file is looked for.
    EXPECT_EQ(Read("data/se/hit.wav"), "<fail>");
    engine::ResetFileAccess();
    engine::SetArchiveKey("melon");
    EXPECT_EQ(Read("data/se/hit.wav"), "secret sound");
}

TEST_F(FileAccessTest, SecondKeyIsTriedWhenTheFirstFails) {
    Write("data/se/hit.wav", Bytes("second"));
    Pack("data");
    fs::remove_all("data");
    std::fstream file("data.ZRA", std::ios::binary | std::ios::in | std::ios::out);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    engine::ScrambleBytes(engine::DeriveArchiveKey(""), 0, bytes.data(), bytes.size());
    engine::ScrambleBytes(engine::SecondArchiveKey(), 0, bytes.data(), bytes.size());
    file.seekp(0);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    EXPECT_EQ(Read("data/se/hit.wav"), "second");
}

TEST_F(FileAccessTest, DamagedArchivesFailWithoutCrashing) {
    std::vector<uint8_t> big(4000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i % 13);
    Write("data/se/hit.wav", big);
    Write("data/se/raw.bin", Bytes("abcdefgh"));
    Pack("data");
    fs::remove_all("data");
    std::ifstream in("data.ZRA", std::ios::binary);
    const std::vector<uint8_t> good{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    // Every cut, and a flipped byte at every place: each read either works or fails cleanly.
    for (size_t at = 0; at < good.size(); at += 7) {
        for (int damage = 0; damage < 2; ++damage) {
            std::vector<uint8_t> bad = good;
            if (damage == 0)
                bad.resize(at);
            else
                bad[at] ^= 0x5A;
            Write("data.ZRA", bad);
            engine::ResetFileAccess();
            std::vector<uint8_t> out;
            if (engine::ReadWholeFile("data/se/hit.wav", &out) && damage == 0) {
                EXPECT_EQ(out, big);
            }
            engine::ReadWholeFile("data/se/raw.bin", &out);
        }
    }
}

TEST_F(FileAccessTest, AnArchiveWithAGoodHeaderAndBrokenTablesIsUsedAndNamedOnce) {
    Write("data/se/hit.wav", Bytes("archived"));
    Pack("data");
    Write("data/se/hit.wav", Bytes("disk"));
    std::ifstream in("data.ZRA", std::ios::binary);
    std::vector<uint8_t> archive{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    archive.resize(engine::kArchiveHeaderSize + 4);  // the header stays whole; its tables are cut off
    Write("data.ZRA", archive);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Read("data/se/hit.wav"), "<fail>") << "the loose file is not read in the archive's place";
    EXPECT_EQ(Read("data/se/other.wav"), "<fail>");
    engine::ReportUnloadable("data/se/hit.wav", "sound");  // the archive's line covers its files
    engine::ResetFileAccess();
    const std::string first = testing::internal::GetCapturedStderr();
    EXPECT_NE(first.find((root_ / "data.ZRA").string() + " is damaged"), std::string::npos) << first;
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 1) << first;

    // Bytes that are no archive at all stand for nothing: the folder is read.
    Write("data.ZRA", Bytes("this is not an archive, just a file of that name"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(Read("data/se/hit.wav"), "disk");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(FileAccessTest, AFileThatCannotBeLoadedIsNamedOncePerRun) {
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) engine::ReportUnloadable("data/title.bmp", "picture");
    engine::ReportUnloadable("data/se/hit.wav", "sound");
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(
        said,
        "velmoran: warning: the picture data/title.bmp is missing or cannot be decoded; the game goes on "
        "without it\n"
        "velmoran: warning: the sound data/se/hit.wav is missing or cannot be decoded; the game goes on "
        "without it\n");
    engine::ResetFileAccess();  // a new run names it again
    testing::internal::CaptureStderr();
    engine::ReportUnloadable("data/title.bmp", "picture");
    said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

}  // namespace
