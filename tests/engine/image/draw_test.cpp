// Clipping, the turned-image mapping and placement, rectangles, colours and draw targets.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "engine/image/blend.h"
#include "engine/image/draw_state.h"
#include "engine/image/image.h"
#include "engine/image/picture.h"
#include "support/engine_fixture.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000u;

// A picture whose every pixel differs (up to 1023 x 255): red = column, green = row, blue = 1, and
// blue's next bits count columns past 255.
std::vector<uint32_t> Numbered(int w, int h) {
    std::vector<uint32_t> v;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            v.push_back(0xFF000001u | uint32_t((i + 1) & 0xFF) << 16 | uint32_t(j + 1) << 8 |
                        uint32_t((i + 1) >> 8) << 1);
    return v;
}

class DrawTest : public testsupport::EngineFixture {
protected:
    int MakeNumbered(int w, int h) {
        const auto pixels = Numbered(w, h);
        return engine::CreateImageFromArgb(pixels.data(), w, h, false);
    }
    static int CountNot(uint32_t colour) {
        int n = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) n += Pixel(x, y) != colour;
        return n;
    }
};

TEST_F(DrawTest, ClipRectangleIsSortedClampedAndCanBeEmpty) {
    const engine::DrawState& s = engine::CurrentDrawState();
    engine::SetClipRect(640, 480, 0, 0);
    EXPECT_EQ((std::vector<int>{s.clipX1, s.clipY1, s.clipX2, s.clipY2}), (std::vector<int>{0, 0, 640, 480}));
    engine::SetClipRect(-10, 0, 700, 480);
    EXPECT_EQ((std::vector<int>{s.clipX1, s.clipY1, s.clipX2, s.clipY2}), (std::vector<int>{0, 0, 640, 480}));
    EXPECT_FALSE(s.nothingDrawn);

    const int handle = MakeNumbered(8, 8);
    engine::SetClipRect(100, 0, 100, 480);
    EXPECT_TRUE(s.nothingDrawn);
    // Nothing is drawn and the handle is not even looked at.
    EXPECT_EQ(engine::DrawImage(100, 10, handle, 1), 0);
    EXPECT_EQ(engine::DrawImage(100, 10, 12345, 1), 0);
    EXPECT_EQ(engine::DrawImageRotated(100, 10, 1.0, 0.5, 12345, 1, 0), 0);
    EXPECT_EQ(engine::DrawRectangle(0, 0, 640, 480, engine::MakeColor(255, 0, 0), 1), 0);
    EXPECT_EQ(CountNot(kBlack), 0);
}

TEST_F(DrawTest, EveryPrimitiveStaysInsideTheClipRectangle) {
    const int handle = MakeNumbered(60, 40);
    // The same scene unclipped and clipped: inside the rectangle equal, outside untouched.
    auto scene = [&] {
        engine::DrawImage(80, 90, handle, 1);
        engine::DrawImage(-30, -20, handle, 1);
        engine::DrawImageRotated(150, 120, 2.5, 0.7, handle, 1, 0);
        engine::DrawImageRotated(630, 470, 1.0, 3.0, handle, 1, 1);
        engine::DrawRectangle(95, 60, 300, 300, engine::MakeColor(0, 0, 200), 0);
    };
    scene();
    std::vector<uint32_t> full(engine::BackScreen().pixels, engine::BackScreen().pixels + 640 * 480);
    engine::ClearScreen();
    engine::SetClipRect(100, 70, 200, 180);
    scene();
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const bool inside = x >= 100 && x < 200 && y >= 70 && y < 180;
            ASSERT_EQ(Pixel(x, y), inside ? full[size_t(y) * 640 + size_t(x)] : kBlack) << x << "," << y;
        }
    }
}

