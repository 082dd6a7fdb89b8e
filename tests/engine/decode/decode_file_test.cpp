// Decoding files: recognition by content whatever the name, alpha companions, cut PNG files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/decode/decode.h"
#include "engine/file/file_access.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpora = VELMORAN_CORPORA_DIR;

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class DecodeFileTest : public testing::Test {
protected:
    void SetUp() override {
        engine::ResetFileAccess();
        folder_ = fs::temp_directory_path() / ("velmoran-decode-" + std::to_string(::getpid()));
        fs::create_directories(folder_ / "data" / "jiki");
    }
    void TearDown() override {
        engine::ResetFileAccess();
        fs::remove_all(folder_);
    }
    std::string Place(const fs::path& source, const std::string& name) {
        fs::copy_file(source, folder_ / name, fs::copy_options::overwrite_existing);
        return (folder_ / name).string();
    }
    fs::path folder_;
};

TEST_F(DecodeFileTest, FormatComesFromTheContentNotTheName) {
    engine::DecodedPicture picture, companion;
    bool hasCompanion = true;
    // A BMP with an upper-case extension, and a PNG named .bmp.
    const std::string bmp = Place(kCorpora / "bmpsuite/g/rgb24.bmp", "data/jiki/bomb.BMP");
    ASSERT_TRUE(engine::DecodePictureFile(bmp, &picture, &companion, &hasCompanion));
    EXPECT_EQ(picture.layout, engine::PixelLayout::kBgr24);
    EXPECT_FALSE(hasCompanion);
    const std::string png = Place(kCorpora / "pngsuite/basn6a08.png", "data/jiki/shot.bmp");
    ASSERT_TRUE(engine::DecodePictureFile(png, &picture, &companion, &hasCompanion));
    EXPECT_EQ(picture.layout, engine::PixelLayout::kBgra32);
    // Neither picture: fails, as does a missing file.
    const std::string text = folder_ / "data/readme.png";
    std::ofstream(text) << "not a picture";
    EXPECT_FALSE(engine::DecodePictureFile(text, &picture, &companion, &hasCompanion));
    EXPECT_FALSE(
        engine::DecodePictureFile((folder_ / "data/none.png").string(), &picture, &companion, &hasCompanion));
}

TEST_F(DecodeFileTest, CompanionIsFoundBesideThePicture) {
    const std::string bunny = Place(kCorpora / "bmpsuite/g/rgb24.bmp", "data/bunny.bmp");
    engine::DecodedPicture picture, companion;
    bool hasCompanion = false;
    ASSERT_TRUE(engine::DecodePictureFile(bunny, &picture, &companion, &hasCompanion));
    EXPECT_FALSE(hasCompanion);
    Place(kCorpora / "pngsuite/basn0g08.png", "data/bunny_a.bmp");
    ASSERT_TRUE(engine::DecodePictureFile(bunny, &picture, &companion, &hasCompanion));
    EXPECT_TRUE(hasCompanion);
    EXPECT_EQ(companion.layout, engine::PixelLayout::kGray);
    // A companion that does not decode is ignored.
    std::ofstream(folder_ / "data/bunny_a.bmp") << "BM broken";
    ASSERT_TRUE(engine::DecodePictureFile(bunny, &picture, &companion, &hasCompanion));
    EXPECT_FALSE(hasCompanion);
}

TEST(CompanionName, InsertsBeforeTheLastDotOfTheFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {"data/bunny.bmp", "data/bunny_a.bmp"},   {"data/jiki/bomb.BMP", "data/jiki/bomb_a.BMP"},
        {"data/a.b.png", "data/a.b_a.png"},       {"data/noext", "data/noext_a"},
        {"./data.v2/noext", "./data.v2/noext_a"}, {"data\\win.bmp", "data\\win_a.bmp"},
    };
    for (const auto& [name, companion] : cases) EXPECT_EQ(engine::CompanionName(name), companion);
}

TEST(AlphaCompanion, BrightnessBecomesAlphaAndUncoveredPixelsStayOpaque) {
    engine::DecodedPicture mask;
    mask.width = 2;
    mask.height = 1;
    mask.bytesPerRow = 6;
    mask.layout = engine::PixelLayout::kBgr24;
    mask.pixels = {255, 255, 255, 0, 0, 128};  // white, then red 128
    std::vector<uint32_t> argb(3 * 2, 0x00123456);
    engine::ApplyAlphaCompanion(mask, 3, 2, &argb);
    EXPECT_EQ(argb, (std::vector<uint32_t>{0xFF123456, 0x26123456, 0xFF123456, 0xFF123456, 0xFF123456,
                                           0xFF123456}));
}

TEST(PngDecoder, CutFilesFailCleanly) {
    const std::vector<uint8_t> file = ReadBytes(kCorpora / "pngsuite/basi6a16.png");
    ASSERT_GT(file.size(), 100u);
    engine::DecodedPicture picture;
    ASSERT_TRUE(engine::DecodePng(file.data(), file.size(), &picture));
    for (size_t cut = 0; cut < file.size(); cut += 3) {
        EXPECT_FALSE(engine::DecodePng(file.data(), cut, &picture)) << cut;
    }
}

}  // namespace
