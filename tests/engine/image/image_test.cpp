// Image handles: check values, the slot table, release, the colour key and divided images.
#include "engine/image/image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/image/picture.h"
#include "engine/image/picture_cache.h"
#include "support/engine_fixture.h"

namespace {

class ImageTest : public testsupport::EngineFixture {
protected:
    static int OnePixel(uint32_t colour = 0xFF336699u) {
        return engine::CreateImageFromArgb(&colour, 1, 1, false);
    }
};

TEST_F(ImageTest, HandlesCarryTypeCheckValueAndSlot) {
    const int a = OnePixel(), b = OnePixel();
    EXPECT_EQ(a, 0x08000000);
    EXPECT_EQ(b, 0x08000000 | 1 << 16 | 1);
    EXPECT_EQ(engine::DeleteImage(a), 0);
    EXPECT_EQ(engine::DeleteImage(a), -1);
    // Slot 0 is free again but the hint points past slot 1; a stale handle stays invalid anyway.
    const int c = OnePixel();
    EXPECT_EQ(c, 0x08000000 | 2 << 16 | 2);
    EXPECT_EQ(engine::DrawImage(0, 0, a, 1), -1);
    for (int bad : {-1, 0, 1, 0x10000000 | 1 << 16 | 1, b & ~0x08000000, 0x08000000 | 1 << 16 | 40000}) {
        EXPECT_EQ(engine::DrawImage(0, 0, bad, 1), -1) << std::hex << bad;
        EXPECT_EQ(engine::DrawImageRotated(0, 0, 1.0, 0.0, bad, 1, 0), -1) << std::hex << bad;
        EXPECT_EQ(engine::DeleteImage(bad), -1) << std::hex << bad;
    }
    EXPECT_EQ(engine::LiveImageCount(), 2);
}

TEST_F(ImageTest, ReleasedHandleStaysInvalidAfterItsSlotIsReusedUntilTheCheckWraps) {
    const int first = OnePixel();
    engine::DeleteImage(first);
    EXPECT_EQ(engine::NextFreeSlotHint(), 0);
    // The same slot again with check values 1, 2, ... 2047, 0: only the last matches again.
    for (int i = 1; i <= 2048; ++i) {
        const int again = OnePixel();
        ASSERT_EQ(again & 0xFFFF, 0);
        ASSERT_EQ((again >> 16) & 0x7FF, i & 0x7FF);
        ASSERT_EQ(engine::DrawImage(0, 0, first, 1), i == 2048 ? 0 : -1) << i;
        engine::DeleteImage(again);
    }
}

TEST_F(ImageTest, HintMovesDownPastEmptySlotsAndAFullTableSearchesFromZero) {
    const int a = OnePixel(), b = OnePixel(), c = OnePixel();
    EXPECT_EQ(engine::NextFreeSlotHint(), 3);
    engine::DeleteImage(b);
    EXPECT_EQ(engine::NextFreeSlotHint(), 3);
    engine::DeleteImage(c);
    EXPECT_EQ(engine::NextFreeSlotHint(), 1);
    engine::DeleteImage(a);
    EXPECT_EQ(engine::NextFreeSlotHint(), 0);

    // Fill every slot with one shared picture, free slot 5: the next image finds it.
    const uint32_t pixel = 0xFF000000u;
    auto picture = engine::MakePicture(&pixel, 1, 1, false, 0xFF00FF);
    std::vector<int> handles;
    for (int i = 0; i < engine::kImageSlots; ++i)
        handles.push_back(engine::CreateImage(picture, 0, 0, 1, 1, ""));
    EXPECT_EQ(handles.back() & 0xFFFF, engine::kImageSlots - 1);
    EXPECT_EQ(engine::CreateImage(picture, 0, 0, 1, 1, ""), -1);  // full: the load fails
    engine::DeleteImage(handles[5]);
    EXPECT_EQ(engine::CreateImage(picture, 0, 0, 1, 1, "") & 0xFFFF, 5);
}

TEST_F(ImageTest, ColourKeyIsTheOneInForceAtCreation) {
    const uint32_t pixels[2] = {0xFFFF00FFu, 0xFF00FF00u};
    const int keyed = engine::CreateImageFromArgb(pixels, 2, 1, false);
    engine::SetTransparentColor(0, 255 + 256, 0);  // each component modulo 256: green
    const int greenKeyed = engine::CreateImageFromArgb(pixels, 2, 1, false);
    engine::DrawImage(10, 10, keyed, 1);
    EXPECT_EQ(Pixel(10, 10), 0xFF000000u);  // magenta skipped
    EXPECT_EQ(Pixel(11, 10), 0xFF00FF00u);
    engine::DrawImage(10, 11, greenKeyed, 1);
    EXPECT_EQ(Pixel(10, 11), 0xFFFF00FFu);
    EXPECT_EQ(Pixel(11, 11), 0xFF000000u);
    engine::DrawImage(10, 12, keyed, 0);  // flag 0: the key colour is drawn
    EXPECT_EQ(Pixel(10, 12), 0xFFFF00FFu);
    // A picture with its own alpha ignores the key: alpha 0 is transparent, whatever the colour.
    const uint32_t withAlpha[2] = {0x00FFFFFFu, 0xFF00FF00u};
    const int alpha = engine::CreateImageFromArgb(withAlpha, 2, 1, true);
    engine::DrawImage(10, 13, alpha, 1);
    EXPECT_EQ(Pixel(10, 13), 0xFF000000u);
    EXPECT_EQ(Pixel(11, 13), 0xFF00FF00u);
}

TEST_F(ImageTest, DividedImageCellsShareOnePictureAndAreCutAtItsEdges) {
    // 100 x 64 cut into 4 columns and 2 rows of 32 x 32: cells 3 and 7 are 4 pixels wide.
    std::vector<uint32_t> pixels(100 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 100; ++x)
            pixels[size_t(y) * 100 + size_t(x)] = 0xFF000000u | uint32_t(x) << 8 | uint32_t(y);
    const int whole = engine::CreateImageFromArgb(pixels.data(), 100, 64, false);
    int cells[10];
    std::fill(std::begin(cells), std::end(cells), 777);
    ASSERT_EQ(engine::CutCells(whole, 10, 4, 2, 32, 32, cells), 0);
    engine::DeleteImage(whole);
    EXPECT_EQ(cells[8], 777);  // only columns x rows cells are made
    EXPECT_EQ(cells[9], 777);
    EXPECT_EQ(engine::LiveImageCount(), 8);
    engine::ImageRecord* c3 = engine::FindImage(cells[3]);
    engine::ImageRecord* c6 = engine::FindImage(cells[6]);
    ASSERT_TRUE(c3 && c6);
    EXPECT_EQ(c3->picture, c6->picture);
    EXPECT_EQ(c3->width, 4);
    EXPECT_EQ(c3->height, 32);
    EXPECT_EQ(c6->offsetX, 64);
    EXPECT_EQ(c6->offsetY, 32);
    // Cell 3 draws its 4 columns and no more; cell 6 shows the picture's pixel (64, 32) first.
    engine::DrawImage(0, 0, cells[3], 1);
    EXPECT_EQ(Pixel(0, 0), 0xFF006000u);
    EXPECT_EQ(Pixel(3, 31), 0xFF00631Fu);
    EXPECT_EQ(Pixel(4, 0), 0xFF000000u);
    EXPECT_EQ(Pixel(0, 32), 0xFF000000u);
    engine::DrawImage(200, 0, cells[6], 1);
    EXPECT_EQ(Pixel(200, 0), 0xFF004020u);
}

TEST_F(ImageTest, ACellOutsideThePictureFailsTheWholeCut) {
    std::vector<uint32_t> pixels(100 * 64, 0xFF101010u);
    const int whole = engine::CreateImageFromArgb(pixels.data(), 100, 64, false);
    int cells[8];
    std::fill(std::begin(cells), std::end(cells), 777);
    // Columns of 32 from 0: the fifth starts at x = 128, outside the picture.
    EXPECT_EQ(engine::CutCells(whole, 8, 5, 1, 32, 32, cells), -1);
    EXPECT_EQ(cells[4], -1);
    EXPECT_EQ(cells[5], 777);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(engine::DrawImage(0, 0, cells[i], 1), -1) << i;
    EXPECT_EQ(engine::LiveImageCount(), 1);  // only the whole image is left
}

// The alpha companion decides visibility where it covers the picture; beyond it pixels are opaque.
TEST_F(ImageTest, CompanionGivesAlphaWhereItCoversThePicture) {
    engine::DecodedPicture picture, companion;
    picture.width = 2, picture.height = 1, picture.bytesPerRow = 8;
    picture.layout = engine::PixelLayout::kBgr24;
    picture.pixels = {0, 255, 0, 0, 255, 0, 0, 0};
    companion.width = 1, companion.height = 1, companion.bytesPerRow = 4;
    companion.layout = engine::PixelLayout::kGray;
    companion.pixels = {0, 0, 0, 0};  // black: fully transparent
    const int handle = engine::CreateImageFromPicture(picture, &companion, "pair.bmp");
    ASSERT_NE(handle, -1);
    Pixel(50, 50) = Pixel(51, 50) = 0xFF123456u;
    engine::DrawImage(50, 50, handle, 1);
    EXPECT_EQ(Pixel(50, 50), 0xFF123456u);
    EXPECT_NE(Pixel(51, 50), 0xFF123456u);
    EXPECT_EQ(engine::FindImage(handle)->sourceFile, "pair.bmp");
    engine::DecodedPicture empty;
    EXPECT_EQ(engine::CreateImageFromPicture(empty, nullptr, "empty.bmp"), -1);
}

// A one-row 24-bit BMP of the given 0xRRGGBB colours.
void WriteBmp(const std::string& name, const std::vector<uint32_t>& colours) {
    const int w = int(colours.size()), rowBytes = (w * 3 + 3) & ~3;
    std::vector<uint8_t> f(54 + size_t(rowBytes), 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M';
    put32(2, uint32_t(f.size())), put32(10, 54), put32(14, 40), put32(18, uint32_t(w)), put32(22, 1);
    f[26] = 1, f[28] = 24;
    put32(34, uint32_t(rowBytes));
    for (int i = 0; i < w; ++i)
        for (int c = 0; c < 3; ++c)
            f[54 + size_t(i) * 3 + size_t(c)] = uint8_t(colours[size_t(i)] >> (8 * c));
    std::FILE* out = std::fopen(name.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(f.data(), 1, f.size(), out);
    std::fclose(out);
}

// Loading a file again shares its kept picture; what is kept never shows through when the file, its
// companion or the transparent colour changed, or when a loaded picture was drawn into.
TEST_F(ImageTest, ReloadsShareTheKeptPictureOfTheSameFileOnly) {
    engine::ClearPictureCache();
    auto pixels = [](int handle) { return engine::FindImage(handle)->picture->pixels; };
    WriteBmp("a.bmp", {0xFF0000, 0xFF00FF});
    const int first = engine::LoadImageFile("a.bmp");
    ASSERT_NE(first, -1);
    EXPECT_EQ(pixels(first), (std::vector<uint32_t>{0xFFFF0000u, 0x00FF00FFu}));
    EXPECT_GT(engine::PictureCacheBytes(), 0u);
    const int again = engine::LoadImageFile("a.bmp");
    EXPECT_EQ(engine::FindImage(again)->picture, engine::FindImage(first)->picture);

    // Drawn into, the loaded picture changes alone: not the cells of another load, nor the next load.
    int cells[2];
    ASSERT_EQ(engine::LoadDividedImage("a.bmp", 2, 2, 1, 1, 1, cells), 0);
    ASSERT_EQ(engine::SetDrawTarget(first), 0);
    engine::DrawRectangle(0, 0, 2, 1, engine::MakeColor(0, 0, 255), 1);
    engine::SetDrawTarget(engine::kBackScreen);
    EXPECT_EQ(pixels(first), (std::vector<uint32_t>{0xFF0000FFu, 0xFF0000FFu}));
    for (int other : {again, cells[0], cells[1], engine::LoadImageFile("a.bmp")})
        EXPECT_EQ(pixels(other), (std::vector<uint32_t>{0xFFFF0000u, 0x00FF00FFu}));
    // A cell drawn into takes its copy with its sibling, whose pixels it shares as before.
    ASSERT_EQ(engine::SetDrawTarget(cells[1]), 0);
    engine::DrawRectangle(0, 0, 1, 1, engine::MakeColor(0, 255, 0), 1);
    engine::SetDrawTarget(engine::kBackScreen);
    EXPECT_EQ(engine::FindImage(cells[0])->picture, engine::FindImage(cells[1])->picture);
    EXPECT_EQ(pixels(cells[0]), (std::vector<uint32_t>{0xFFFF0000u, 0xFF00FF00u}));
    EXPECT_EQ(pixels(again), (std::vector<uint32_t>{0xFFFF0000u, 0x00FF00FFu}));

    WriteBmp("a.bmp", {0x00FF00, 0xFF00FF});  // same size, other pixels
    EXPECT_EQ(pixels(engine::LoadImageFile("a.bmp")), (std::vector<uint32_t>{0xFF00FF00u, 0x00FF00FFu}));
    engine::SetTransparentColor(0, 255, 0);
    EXPECT_EQ(pixels(engine::LoadImageFile("a.bmp")), (std::vector<uint32_t>{0x0000FF00u, 0xFFFF00FFu}));
    WriteBmp("a_a.bmp", {0xFFFFFF, 0x000000});  // a companion appears
    EXPECT_EQ(pixels(engine::LoadImageFile("a.bmp")), (std::vector<uint32_t>{0xFF00FF00u, 0x00FF00FFu}));

    ASSERT_EQ(engine::LoadDividedImage("a.bmp", 2, 2, 1, 1, 1, cells), 0);
    EXPECT_EQ(engine::FindImage(cells[1])->offsetX, 1);

    // A limit below every picture keeps none; loads still work.
    engine::SetPictureCacheLimit(0);
    EXPECT_EQ(engine::PictureCacheBytes(), 0u);
    EXPECT_NE(engine::LoadImageFile("a.bmp"), -1);
    EXPECT_EQ(engine::PictureCacheBytes(), 0u);
    engine::SetPictureCacheLimit(size_t(8) << 20);
    std::remove("a.bmp");
    EXPECT_EQ(engine::LoadImageFile("a.bmp"), -1);

    // Prefetched in the background, with the transparent colour in force when asked.
    engine::ClearPictureCache();
    std::remove("a_a.bmp");
    WriteBmp("b.bmp", {0x123456, 0x00FF00});
    engine::PrefetchImageFiles({"b.bmp", "none.bmp"});
    engine::FinishPrefetching();
    EXPECT_GT(engine::PictureCacheBytes(), 0u);
    EXPECT_EQ(pixels(engine::LoadImageFile("b.bmp")), (std::vector<uint32_t>{0xFF123456u, 0x0000FF00u}));
}

// Over its limit the cache drops pictures nobody uses, least recently used first; one in use costs
// nothing to keep, and one prefetched stays until its load has had it.
TEST_F(ImageTest, TheCacheLimitCountsOnlyPicturesNobodyUses) {
    engine::ClearPictureCache();
    WriteBmp("a.bmp", {0x102030, 0x405060});
    WriteBmp("b.bmp", {0x708090, 0xA0B0C0});
    WriteBmp("c.bmp", {0xD0E0F0, 0x010203});
    engine::SetPictureCacheLimit(1);
    const int a = engine::LoadImageFile("a.bmp"), b = engine::LoadImageFile("b.bmp");
    const size_t one = engine::PictureCacheBytes() / 2;
    EXPECT_EQ(engine::PictureCacheBytes(), 2 * one);  // both in use
    engine::DeleteImage(a);
    engine::DeleteImage(b);
    engine::PrefetchImageFiles({"c.bmp"});
    engine::FinishPrefetching();
    EXPECT_EQ(engine::PictureCacheBytes(), one);  // a and b made room; c waits for its load
    const int c = engine::LoadImageFile("c.bmp");
    EXPECT_EQ(engine::FindImage(c)->picture, engine::FindImage(engine::LoadImageFile("c.bmp"))->picture);
    EXPECT_EQ(engine::PictureCacheBytes(), one);
    engine::SetPictureCacheLimit(size_t(8) << 20);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) std::remove(name);
}

TEST_F(ImageTest, LoadsOfMissingFilesFailAndLeaveTheArrayAlone) {
    EXPECT_EQ(engine::LoadImageFile("data/none.bmp", 0), -1);
    int cells[2] = {5, 6};
    EXPECT_EQ(engine::LoadDividedImage("data/none.bmp", 2, 2, 1, 8, 8, cells, 0), -1);
    EXPECT_EQ(cells[0], 5);
    EXPECT_EQ(cells[1], 6);
    EXPECT_EQ(engine::LiveImageCount(), 0);
}

}  // namespace
