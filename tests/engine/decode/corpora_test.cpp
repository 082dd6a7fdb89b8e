// The decoders against real files nobody here wrote: the BMP Suite (with its reference renderings)
// and the PNG Suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/decode/decode.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpora = VELMORAN_CORPORA_DIR;

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool DecodeFile(const fs::path& path, engine::DecodedPicture* picture) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    EXPECT_FALSE(bytes.empty()) << path;
    return engine::DecodePicture(bytes.data(), bytes.size(), picture);
}

enum class Outcome { kMatches, kDecodes, kFails };

struct BmpCase {
    const char* file;
    Outcome outcome;
    const char* reference = nullptr;  // html/*.png to compare the colours with (kMatches)
    const char* why = "";
    int tolerance = 0;  // per colour channel
};

// Every file of the BMP Suite. Files of b/ whose fault lies in a field the decoder never uses
// (densities, the sizes in the headers, palette indices past the table) decode; every fault
// that would make it read or write outside its buffers fails.
const BmpCase kBmpCases[] = {
    {"g/pal1.bmp", Outcome::kMatches, "pal1.png"},
    {"g/pal1bg.bmp", Outcome::kMatches, "pal1bg.png"},
    {"g/pal1wb.bmp", Outcome::kMatches, "pal1.png"},
    {"g/pal4.bmp", Outcome::kMatches, "pal4.png"},
    {"g/pal4gs.bmp", Outcome::kMatches, "pal4gs.png"},
    {"g/pal4rle.bmp", Outcome::kMatches, "pal4.png"},
    {"g/pal8-0.bmp", Outcome::kMatches, "pal8.png"},
    {"g/pal8.bmp", Outcome::kMatches, "pal8.png"},
    {"g/pal8gs.bmp", Outcome::kMatches, "pal8gs.png"},
    {"g/pal8nonsquare.bmp", Outcome::kMatches, "pal8nonsquare-e.png"},
    {"g/pal8os2.bmp", Outcome::kMatches, "pal8.png"},
    {"g/pal8rle.bmp", Outcome::kMatches, "pal8.png"},
    {"g/pal8topdown.bmp", Outcome::kMatches, "pal8.png"},
    {"g/pal8v4.bmp", Outcome::kMatches, "pal8.png"},
    {"g/pal8v5.bmp", Outcome::kMatches, "pal8.png"},
    {"g/pal8w124.bmp", Outcome::kMatches, "pal8w124.png"},
    {"g/pal8w125.bmp", Outcome::kMatches, "pal8w125.png"},
    {"g/pal8w126.bmp", Outcome::kMatches, "pal8w126.png"},
    {"g/rgb16-565.bmp", Outcome::kMatches, "rgb16-565.png"},
    {"g/rgb16-565pal.bmp", Outcome::kMatches, "rgb16-565.png"},
    {"g/rgb16.bmp", Outcome::kMatches, "rgb16.png"},
    {"g/rgb16bfdef.bmp", Outcome::kMatches, "rgb16.png"},
    {"g/rgb24.bmp", Outcome::kMatches, "rgb24.png"},
    {"g/rgb24pal.bmp", Outcome::kMatches, "rgb24.png"},
    {"g/rgb32.bmp", Outcome::kMatches, "rgb24.png"},
    {"g/rgb32bf.bmp", Outcome::kMatches, "rgb24.png"},
    {"g/rgb32bfdef.bmp", Outcome::kMatches, "rgb24.png"},

    {"q/pal1huffmsb.bmp", Outcome::kFails, nullptr, "Huffman compression"},
    {"q/pal1p1.bmp", Outcome::kMatches, "pal1p1.png"},
    {"q/pal2.bmp", Outcome::kMatches, "pal2.png"},
    {"q/pal2color.bmp", Outcome::kMatches, "pal2color.png"},
    {"q/pal4rlecut.bmp", Outcome::kMatches, "pal4rlecut-0.png", "skipped pixels stay index 0"},
    {"q/pal4rletrns.bmp", Outcome::kMatches, "pal4rletrns-0.png"},
    {"q/pal8offs.bmp", Outcome::kMatches, "pal8.png"},
    {"q/pal8os2-hs.bmp", Outcome::kMatches, "pal8.png"},
    {"q/pal8os2-sz.bmp", Outcome::kMatches, "pal8.png"},
    {"q/pal8os2sp.bmp", Outcome::kMatches, "pal8.png"},
    {"q/pal8os2v2-16.bmp", Outcome::kMatches, "pal8.png"},
    {"q/pal8os2v2-40sz.bmp", Outcome::kMatches, "pal8.png"},
    {"q/pal8os2v2-sz.bmp", Outcome::kMatches, "pal8.png"},
    {"q/pal8os2v2.bmp", Outcome::kMatches, "pal8.png"},
    {"q/pal8oversizepal.bmp", Outcome::kMatches, "pal8.png"},
    {"q/pal8rlecut.bmp", Outcome::kMatches, "pal8rlecut-0.png"},
    {"q/pal8rletrns.bmp", Outcome::kMatches, "pal8rletrns-0.png"},
    {"q/rgb16-231.bmp", Outcome::kMatches, "rgb16-231.png"},
    {"q/rgb16-3103.bmp", Outcome::kMatches, "rgb16-3103.png"},
    {"q/rgb16faketrns.bmp", Outcome::kMatches, "rgb16.png", "the unused bit is no alpha"},
    {"q/rgb24jpeg.bmp", Outcome::kFails, nullptr, "embedded JPEG"},
    {"q/rgb24largepal.bmp", Outcome::kMatches, "rgb24.png"},
    {"q/rgb24lprof.bmp", Outcome::kMatches, "rgb24.png"},
    {"q/rgb24png.bmp", Outcome::kFails, nullptr, "embedded PNG"},
    {"q/rgb24rle24.bmp", Outcome::kFails, nullptr, "OS/2 24-bit run-length"},
    {"q/rgb32-111110.bmp", Outcome::kDecodes},
    {"q/rgb32-7187.bmp", Outcome::kMatches, "rgb32-7187.png", "the reference has 16-bit samples", 1},
    {"q/rgb32-xbgr.bmp", Outcome::kMatches, "rgb24.png"},
    {"q/rgb32fakealpha.bmp", Outcome::kMatches, "rgb24.png", "the fourth bytes become alpha"},
    {"q/rgb32h52.bmp", Outcome::kMatches, "rgb24.png"},
    {"q/rgba16-1924.bmp", Outcome::kDecodes, nullptr, "bit fields become 24-bit colour"},
    {"q/rgba16-4444.bmp", Outcome::kDecodes},
    {"q/rgba16-5551.bmp", Outcome::kDecodes},
    {"q/rgba32-1.bmp", Outcome::kDecodes},
    {"q/rgba32-1010102.bmp", Outcome::kDecodes},
    {"q/rgba32-2.bmp", Outcome::kDecodes},
    {"q/rgba32-61754.bmp", Outcome::kDecodes},
    {"q/rgba32-81284.bmp", Outcome::kDecodes},
    {"q/rgba32abf.bmp", Outcome::kDecodes},
    {"q/rgba32h56.bmp", Outcome::kDecodes},
    {"q/rgba64.bmp", Outcome::kFails, nullptr, "64 bits per pixel"},

    {"b/badbitcount.bmp", Outcome::kFails},
    {"b/badbitssize.bmp", Outcome::kDecodes, nullptr, "the image size field is not used"},
    {"b/baddens1.bmp", Outcome::kDecodes, nullptr, "densities are not used"},
    {"b/baddens2.bmp", Outcome::kDecodes, nullptr, "densities are not used"},
    {"b/badfilesize.bmp", Outcome::kDecodes, nullptr, "the length comes from the file itself"},
    {"b/badheadersize.bmp", Outcome::kFails},
    {"b/badpalettesize.bmp", Outcome::kDecodes, nullptr,
     "the colour table follows the bit count, not the count field"},
    {"b/badplanes.bmp", Outcome::kDecodes, nullptr, "the planes field is not looked at"},
    {"b/badrle.bmp", Outcome::kFails},
    {"b/badrle4.bmp", Outcome::kFails},
    {"b/badrle4bis.bmp", Outcome::kFails},
    {"b/badrle4ter.bmp", Outcome::kFails},
    {"b/badrlebis.bmp", Outcome::kFails},
    {"b/badrleter.bmp", Outcome::kFails},
    {"b/badwidth.bmp", Outcome::kFails},
    {"b/pal8badindex.bmp", Outcome::kDecodes, nullptr, "indices past the table are black"},
    {"b/reallybig.bmp", Outcome::kFails},
    {"b/rgb16-880.bmp", Outcome::kMatches, "rgb16-880.png", "an empty blue mask gives blue 0"},
    {"b/rletopdown.bmp", Outcome::kFails},
    {"b/shortfile.bmp", Outcome::kFails},

    {"x/ba-bm.bmp", Outcome::kFails, nullptr, "a bitmap array, not a bitmap"},
};