// At quarter turns every image pixel lands exactly where the turn takes its centre:
// centre offset (u, v) = (i + 0.5 - w / 2, j + 0.5 - h / 2) goes to
// (x + u cos - v sin, y + u sin + v cos), clockwise on the screen.
TEST_F(DrawTest, QuarterTurnsMapEveryPixel) {
    struct Size {
        int w, h;
    };
    // Pictures 256 wide and more have rows padded past their width: 300 x 5 reads across them.
    for (Size size : {Size{4, 4}, Size{3, 3}, Size{6, 3}, Size{5, 2}, Size{300, 5}}) {
        const int handle = MakeNumbered(size.w, size.h);
        const auto pixels = Numbered(size.w, size.h);
        for (int quarter = 0; quarter < 4; ++quarter) {
            for (int mirror = 0; mirror <= 1; ++mirror) {
                engine::ClearScreen();
                const int x = 320, y = 240;
                ASSERT_EQ(engine::DrawImageRotated(x, y, 1.0, quarter * M_PI / 2, handle, 1, mirror), 0);
                const int c[4] = {1, 0, -1, 0}, s[4] = {0, 1, 0, -1};
                for (int j = 0; j < size.h; ++j) {
                    for (int i = 0; i < size.w; ++i) {
                        double u = i + 0.5 - size.w / 2, v = j + 0.5 - size.h / 2;
                        if (mirror) u = -u;
                        const int px = int(std::floor(x + u * c[quarter] - v * s[quarter]));
                        const int py = int(std::floor(y + u * s[quarter] + v * c[quarter]));
                        ASSERT_EQ(Pixel(px, py), pixels[size_t(j * size.w + i)])
                            << size.w << "x" << size.h << " quarter " << quarter << " mirror " << mirror
                            << " pixel " << i << "," << j;
                    }
                }
                ASSERT_EQ(CountNot(kBlack), size.w * size.h)
                    << size.w << "x" << size.h << " quarter " << quarter;
            }
        }
    }
}

TEST_F(DrawTest, PlacementAtScaleOneAndScaledBlocks) {
    struct Case {
        int w, h;
    };
    for (Case c : {Case{4, 6}, Case{5, 7}, Case{1, 1}, Case{64, 64}}) {
        const int handle = MakeNumbered(c.w, c.h);
        engine::ClearScreen();
        engine::DrawImageRotated(100, 100, 1.0, 0.0, handle, 1, 0);
        // Top-left pixel on (x - floor(w / 2), y - floor(h / 2)), bottom-right at the far corner.
        EXPECT_EQ(Pixel(100 - c.w / 2, 100 - c.h / 2), 0xFF010101u) << c.w << "x" << c.h;
        EXPECT_EQ(Pixel(100 - c.w / 2 + c.w - 1, 100 - c.h / 2 + c.h - 1),
                  0xFF000001u | uint32_t(c.w) << 16 | uint32_t(c.h) << 8);
        EXPECT_EQ(CountNot(kBlack), c.w * c.h);
    }
    // Scale 3: each source pixel becomes a 3 x 3 block around the centre.
    const int handle = MakeNumbered(2, 2);
    engine::ClearScreen();
    engine::DrawImageRotated(200, 200, 3.0, 0.0, handle, 1, 0);
    for (int y = 197; y < 203; ++y)
        for (int x = 197; x < 203; ++x)
            ASSERT_EQ(Pixel(x, y),
                      0xFF000001u | uint32_t((x - 197) / 3 + 1) << 16 | uint32_t((y - 197) / 3 + 1) << 8);
    EXPECT_EQ(CountNot(kBlack), 36);
    EXPECT_EQ(engine::DrawImageRotated(200, 200, 0.0, 0.0, handle, 1, 0), -1);
}

TEST_F(DrawTest, TurnedImageCoversItsArea) {
    // A 100 x 100 opaque square at 45 degrees covers about its own area, and its centre pixel.
    std::vector<uint32_t> white(100 * 100, 0xFFFFFFFFu);
    const int handle = engine::CreateImageFromArgb(white.data(), 100, 100, false);
    engine::DrawImageRotated(300, 200, 1.0, M_PI / 4, handle, 1, 0);
    EXPECT_NEAR(CountNot(kBlack), 10000, 300);
    EXPECT_EQ(Pixel(300, 200), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(300, 200 - 69), 0xFFFFFFFFu);  // near the top corner at 70.7
    EXPECT_EQ(Pixel(300 - 50, 200 - 50), kBlack);  // the unturned corner is empty now
}

TEST_F(DrawTest, RectangleBorderAndFill) {
    const int red = engine::MakeColor(255, 0, 0);
    EXPECT_EQ(uint32_t(red), 0xFFFF0000u);
    engine::DrawRectangle(530, 250, 545, 270, red, 0);
    for (int y = 240; y < 280; ++y) {
        for (int x = 520; x < 555; ++x) {
            const bool border =
                x >= 530 && x < 545 && y >= 250 && y < 270 && (x == 530 || x == 544 || y == 250 || y == 269);
            ASSERT_EQ(Pixel(x, y), border ? 0xFFFF0000u : kBlack) << x << "," << y;
        }
    }
    engine::ClearScreen();
    engine::DrawRectangle(545, 270, 530, 250, red, 1);  // corners in any order
    EXPECT_EQ(CountNot(kBlack), 15 * 20);
    // Each border pixel is blended once, corners too; a one-pixel rectangle is one pixel.
    engine::ClearScreen();
    engine::SetBlendMode(2, 255);
    engine::DrawRectangle(10, 10, 20, 20, engine::MakeColor(100, 0, 0), 0);
    engine::DrawRectangle(30, 30, 31, 31, engine::MakeColor(100, 0, 0), 0);
    EXPECT_EQ(Pixel(10, 10), 0xFF640000u);
    EXPECT_EQ(Pixel(19, 19), 0xFF640000u);
    EXPECT_EQ(Pixel(30, 30), 0xFF640000u);
    EXPECT_EQ(CountNot(kBlack), 36 + 1);
    engine::DrawRectangle(10, 10, 10, 20, red, 1);  // empty
    EXPECT_EQ(CountNot(kBlack), 36 + 1);
}

