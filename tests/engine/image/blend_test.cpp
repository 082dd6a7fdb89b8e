// The blend equations, pixel for pixel, through every drawing path.
#include "engine/image/blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/image/draw_state.h"
#include "engine/image/image.h"
#include "engine/image/picture.h"
#include "support/engine_fixture.h"

namespace {

// The equations in real numbers, rounded to the nearest integer (no case lies half-way).
int Expected(int mode, int p, int s, int a, int d) {
    if (mode == 0) return a == 0 ? d : int(std::lround((s * a + d * (255.0 - a)) / 255.0));
    const double f = a / 255.0 * (p / 255.0);
    if (mode == 1) return int(std::lround(s * f + d * (1 - f)));
    return std::min(255, d + int(std::lround(s * f)));
}

uint32_t Grey(int v, int a = 255) { return uint32_t(a) << 24 | uint32_t(v) * 0x010101u; }

TEST(BlendArithmetic, ExactDivisions) {
    for (uint32_t x = 0; x <= 65025; ++x) ASSERT_EQ(engine::blend::Div255Lanes(x), (2 * x + 255) / 510) << x;
    for (uint32_t y = 0; y < (1u << 24); y += 7) ASSERT_EQ(engine::blend::Div65025(y), y / 65025) << y;
    // Both lanes at once, neither spilling into the other.
    EXPECT_EQ(engine::blend::Div255Lanes(65025u << 16 | 128u), 255u << 16 | 1u);
}

class BlendTest : public testsupport::EngineFixture {};

// Every mode, parameter, alpha and channel pair of the table, drawn as one long row so the
// vectorised loops run; once unscaled and once through the turned path (a full turn).
TEST_F(BlendTest, EveryModeMatchesItsEquation) {
    const int values[] = {0, 1, 77, 128, 200, 254, 255};
    const int alphas[] = {0, 1, 64, 128, 254, 255};
    const int params[] = {0, 1, 100, 128, 254, 255};
    struct Case {
        int s, a, d;
    };
    std::vector<Case> cases;
    for (int s : values)
        for (int a : alphas)
            for (int d : values) cases.push_back({s, a, d});
    const int width = 294;  // 7 x 6 x 7 cases, one per pixel
    ASSERT_EQ(int(cases.size()), width);
    std::vector<uint32_t> source;
    for (const Case& c : cases) source.push_back(Grey(c.s, c.a));
    const int handle = engine::CreateImageFromArgb(source.data(), width, 1, true);
    ASSERT_NE(handle, -1);
    for (int turned = 0; turned < 2; ++turned) {
        for (int mode = 0; mode <= 2; ++mode) {
            for (int p : params) {
                for (int i = 0; i < width; ++i) Pixel(10 + i, 20) = Grey(cases[size_t(i)].d);
                engine::SetBlendMode(mode, p);
                if (turned) {
                    ASSERT_EQ(engine::DrawImageRotated(10 + width / 2, 20, 1.0, 2 * M_PI, handle, 1, 0), 0);
                } else {
                    ASSERT_EQ(engine::DrawImage(10, 20, handle, 1), 0);
                }
                for (int i = 0; i < width; ++i) {
                    const Case& c = cases[size_t(i)];
                    ASSERT_EQ(Pixel(10 + i, 20), Grey(Expected(mode, p, c.s, c.a, c.d)))
                        << "mode " << mode << " p " << p << " S " << c.s << " a " << c.a << " D " << c.d
                        << (turned ? " turned" : "");
                }
            }
        }
    }
}

// Pictures without an alpha channel: the key colour is skipped in every mode, all else blends
// with a = 255; with the transparency flag 0 even the key colour is drawn.
TEST_F(BlendTest, KeyedPicturesAndTheTransparencyFlag) {
    std::vector<uint32_t> source(64);
    for (int i = 0; i < 64; ++i)
        source[size_t(i)] = i % 3 == 0 ? 0xFFFF00FFu : 0xFF000000u | uint32_t(i * 4) << 8;
    const int handle = engine::CreateImageFromArgb(source.data(), 64, 1, false);
    for (int transparent = 0; transparent <= 1; ++transparent) {
        for (int mode = 0; mode <= 2; ++mode) {
            for (int turned = 0; turned < 2; ++turned) {
                for (int i = 0; i < 64; ++i) Pixel(100 + i, 7) = 0xFF405060u;
                engine::SetBlendMode(mode, 90);
                if (turned)
                    engine::DrawImageRotated(132, 7, 1.0, 2 * M_PI, handle, transparent, 0);
                else
                    engine::DrawImage(100, 7, handle, transparent);
                for (int i = 0; i < 64; ++i) {
                    const uint32_t s = source[size_t(i)];
                    const bool skipped = transparent && i % 3 == 0;
                    uint32_t want = 0xFF000000u;
                    for (int shift = 0; shift <= 16; shift += 8) {
                        const int sc = int(s >> shift) & 255, dc = int(0x405060u >> shift) & 255;
                        want |= uint32_t(skipped ? dc : Expected(mode, 90, sc, 255, dc)) << shift;
                    }
                    ASSERT_EQ(Pixel(100 + i, 7), want) << "mode " << mode << " pixel " << i << " flag "
                                                       << transparent << (turned ? " turned" : "");
                }
            }
        }
    }
}

TEST_F(BlendTest, RectanglesBlendLikeImages) {
    const int red = engine::MakeColor(200, 10, 0);
    for (int mode = 0; mode <= 2; ++mode) {
        for (int x = 0; x < 40; ++x) Pixel(x, 0) = 0xFF646464u;
        engine::SetBlendMode(mode, 128);
        engine::DrawRectangle(0, 0, 40, 1, red, 1);
        const uint32_t want = 0xFF000000u | uint32_t(Expected(mode, 128, 200, 255, 100)) << 16 |
                              uint32_t(Expected(mode, 128, 10, 255, 100)) << 8 |
                              uint32_t(Expected(mode, 128, 0, 255, 100));
        for (int x = 0; x < 40; ++x) ASSERT_EQ(Pixel(x, 0), want) << "mode " << mode;
    }
}

TEST_F(BlendTest, ParameterIsClampedAndZeroAlphaBlendChangesNothing) {
    engine::SetBlendMode(1, 300);
    EXPECT_EQ(engine::CurrentDrawState().blendParameter, 255);
    engine::SetBlendMode(1, -5);
    EXPECT_EQ(engine::CurrentDrawState().blendParameter, 0);
    const uint32_t white = 0xFFFFFFFFu;
    const int handle = engine::CreateImageFromArgb(&white, 1, 1, false);
    Pixel(3, 3) = 0xFF123456u;
    engine::DrawImage(3, 3, handle, 1);
    engine::DrawRectangle(3, 3, 4, 4, engine::MakeColor(255, 255, 255), 1);
    EXPECT_EQ(Pixel(3, 3), 0xFF123456u);
}

}  // namespace