TEST(BmpSuite, EveryFileHasItsOutcome) {
    const fs::path suite = kCorpora / "bmpsuite";
    ASSERT_TRUE(fs::is_directory(suite)) << suite;
    size_t listed = 0;
    for (const BmpCase& c : kBmpCases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.why);
        engine::DecodedPicture picture;
        const bool decoded = DecodeFile(suite / c.file, &picture);
        ++listed;
        if (c.outcome == Outcome::kFails) {
            EXPECT_FALSE(decoded);
            continue;
        }
        ASSERT_TRUE(decoded);
        std::vector<uint32_t> argb;
        engine::ToArgb(picture, &argb);
        if (c.outcome != Outcome::kMatches) continue;
        engine::DecodedPicture reference;
        ASSERT_TRUE(DecodeFile(suite / "html" / c.reference, &reference));
        ASSERT_EQ(picture.width, reference.width);
        ASSERT_EQ(picture.height, reference.height);
        std::vector<uint32_t> expected;
        engine::ToArgb(reference, &expected);
        int wrong = 0;
        for (size_t i = 0; i < argb.size(); ++i) {
            // Colours only: the suite's renderings have no say on the alpha of 32-bit pictures.
            bool close = true;
            for (int shift = 0; shift < 24; shift += 8)
                close = close && std::abs(int(argb[i] >> shift & 255) - int(expected[i] >> shift & 255)) <=
                                     c.tolerance;
            if (!close && wrong++ < 3)
                ADD_FAILURE() << "pixel " << i % picture.width << "," << i / picture.width << " is "
                              << std::hex << (argb[i] & 0xFFFFFF) << ", expected "
                              << (expected[i] & 0xFFFFFF);
        }
        EXPECT_EQ(wrong, 0);
    }
    // The table covers the whole suite, so a new file there cannot go untested.
    size_t files = 0;
    for (const char* folder : {"g", "q", "b", "x"})
        for (const auto& entry : fs::directory_iterator(suite / folder))
            files += entry.path().extension() == ".bmp";
    EXPECT_EQ(listed, files);
}