TEST_F(DrawTest, DrawableImageAsTarget) {
    const int handle = MakeNumbered(16, 16);
    ASSERT_EQ(engine::SetDrawTarget(handle), 0);
    EXPECT_EQ(engine::CurrentDrawState().clipX2, 16);  // another size: the whole image
    engine::DrawRectangle(4, 4, 8, 8, engine::MakeColor(0, 255, 0), 1);
    engine::DrawImage(8, 8, handle, 1);  // drawing an image into itself reads its old pixels
    ASSERT_EQ(engine::SetDrawTarget(engine::kBackScreen), 0);
    engine::DrawImage(0, 0, handle, 1);
    EXPECT_EQ(Pixel(5, 5), 0xFF00FF00u);
    EXPECT_EQ(Pixel(0, 0), 0xFF010101u);
    EXPECT_EQ(Pixel(12, 12), 0xFF00FF00u);  // the copy of (4, 4) drawn at (8, 8)
    // A wide image (rows padded past its width) drawn into through its lower cell, at the cell's
    // right edge.
    const int wide = MakeNumbered(300, 8);
    int cells[2];
    ASSERT_EQ(engine::CutCells(wide, 2, 1, 2, 300, 4, cells), 0);
    ASSERT_EQ(engine::SetDrawTarget(cells[1]), 0);
    engine::DrawRectangle(290, 2, 300, 4, engine::MakeColor(0, 255, 0), 1);
    ASSERT_EQ(engine::SetDrawTarget(engine::kBackScreen), 0);
    engine::DrawImage(0, 100, wide, 1);
    const auto numbered = Numbered(300, 8);
    EXPECT_EQ(Pixel(295, 107), 0xFF00FF00u);
    EXPECT_EQ(Pixel(295, 105), numbered[5 * 300 + 295]);
    EXPECT_EQ(Pixel(289, 107), numbered[7 * 300 + 289]);
    EXPECT_EQ(Pixel(295, 103), numbered[3 * 300 + 295]);
    // Deleting the image being drawn into sends drawing back to the back screen.
    engine::SetDrawTarget(handle);
    EXPECT_EQ(engine::DeleteImage(handle), 0);
    EXPECT_EQ(engine::DrawTarget(), engine::kBackScreen);
    EXPECT_EQ(engine::DrawRectangle(0, 0, 1, 1, engine::MakeColor(1, 2, 3), 1), 0);
}

class SixteenBitDrawTest : public DrawTest {
protected:
    int Depth() const override { return 16; }
};

TEST_F(SixteenBitDrawTest, ColoursArePackedFiveSixFive) {
    EXPECT_EQ(engine::MakeColor(255, 0, 0), 0xF800);
    EXPECT_EQ(engine::MakeColor(0, 255, 0), 0x07E0);
    EXPECT_EQ(engine::MakeColor(8, 4, 255), 0x0821 | 0x1F);
    engine::DrawRectangle(0, 0, 1, 1, engine::MakeColor(255, 128, 7), 1);
    EXPECT_EQ(Pixel(0, 0), 0xFFF88000u);
}

}  // namespace