namespace {

// The vector loops (where the processor has them) and the portable ones draw the same pixels: a
// scene of every mode and alpha kind, odd row lengths, turns, scales and clipping.
TEST_F(BlendTest, VectorAndPortableLoopsDrawTheSamePixels) {
    std::vector<uint32_t> keyed(37 * 23), alpha(29 * 31), solid(41 * 17);
    for (size_t i = 0; i < keyed.size(); ++i)
        keyed[i] = i % 7 == 0 ? 0xFFFF00FFu : 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = uint32_t(i * 2246822519u) ^ uint32_t(i << 24);
    for (size_t i = 0; i < solid.size(); ++i) solid[i] = 0xFF000000u | uint32_t(i * 3266489917u >> 8);
    const int images[3] = {engine::CreateImageFromArgb(keyed.data(), 37, 23, false),
                           engine::CreateImageFromArgb(alpha.data(), 29, 31, true),
                           engine::CreateImageFromArgb(solid.data(), 41, 17, false)};
    auto scene = [&] {
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                Pixel(x, y) = 0xFF000000u | uint32_t((x * 7 + y * 13) * 2654435761u >> 8);
        int step = 0;
        for (int mode = 0; mode <= 2; ++mode) {
            for (int image : images) {
                for (int flag = 0; flag <= 1; ++flag) {
                    ++step;
                    engine::SetClipRect(step % 5, step % 3, 640 - step % 7, 480);
                    engine::SetBlendMode(mode, 40 + step * 11);
                    engine::DrawImage(step * 29 % 600 - 10, step * 17 % 450, image, flag);
                    engine::DrawImageRotated(step * 31 % 640, step * 23 % 480, 0.6 + step * 0.13, step * 0.7,
                                             image, flag, step % 2);
                    engine::DrawRectangle(step * 3, step * 5, step * 3 + step % 9 + 1, step * 5 + 30,
                                          engine::MakeColor(step * 40, 255 - step, step * 7), step % 2);
                }
            }
        }
        engine::SetBlendMode(0, 0);
        return std::vector<uint32_t>(engine::BackScreen().pixels, engine::BackScreen().pixels + 640 * 480);
    };
    engine::blend::UsePortableLoops(true);
    const auto portable = scene();
    engine::blend::UsePortableLoops(false);
    const auto vector = scene();
    for (size_t i = 0; i < portable.size(); ++i)
        ASSERT_EQ(vector[i], portable[i]) << "pixel " << i % 640 << "," << i / 640;
}

}  // namespace