// The rows of an uncompressed BMP read where they lie in the file are the decoded picture's, for every
// file of the suite (and of the PNG Suite, which is no BMP) that they are taken from, and every cut of it.
TEST(BmpSuite, RowsInPlaceAreTheDecodedPicture) {
    size_t taken = 0;
    for (const char* folder : {"bmpsuite/g", "bmpsuite/q", "bmpsuite/b", "bmpsuite/x", "pngsuite"}) {
        for (const auto& entry : fs::directory_iterator(kCorpora / folder)) {
            SCOPED_TRACE(entry.path().string());
            const std::vector<uint8_t> bytes = ReadBytes(entry.path());
            for (size_t cut : {bytes.size(), bytes.size() - bytes.size() / 7, bytes.size() / 2}) {
                engine::PictureRows rows;
                if (!engine::BmpRowsInPlace(bytes.data(), cut, &rows)) continue;
                ++taken;
                engine::DecodedPicture picture;
                ASSERT_TRUE(engine::DecodePicture(bytes.data(), cut, &picture)) << cut;
                ASSERT_EQ(rows.width, picture.width);
                ASSERT_EQ(rows.height, picture.height);
                ASSERT_EQ(rows.layout, picture.layout);
                std::vector<uint32_t> expected, got(size_t(rows.width));
                engine::ToArgb(picture, &expected);
                for (int y = 0; y < rows.height; ++y) {
                    engine::ToArgbRow(rows, y, got.data());
                    ASSERT_TRUE(std::equal(got.begin(), got.end(), expected.begin() + long(y) * rows.width))
                        << y;
                }
            }
        }
    }
    EXPECT_GE(taken, 6u);  // the suite's 24- and 32-bit pictures
}