namespace {

// A keyed picture whose only visible pixels are its four corners: turned, each still shows, on the
// same screen pixels as when the picture is drawn without its key (where every pixel is walked).
TEST_F(DrawTest, TurnedKeyedImagesKeepTheirFarthestPixels) {
    std::vector<uint32_t> pixels(33 * 20, 0xFFFF00FFu);
    for (int corner : {0, 32, 19 * 33, 19 * 33 + 32}) pixels[size_t(corner)] = 0xFFFFFFFFu;
    const int handle = engine::CreateImageFromArgb(pixels.data(), 33, 20, false);
    for (double scale : {0.7, 1.0, 2.5}) {
        for (double angle : {0.3, 1.9, -2.2}) {
            engine::ClearScreen();
            engine::DrawImageRotated(200, 200, scale, angle, handle, 0, 0);
            std::vector<int> unkeyed, keyed;
            for (int i = 0; i < 640 * 480; ++i)
                if (engine::BackScreen().pixels[i] == 0xFFFFFFFFu) unkeyed.push_back(i);
            engine::ClearScreen();
            engine::DrawImageRotated(200, 200, scale, angle, handle, 1, 0);
            for (int i = 0; i < 640 * 480; ++i)
                if (engine::BackScreen().pixels[i] != kBlack) keyed.push_back(i);
            EXPECT_FALSE(keyed.empty());
            EXPECT_EQ(keyed, unkeyed) << "scale " << scale << " angle " << angle;
        }
    }
}

// At a large scale every covered pixel reads the source pixel under its centre, up to the rounding
// of a walk across the screen, even with the image's centre far off the screen: the walk starts
// from the first covered column, not from a step counted from the centre.
TEST_F(DrawTest, LargeScalesReadTheSourcePixelUnderEachPixel) {
    const int w = 64, h = 64;
    const int handle = MakeNumbered(w, h);
    struct Case {
        int x, y;
        double scale, angle;
    };
    for (Case c : {Case{-1400, 240, 50.0, 0.3}, Case{1900, 900, 50.0, -2.1}, Case{320, 240, 50.0, 1.2},
                   Case{-300, 700, 20.0, 0.7}}) {
        engine::ClearScreen();
        engine::DrawImageRotated(c.x, c.y, c.scale, c.angle, handle, 1, 0);
        const double cs = std::cos(c.angle), sn = std::sin(c.angle);
        int checked = 0, wrong = 0;
        for (int py = 0; py < 480; ++py) {
            for (int px = 0; px < 640; ++px) {
                const double dx = px + 0.5 - c.x, dy = py + 0.5 - c.y;
                const double u = w / 2 + (dx * cs + dy * sn) / c.scale;
                const double v = h / 2 + (-dx * sn + dy * cs) / c.scale;
                // Skip pixels whose centre lies closer to a source edge than the 16.16 walk can drift
                // over one whole row (half a unit per step).
                const double margin = 642 * 0.5 / 65536;
                if (std::fabs(u - std::round(u)) < margin || std::fabs(v - std::round(v)) < margin) continue;
                if (u < 0 || v < 0 || u >= w || v >= h) continue;
                ++checked;
                const uint32_t want = 0xFF000001u | uint32_t(int(u) + 1) << 16 | uint32_t(int(v) + 1) << 8;
                wrong += Pixel(px, py) != want;
            }
        }
        EXPECT_GT(checked, 1000) << c.x << "," << c.y;
        EXPECT_EQ(wrong, 0) << c.x << "," << c.y << " scale " << c.scale << " angle " << c.angle;
    }
}

}  // namespace

namespace {

// Wild arguments never draw outside the target or read outside a picture (run under the
// sanitizer build to check the reads); they only return 0 or -1.
TEST_F(DrawTest, WildArgumentsStayInBounds) {
    std::vector<uint32_t> keyed(7 * 5, 0xFF00FF00u), alpha(3 * 9, 0x80102030u);
    keyed[3] = 0xFFFF00FFu;
    const int images[2] = {engine::CreateImageFromArgb(keyed.data(), 7, 5, false),
                           engine::CreateImageFromArgb(alpha.data(), 3, 9, true)};
    uint32_t state = 12345;
    auto next = [&] { return state = state * 1664525u + 1013904223u; };
    const int coordinates[] = {0, -1, 1, 639, 640, 479, 480, -100000, 100000, INT32_MAX, INT32_MIN, 320};
    const double scales[] = {1.0, -1.0, 1e-7, 1.0 / 16384, 0.3, 7.5, 1e6, 1e300, -2.5};
    const double angles[] = {0.0, 1e-12, M_PI / 2, -M_PI, 1e9, 3.3, -7.1};
    for (int i = 0; i < 8000; ++i) {
        // The portable loops for half the draws: the sanitizer sees their reads, not the vector ones.
        engine::blend::UsePortableLoops(i % 2 == 0);
        engine::SetClipRect(int(next() % 700) - 30, int(next() % 540) - 30, int(next() % 700) - 30,
                            int(next() % 540) - 30);
        engine::SetBlendMode(int(next() % 4), int(next() % 300) - 20);
        const int x = coordinates[next() % 12], y = coordinates[next() % 12];
        const int image = images[next() % 2];
        int result = 0;
        switch (next() % 3) {
            case 0:
                result = engine::DrawImage(x, y, image, int(next() % 2));
                break;
            case 1:
                result = engine::DrawImageRotated(x, y, scales[next() % 9], angles[next() % 7], image,
                                                  int(next() % 2), int(next() % 2));
                break;
            default:
                result = engine::DrawRectangle(x, y, coordinates[next() % 12], coordinates[next() % 12],
                                               engine::MakeColor(1, 2, 3), int(next() % 2));
        }
        ASSERT_TRUE(result == 0 || result == -1);
    }
    engine::blend::UsePortableLoops(false);
    EXPECT_EQ(engine::DrawImageRotated(10, 10, std::nan(""), 0.0, images[0], 1, 0), -1);
    EXPECT_EQ(engine::DrawImageRotated(10, 10, 1.0, INFINITY, images[0], 1, 0), -1);
}

}  // namespace

