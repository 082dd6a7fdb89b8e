// Turned draws that repeat the last frame's read its kept source pixels: every frame must show
// exactly what reading the picture anew draws, wherever the repeated draw stands and whatever
// else of the draw changes between frames.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "engine/image/bands.h"
#include "engine/image/draw_state.h"
#include "engine/image/image.h"
#include "engine/image/picture.h"
#include "support/engine_fixture.h"

namespace {

using Pixels = std::vector<uint32_t>;

struct Turned {
    int x, y;
    double scale, angle;
    int picture, transparent, mirror, mode, parameter;
};

class TurnedReuseTest : public testsupport::EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        Platform().KeepPresented(true);
        engine::SetTurnedReuse(true);
        // A keyed picture, one with partial alpha, and two cells of one picture side by side.
        std::vector<uint32_t> keyed, partial, cells;
        for (int j = 0; j < 40; ++j)
            for (int i = 0; i < 60; ++i) {
                const uint32_t rgb = uint32_t(i * 4) << 16 | uint32_t(j * 6) << 8 | uint32_t(i * j % 256);
                keyed.push_back((i + j) % 7 == 0 ? 0u : 0xFF000000u | rgb);
                partial.push_back(uint32_t((i * 9 + j * 5) % 256) << 24 | rgb);
            }
        for (int j = 0; j < 16; ++j)
            for (int i = 0; i < 32; ++i)
                cells.push_back(0xFF000000u | uint32_t(i * 8) << 16 | uint32_t(j * 16));
        pictures_[0] = engine::CreateImageFromArgb(keyed.data(), 60, 40, true);
        pictures_[1] = engine::CreateImageFromArgb(partial.data(), 60, 40, true);
        const int whole = engine::CreateImageFromArgb(cells.data(), 32, 16, false);
        ASSERT_EQ(engine::CutCells(whole, 2, 2, 1, 16, 16, &pictures_[2]), 0);
        for (int p : pictures_) ASSERT_GT(p, 0);
    }
    void TearDown() override {
        engine::SetTurnedReuse(false);
        engine::SetDrawThreads(0);
        EngineFixture::TearDown();
    }

    void Draw(const std::vector<Turned>& calls) {
        for (const Turned& t : calls) {
            engine::SetBlendMode(t.mode, t.parameter);
            engine::DrawImageRotated(t.x, t.y, t.scale, t.angle, pictures_[t.picture], t.transparent,
                                     t.mirror);
        }
        engine::SetBlendMode(0, 0);
    }

    // The calls drawn onto a drawable image, where nothing is held and nothing kept.
    Pixels DrawnAtOnce(const std::vector<Turned>& calls) {
        return DrawnOntoAnImage([&] { Draw(calls); });
    }

    int pictures_[4] = {};
};

TEST_F(TurnedReuseTest, RepeatedAndChangedTurnedDrawsShowWhatDrawingAnewShows) {
    // Frame after frame: draws repeated where they were, moved, and changed in one part each
    // (angle, scale, mirroring, cell, transparency, blend), clipped by the screen's edges, several
    // of one key in a frame; on one thread and in bands.
    const std::vector<Turned> base = {
        {200, 150, 1.7, 0.4, 0, 1, 0, 0, 0},   {420, 300, 0.8, 2.2, 1, 1, 0, 1, 160},
        {100, 380, 2.5, 1.1, 2, 0, 0, 2, 200}, {300, 240, 3.0, 5.5, 3, 0, 1, 0, 0},
        {630, 20, 2.0, 0.7, 0, 1, 1, 0, 0},    {210, 160, 1.7, 0.4, 0, 1, 0, 0, 0},
    };
    auto with = [&](auto change) {
        std::vector<Turned> v = base;
        for (Turned& t : v) change(t);
        return v;
    };
    // Each change alone, between frames of the base, so that a kept draw differing only there is
    // the one found.
    std::vector<std::vector<Turned>> frames = {base, base, with([](Turned& t) { t.x += 7, t.y -= 5; }),
                                               with([](Turned& t) { t.x -= 190, t.y += 101; })};
    for (const auto& changed :
         {with([](Turned& t) { t.angle += 1e-9; }), with([](Turned& t) { t.scale *= 0.9; }),
          with([](Turned& t) { t.mirror = !t.mirror; }), with([](Turned& t) { t.picture ^= 1; }),
          with([](Turned& t) { t.transparent = !t.transparent; }),
          with([](Turned& t) { t.mode = (t.mode + 1) % 3, t.parameter = 90; })}) {
        frames.push_back(changed);
        frames.push_back(base);
    }
    for (int threads : {1, 3}) {
        engine::SetDrawThreads(threads);
        engine::ClearScreen();
        for (size_t f = 0; f < frames.size(); ++f) {
            const Pixels expected = DrawnAtOnce(frames[f]);
            Draw(frames[f]);
            engine::PresentScreen();
            engine::SetDrawTarget(engine::kBackScreen);
            engine::ClearScreen();
            const Pixels& shown = Platform().Presented();
            ASSERT_EQ(shown.size(), expected.size());
            for (size_t i = 0; i < shown.size(); ++i)
                ASSERT_EQ(shown[i], expected[i])
                    << threads << " threads, frame " << f << ": pixel " << i % 640 << "," << i / 640;
        }
    }
}

}  // namespace