TEST(PngSuite, ValidFilesDecodeAndCorruptOnesFail) {
    const fs::path suite = kCorpora / "pngsuite";
    ASSERT_TRUE(fs::is_directory(suite)) << suite;
    int valid = 0, corrupt = 0;
    for (const auto& entry : fs::directory_iterator(suite)) {
        if (entry.path().extension() != ".png") continue;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        engine::DecodedPicture picture;
        const bool decoded = DecodeFile(entry.path(), &picture);
        if (name[0] == 'x') {
            EXPECT_FALSE(decoded);
            ++corrupt;
        } else {
            EXPECT_TRUE(decoded);
            ++valid;
        }
    }
    EXPECT_GE(valid, 160);
    EXPECT_EQ(corrupt, 14);
}

// The colour-type table: which layout each kind of PNG becomes.
TEST(PngSuite, LayoutFollowsColourTypeAndTransparency) {
    struct Case {
        const char* file;
        engine::PixelLayout layout;
    } const cases[] = {
        {"basn0g01.png", engine::PixelLayout::kGray},     {"basn0g08.png", engine::PixelLayout::kGray},
        {"basn0g16.png", engine::PixelLayout::kGray},     {"tbbn0g04.png", engine::PixelLayout::kGrayPair},
        {"basn4a08.png", engine::PixelLayout::kGrayPair}, {"basn4a16.png", engine::PixelLayout::kGrayPair},
        {"basn2c08.png", engine::PixelLayout::kBgr24},    {"basn2c16.png", engine::PixelLayout::kBgr24},
        {"tbrn2c08.png", engine::PixelLayout::kBgra32},   {"basn6a08.png", engine::PixelLayout::kBgra32},
        {"basn6a16.png", engine::PixelLayout::kBgra32},   {"basn3p01.png", engine::PixelLayout::kPalette},
        {"basn3p08.png", engine::PixelLayout::kPalette},  {"tbbn3p08.png", engine::PixelLayout::kBgra32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        engine::DecodedPicture picture;
        ASSERT_TRUE(DecodeFile(kCorpora / "pngsuite" / c.file, &picture));
        EXPECT_EQ(picture.layout, c.layout);
        EXPECT_EQ(picture.width, 32);
        EXPECT_EQ(picture.height, 32);
    }
}

// Interlaced files give the same pixels as their plain twins; low bit depths are widened.
TEST(PngSuite, InterlacedAndPlainTwinsAgree) {
    for (const char* kind : {"0g01", "0g04", "0g16", "2c08", "2c16", "3p02", "3p08", "4a08", "6a16"}) {
        SCOPED_TRACE(kind);
        engine::DecodedPicture plain, interlaced;
        ASSERT_TRUE(DecodeFile(kCorpora / "pngsuite" / (std::string("basn") + kind + ".png"), &plain));
        ASSERT_TRUE(DecodeFile(kCorpora / "pngsuite" / (std::string("basi") + kind + ".png"), &interlaced));
        std::vector<uint32_t> a, b;
        engine::ToArgb(plain, &a);
        engine::ToArgb(interlaced, &b);
        EXPECT_EQ(a, b);
    }
    engine::DecodedPicture bits;
    ASSERT_TRUE(DecodeFile(kCorpora / "pngsuite" / "basn0g01.png", &bits));
    for (uint8_t v : bits.pixels) ASSERT_TRUE(v == 0 || v == 255);
}

// A palette PNG with a transparency chunk keeps it; a gray one loses it.
TEST(PngSuite, TransparencyKeptForPaletteDroppedForGray) {
    engine::DecodedPicture palette, gray;
    ASSERT_TRUE(DecodeFile(kCorpora / "pngsuite" / "tbbn3p08.png", &palette));
    ASSERT_TRUE(DecodeFile(kCorpora / "pngsuite" / "tbbn0g04.png", &gray));
    std::vector<uint32_t> a, b;
    engine::ToArgb(palette, &a);
    engine::ToArgb(gray, &b);
    EXPECT_TRUE(std::any_of(a.begin(), a.end(), [](uint32_t p) { return p >> 24 == 0; }));
    EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](uint32_t p) { return p >> 24 == 255; }));
}

}  // namespace