namespace {

// Turned draws of every kind: the vector loops (the rows' set-up four or eight at once, masked
// stores where the processor has them) give the portable loops' pixels, row ends and rounding
// included; the AVX2 loops alone too where the processor has AVX-512 as well.
TEST_F(DrawTest, TurnedDrawsTheSameWithVectorAndPortableLoops) {
    if (!engine::blend::UsesVectorLoops()) GTEST_SKIP() << "no vector loops on this processor";
    uint32_t state = 2024;
    auto next = [&] { return state = state * 1664525u + 1013904223u; };
    // Opaque, keyed with holes and a margin, and partly transparent pictures, small to large.
    std::vector<int> images;
    for (int kind = 0; kind < 3; ++kind) {
        for (const auto& [w, h] : {std::pair{32, 32}, {17, 40}, {96, 64}, {300, 220}}) {
            std::vector<uint32_t> v(size_t(w) * size_t(h));
            for (int j = 0; j < h; ++j) {
                for (int i = 0; i < w; ++i) {
                    uint32_t alpha = 255;
                    if (kind == 1 && ((i - w / 2) * (i - w / 2) + (j - h / 2) * (j - h / 2) > w * h / 5 ||
                                      (i * j) % 7 == 0))
                        alpha = 0;
                    if (kind == 2) alpha = uint32_t(i * 13 + j * 7) % 256;
                    v[size_t(j) * size_t(w) + size_t(i)] = alpha << 24 | next() % 0x7F7F7Fu;
                }
            }
            images.push_back(engine::CreateImageFromArgb(v.data(), w, h, kind != 0));
        }
    }
    const std::vector<uint32_t> black(640 * 480, kBlack);
    // Portable loops, AVX2 alone, all vector loops.
    int canvas[3];
    for (int& c : canvas) c = engine::CreateImageFromArgb(black.data(), 640, 480, false);
    for (int round = 0; round < 40; ++round) {
        const uint32_t start = state;
        for (int side = 0; side < 3; ++side) {
            state = start;  // the same draws on every canvas
            engine::blend::UsePortableLoops(side == 0);
            engine::blend::UseWideVectorLoops(side == 2);
            ASSERT_EQ(engine::SetDrawTarget(canvas[side]), 0);
            for (int i = 0; i < 60; ++i) {
                engine::SetClipRect(int(next() % 300), int(next() % 200), 340 + int(next() % 300),
                                    280 + int(next() % 200));
                engine::SetBlendMode(int(next() % 3), int(next() % 256));
                const double scales[] = {1.0, 0.26, 0.51, 0.8, 1.7, 3.1, -1.0};
                const double scale = i % 5 == 0 ? 0.05 + (next() % 4000) / 1000.0 : scales[next() % 7];
                const double angle = (int(next() % 20001) - 10000) / 1000.0;
                ASSERT_EQ(engine::DrawImageRotated(int(next() % 800) - 80, int(next() % 640) - 80, scale,
                                                   angle, images[next() % images.size()], int(next() % 2),
                                                   int(next() % 2)),
                          0);
            }
        }
        engine::Surface a, b;
        ASSERT_TRUE(engine::ImageSurface(canvas[0], &a));
        for (int side = 1; side < 3; ++side) {
            ASSERT_TRUE(engine::ImageSurface(canvas[side], &b));
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x)
                    ASSERT_EQ(a.pixels[y * a.pitch + x], b.pixels[y * b.pitch + x])
                        << "round " << round << ", loops " << side << ", " << x << "," << y;
        }
    }
    engine::blend::UsePortableLoops(false);
    engine::blend::UseWideVectorLoops(true);
    engine::SetDrawTarget(engine::kBackScreen);
}

}  // namespace
