// Hand-made BMP files for the cases the BMP Suite does not show: every run-length escape, hostile
// run-length data, cut and oversized pictures, 32-bit alpha and both row orders.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/decode/decode.h"

namespace {

using engine::DecodedPicture;
using engine::PixelLayout;

void Put16(std::vector<uint8_t>* b, uint32_t v) { b->insert(b->end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(std::vector<uint8_t>* b, uint32_t v) {
    b->insert(b->end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

// A BMP with a 40-byte header; `colours` palette entries (blue, green, red, 0), then `pixels`.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, int bits, uint32_t compression, int colours,
                             const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> b = {'B', 'M'};
    const uint32_t offset = 14 + 40 + 4 * uint32_t(colours);
    Put32(&b, offset + uint32_t(pixels.size()));
    Put32(&b, 0);
    Put32(&b, offset);
    Put32(&b, 40);
    Put32(&b, uint32_t(width));
    Put32(&b, uint32_t(height));
    Put16(&b, 1);
    Put16(&b, uint32_t(bits));
    Put32(&b, compression);
    Put32(&b, uint32_t(pixels.size()));
    Put32(&b, 2835);
    Put32(&b, 2835);
    Put32(&b, uint32_t(colours));
    Put32(&b, 0);
    for (int i = 0; i < colours; ++i) Put32(&b, uint32_t(i) * 0x010203u);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

bool Decode(const std::vector<uint8_t>& file, DecodedPicture* picture) {
    return engine::DecodePicture(file.data(), file.size(), picture);
}

// Rows of palette indices, top row first.
std::vector<std::vector<int>> Indices(const DecodedPicture& p) {
    std::vector<std::vector<int>> rows(size_t(p.height), std::vector<int>(size_t(p.width)));
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            rows[size_t(y)][size_t(x)] = p.pixels[size_t(y * p.bytesPerRow + x)];
    return rows;
}

TEST(BmpDecoder, RunLength8EveryEscape) {
    // Stored bottom row first. Row 0 (bottom): a run of 3 x 7, then end of row. Row 1: delta right 2
    // and up 1 (skipping the rest of row 1 and the start of row 2). Row 2 from x 2: a literal of 3
    // values, padded to an even count of bytes. Then end of picture: row 3 is never reached.
    const std::vector<uint8_t> data = {3, 7, 0, 0, 0, 2, 2, 1, 0, 3, 9, 8, 5, 0, 0, 1};
    DecodedPicture p;
    ASSERT_TRUE(Decode(MakeBmp(5, 4, 8, 1, 16, data), &p));
    EXPECT_EQ(p.layout, PixelLayout::kPalette);
    EXPECT_EQ(p.bytesPerRow, 8);
    const std::vector<std::vector<int>> expected = {
        {0, 0, 0, 0, 0},
        {0, 0, 9, 8, 5},
        {0, 0, 0, 0, 0},
        {7, 7, 7, 0, 0},
    };
    EXPECT_EQ(Indices(p), expected);
    EXPECT_EQ(p.palette[2], 0x020406u);  // red 2, green 4, blue 6
}

TEST(BmpDecoder, RunLength4AlternatesNibblesHighFirst) {
    // A run of 5 of 0x12, then a literal of 3 nibbles (2 bytes, already even), end of row; the second
    // row starts with a delta of 1 then a run of 2 of 0xF0; end of picture.
    const std::vector<uint8_t> data = {5, 0x12, 0, 3, 0xAB, 0xC0, 0, 0, 0, 2, 1, 0, 2, 0xF0, 0, 1};
    DecodedPicture p;
    ASSERT_TRUE(Decode(MakeBmp(8, 2, 4, 2, 16, data), &p));
    const std::vector<std::vector<int>> expected = {
        {0, 15, 0, 0, 0, 0, 0, 0},
        {1, 2, 1, 2, 1, 10, 11, 12},
    };
    EXPECT_EQ(Indices(p), expected);
}

TEST(BmpDecoder, HostileRunLengthDataFails) {
    const std::vector<std::vector<uint8_t>> cases = {
        {9, 1, 0, 1},              // a run past the end of the row
        {0, 2, 9, 0, 1, 1, 0, 1},  // a delta past the right edge
        {0, 2, 0, 5, 1, 1, 0, 1},  // a delta past the top row
        {0, 0, 0, 0, 0, 0, 1, 1},  // a run after the last row
        {0, 6, 1, 2, 3, 4, 5, 6},  // a literal longer than the row
        {0, 5, 1, 2},              // a literal cut short
        {2, 1, 2, 1},              // no end of picture
        {2},                       // half a pair
    };
    for (const auto& data : cases) {
        DecodedPicture p;
        EXPECT_FALSE(Decode(MakeBmp(4, 2, 8, 1, 4, data), &p)) << testing::PrintToString(data);
    }
    DecodedPicture p;
    EXPECT_FALSE(Decode(MakeBmp(4, -2, 8, 1, 4, {0, 1}), &p)) << "run-length pictures cannot be top-down";
}

TEST(BmpDecoder, TopDownAndBottomUpGiveTheSamePicture) {
    // 2 x 2 pixels of 24 bits, rows padded to 8 bytes.
    const std::vector<uint8_t> bottomUp = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    std::vector<uint8_t> topDown(bottomUp.begin() + 8, bottomUp.end());
    topDown.insert(topDown.end(), bottomUp.begin(), bottomUp.begin() + 8);
    DecodedPicture a, b;
    ASSERT_TRUE(Decode(MakeBmp(2, 2, 24, 0, 0, bottomUp), &a));
    ASSERT_TRUE(Decode(MakeBmp(2, -2, 24, 0, 0, topDown), &b));
    EXPECT_EQ(a.layout, PixelLayout::kBgr24);
    EXPECT_EQ(a.pixels, b.pixels);
    std::vector<uint32_t> argb;
    engine::ToArgb(a, &argb);
    EXPECT_EQ(argb, (std::vector<uint32_t>{0xFF090807, 0xFF0C0B0A, 0xFF030201, 0xFF060504}));
    // Read where they lie in the file, in either order.
    for (const auto& file : {MakeBmp(2, 2, 24, 0, 0, bottomUp), MakeBmp(2, -2, 24, 0, 0, topDown)}) {
        engine::PictureRows rows;
        ASSERT_TRUE(engine::BmpRowsInPlace(file.data(), file.size(), &rows));
        std::vector<uint32_t> got(4);
        engine::ToArgbRow(rows, 0, got.data());
        engine::ToArgbRow(rows, 1, got.data() + 2);
        EXPECT_EQ(got, argb);
    }
}

TEST(BmpDecoder, ThirtyTwoBitsKeepTheFourthByteAsAlpha) {
    DecodedPicture p;
    ASSERT_TRUE(Decode(MakeBmp(2, 1, 32, 0, 0, {10, 20, 30, 0, 40, 50, 60, 128}), &p));
    EXPECT_EQ(p.layout, PixelLayout::kBgra32);
    std::vector<uint32_t> argb;
    engine::ToArgb(p, &argb);
    EXPECT_EQ(argb, (std::vector<uint32_t>{0x001E140A, 0x803C3228}));
}

TEST(BmpDecoder, OneBitAndSixteenBitsBecomeTwentyFourBitColour) {
    // 1 bit: a 2-entry table; 9 pixels span two bytes, the row padded to 4.
    DecodedPicture p;
    ASSERT_TRUE(Decode(MakeBmp(9, 1, 1, 0, 2, {0b10100000, 0b10000000, 0, 0}), &p));
    EXPECT_EQ(p.layout, PixelLayout::kBgr24);
    std::vector<uint32_t> argb;
    engine::ToArgb(p, &argb);
    EXPECT_EQ(argb[0], 0xFF010203u);
    EXPECT_EQ(argb[1], 0xFF000000u);
    EXPECT_EQ(argb[8], 0xFF010203u);
    // 16 bits, default 5-5-5: full channels give 255, not 248.
    ASSERT_TRUE(Decode(MakeBmp(2, 1, 16, 0, 0, {0xFF, 0x7F, 0x1F, 0x00}), &p));
    engine::ToArgb(p, &argb);
    EXPECT_EQ(argb, (std::vector<uint32_t>{0xFFFFFFFF, 0xFF0000FF}));
}

TEST(BmpDecoder, ShortPaletteFollowedByPixelData) {
    // Two colours declared for 8 bits: the table ends where the pixels begin.
    DecodedPicture p;
    ASSERT_TRUE(Decode(MakeBmp(4, 1, 8, 0, 2, {0, 1, 1, 0}), &p));
    EXPECT_EQ(p.palette[1], 0x010203u);
    EXPECT_EQ(p.palette[2], 0u);
    EXPECT_EQ(Indices(p)[0], (std::vector<int>{0, 1, 1, 0}));
}

TEST(BmpDecoder, TheColourTableFollowsTheBitCountNotTheCountOrPlanesFields) {
    // A full 256-entry table in each file; only the header's planes and colour-count fields differ.
    struct Case {
        const char* what;
        uint16_t planes;
        uint32_t colours;
    } cases[] = {
        {"small colour count", 1, 16},
        {"huge colour count", 1, 0xFFFFFFFFu},
        {"planes 0", 0, 256},
        {"planes 3", 3, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = MakeBmp(4, 1, 8, 0, 256, {0, 15, 200, 255});
        file[26] = uint8_t(c.planes);
        file[27] = uint8_t(c.planes >> 8);
        for (int k = 0; k < 4; ++k) file[size_t(46 + k)] = uint8_t(c.colours >> (8 * k));
        DecodedPicture p;
        ASSERT_TRUE(Decode(file, &p)) << c.what;
        EXPECT_EQ(p.palette[200], 200u * 0x010203u) << c.what;
        EXPECT_EQ(Indices(p)[0], (std::vector<int>{0, 15, 200, 255})) << c.what;
    }
    // A table cut short by the end of the file reads what is there and leaves the rest black.
    std::vector<uint8_t> file = MakeBmp(1, 1, 8, 0, 256, {});
    const uint32_t offset = uint32_t(file.size());  // no pixel data after the table: the pixel offset
    file.resize(14 + 40 + 4 * 3);                   // ... points past a file that ends after 3 entries
    for (int k = 0; k < 4; ++k) file[size_t(10 + k)] = uint8_t(offset >> (8 * k));
    DecodedPicture p;
    EXPECT_FALSE(Decode(file, &p));  // no pixels at all: still refused, without reading outside
}

TEST(BmpDecoder, CutOrOversizedPicturesFail) {
    DecodedPicture p;
    EXPECT_FALSE(Decode(MakeBmp(4, 4, 24, 0, 0, std::vector<uint8_t>(47)), &p)) << "one byte short";
    EXPECT_FALSE(Decode(MakeBmp(16385, 1, 8, 0, 0, std::vector<uint8_t>(16388)), &p));
    EXPECT_FALSE(Decode(MakeBmp(16384, 16384, 32, 0, 0, {}), &p)) << "no pixel data for a 1 GiB picture";
    EXPECT_FALSE(Decode(MakeBmp(16384, 8193, 8, 1, 0, {0, 1}), &p)) << "a blank run-length picture too large";
    EXPECT_FALSE(Decode(MakeBmp(0, 4, 24, 0, 0, {}), &p));
    EXPECT_FALSE(Decode(MakeBmp(4, int32_t(0x80000000u), 24, 0, 0, {}), &p));
    EXPECT_FALSE(Decode(MakeBmp(1, 1, 7, 0, 0, {0, 0, 0, 0}), &p));
    std::vector<uint8_t> file = MakeBmp(1, 1, 24, 0, 0, {1, 2, 3, 0});
    for (size_t cut = 0; cut < file.size(); ++cut) {
        std::vector<uint8_t> part(file.begin(), file.begin() + long(cut));
        EXPECT_FALSE(engine::DecodePicture(part.data(), part.size(), &p)) << cut;
        engine::PictureRows rows;
        EXPECT_FALSE(engine::BmpRowsInPlace(part.data(), part.size(), &rows)) << cut;
    }
}

}  // namespace
