// Held draws drawn in bands: the same pixels as drawing each call at once, on any number of threads.
#include "engine/image/bands.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "bench/busiest_frame.h"
#include "engine/capture/capture.h"
#include "engine/image/draw_state.h"
#include "engine/image/image.h"
#include "engine/image/picture.h"
#include "game/geometry/trig.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "support/engine_fixture.h"

namespace {

using Pixels = std::vector<uint32_t>;

// A picture of `kind` 0 opaque, 1 keyed (holes of alpha 0), 2 with partial alpha; every pixel differs.
int MakePicture(int w, int h, int kind) {
    std::vector<uint32_t> v;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            uint32_t alpha = 255;
            if (kind == 1 && (i * i + j * 3) % 5 == 0) alpha = 0;
            if (kind == 2) alpha = uint32_t((i * 37 + j * 11) % 256);
            // Blue below 128: never the transparent colour.
            v.push_back(alpha << 24 | uint32_t(i * 5 + 1) % 256 << 16 | uint32_t(j * 3 + 2) % 256 << 8 |
                        uint32_t(i ^ j) % 128);
        }
    }
    return engine::CreateImageFromArgb(v.data(), w, h, kind != 0);
}

class BandsTest : public testsupport::EngineFixture {
protected:
    void TearDown() override {
        engine::SetDrawThreads(0);
        EngineFixture::TearDown();
    }

    // The back screen's pixels, held draws drawn.
    static Pixels Screen() {
        const engine::Surface& s = engine::BackScreen();
        return Pixels(s.pixels, s.pixels + 640 * 480);
    }

    // `draw` made into a 640 x 480 image, where every call is drawn at once, and onto the back screen,
    // where the calls are held and drawn in bands on 1 to 5 threads: every pixel the same.
    template <class Draw>
    void ExpectBandsAsDrawnAtOnce(Draw draw) {
        const Pixels black(640 * 480, 0xFF000000u);
        const int canvas = engine::CreateImageFromArgb(black.data(), 640, 480, false);
        ASSERT_EQ(engine::SetDrawTarget(canvas), 0);
        draw();
        engine::Surface at;
        ASSERT_TRUE(engine::ImageSurface(canvas, &at));
        Pixels once;
        for (int y = 0; y < 480; ++y)
            once.insert(once.end(), at.pixels + y * at.pitch, at.pixels + y * at.pitch + 640);
        for (int threads : {1, 2, 3, 5}) {
            engine::SetDrawThreads(threads);
            ASSERT_EQ(engine::SetDrawTarget(engine::kBackScreen), 0);
            engine::SetClipRect(0, 0, 640, 480);
            engine::ClearScreen();
            draw();
            const Pixels banded = Screen();
            for (size_t i = 0; i < once.size(); ++i)
                ASSERT_EQ(banded[i], once[i]) << threads << " threads, pixel " << i % 640 << "," << i / 640;
        }
    }
};

TEST_F(BandsTest, EveryKindAndModeInBandsAsDrawnAtOnce) {
    const int opaque = MakePicture(60, 40, 0), keyed = MakePicture(33, 47, 1),
              partial = MakePicture(50, 50, 2);
    ExpectBandsAsDrawnAtOnce([&] {
        int step = 0;
        for (int mode : {0, 1, 2, 5}) {
            for (int image : {opaque, keyed, partial}) {
                for (int flag = 0; flag <= 1; ++flag) {
                    ++step;
                    // Clips that start and end inside the bands, some a single row high.
                    engine::SetClipRect(step % 5, step * 7 % 200, 640 - step % 7,
                                        step % 4 ? 480 - step : 211);
                    engine::SetBlendMode(mode, 40 + step * 11);
                    engine::DrawImage(step * 29 % 600 - 10, step * 17 % 450 - 5, image, flag);
                    engine::DrawImageRotated(step * 31 % 640, step * 23 % 480, 0.6 + step * 0.13, step * 0.7,
                                             image, flag, step % 2);
                    engine::DrawImageRotated(step * 13 % 640, step * 41 % 480, 1.0, 0.0, image, flag, 0);
                    engine::DrawRectangle(step * 3, step * 5, step * 3 + step % 9 + 1, step * 5 + 30,
                                          engine::MakeColor(step * 40, 255 - step, step * 7), step % 2);
                }
            }
        }
        // Scales far from the centre (the rows then start from the clip's first column) and mirrored.
        engine::SetClipRect(0, 0, 640, 480);
        engine::SetBlendMode(0, 0);
        engine::DrawImageRotated(900, -300, 37.5, 0.3, keyed, 1, 1);
        engine::SetBlendMode(2, 200);
        engine::DrawImageRotated(320, 240, -3.0, 2.0, partial, 1, 0);
        engine::SetBlendMode(0, 0);
    });
}

// A clear is left out only where the calls right after it paint every pixel without reading them.
TEST_F(BandsTest, ClearsLeftOutOnlyUnderWhatCoversThem) {
    const int opaque = MakePicture(60, 40, 0), keyed = MakePicture(700, 520, 1);
    const int big = MakePicture(800, 800, 0), wide = MakePicture(800, 470, 0),
              small = MakePicture(600, 600, 0);
    const int white = engine::MakeColor(255, 255, 255);
    struct Cover {
        int clip[4];
        double scale, angle;
        int image, mode;
    };
    // Each after a white screen and a clear: what they miss or blend onto must show the clear's black.
    const Cover covers[] = {
        {{0, 0, 480, 480}, 1.0, 0.3, big, 0},     // covers its clip turned
        {{0, 0, 640, 480}, 1.0, 0.3, small, 0},   // turned, misses the corners of the clip
        {{0, 0, 640, 480}, 1.0, 0.001, wide, 0},  // a few rows short at the top and bottom
        {{0, 0, 480, 480}, 0.595, 1e-4, big, 0},  // two pixels short on every side
        {{0, 0, 640, 480}, 1.0, 0.0, keyed, 0},   // holes
        {{0, 0, 480, 480}, 1.0, 0.3, big, 1},     // blended
        {{0, 0, 480, 480}, 1.0, 0.3, big, 2},    {{100, 50, 160, 90}, 1.0, 0.0, opaque, 0},
        {{480, 0, 640, 480}, 2.0, 0.0, big, 5},
    };
    for (const Cover& c : covers) {
        ExpectBandsAsDrawnAtOnce([&] {
            engine::SetClipRect(0, 0, 640, 480);
            engine::SetBlendMode(0, 0);
            engine::DrawRectangle(0, 0, 640, 480, white, 1);
            engine::ClearScreen();
            engine::SetClipRect(c.clip[0], c.clip[1], c.clip[2], c.clip[3]);
            engine::SetBlendMode(c.mode, 128);
            engine::DrawImageRotated(c.clip[0] + (c.clip[2] - c.clip[0]) / 2,
                                     c.clip[1] + (c.clip[3] - c.clip[1]) / 2, c.scale, c.angle, c.image, 1,
                                     0);
            engine::SetBlendMode(0, 0);
        });
    }
    ExpectBandsAsDrawnAtOnce([&] {
        // Covers with a blended draw between them, then a border.
        engine::SetBlendMode(0, 0);
        engine::SetClipRect(0, 0, 640, 480);
        engine::DrawRectangle(0, 0, 640, 480, white, 1);
        engine::ClearScreen();
        engine::SetClipRect(0, 0, 320, 480);
        engine::DrawRectangle(-5, -5, 400, 500, engine::MakeColor(10, 20, 30), 1);
        engine::SetBlendMode(1, 100);
        engine::DrawImageRotated(150, 200, 1.5, 0.4, opaque, 1, 0);
        engine::SetBlendMode(0, 0);
        engine::SetClipRect(320, 0, 640, 240);
        engine::DrawImage(300, -10, big, 0);
        engine::SetClipRect(0, 0, 640, 480);
        engine::DrawRectangle(100, 100, 200, 200, engine::MakeColor(1, 2, 3), 0);
    });
    // A blended draw reads the clear where nothing paints over it later.
    ExpectBandsAsDrawnAtOnce([&] {
        engine::DrawRectangle(0, 0, 640, 480, white, 1);
        engine::ClearScreen();
        engine::SetClipRect(0, 0, 320, 480);
        engine::DrawRectangle(0, 0, 320, 480, engine::MakeColor(10, 20, 30), 1);
        engine::SetClipRect(200, 0, 640, 480);
        engine::SetBlendMode(1, 100);
        engine::DrawImageRotated(400, 300, 2.5, 0.4, opaque, 1, 0);
        engine::SetBlendMode(0, 0);
        engine::SetClipRect(320, 0, 640, 240);
        engine::DrawRectangle(0, 0, 640, 480, engine::MakeColor(40, 50, 60), 1);
        engine::SetClipRect(0, 0, 640, 480);
    });
}

TEST_F(BandsTest, HeldDrawsAreDrawnBeforeAnythingReadsOrReplacesThem) {
    engine::SetDrawThreads(3);
    const int drawn = MakePicture(60, 40, 0);
    const engine::Surface& back = engine::BackScreen();
    const uint32_t* row = back.pixels + 100 * back.pitch;
    engine::DrawImage(100, 100, drawn, 0);
    // Deleted before the frame is drawn: the held draw keeps its picture.
    ASSERT_EQ(engine::DeleteImage(drawn), 0);
    ASSERT_EQ(engine::SaveDrawScreen(0, 0, 640, 480, "shot.bmp", engine::kSaveBmp, 80, 1, -1), 0);
    EXPECT_EQ(row[100], 0xFF010200u);  // drawn before the save read the screen
    std::ifstream file("shot.bmp", std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    ASSERT_GE(bytes.size(), 54u + 3 * 640 * 480);
    const size_t at = 54 + 3 * (size_t(479 - 100) * 640 + 100);  // rows bottom first, blue green red
    EXPECT_EQ((std::vector<int>{uint8_t(bytes[at]), uint8_t(bytes[at + 1]), uint8_t(bytes[at + 2])}),
              (std::vector<int>{0, 2, 1}));

    // Drawn before the target changes, and before the screens swap to be shown.
    const int canvas = MakePicture(16, 16, 0);
    engine::DrawRectangle(0, 0, 10, 10, engine::MakeColor(0, 255, 0), 1);
    ASSERT_EQ(engine::SetDrawTarget(canvas), 0);
    engine::DrawRectangle(0, 0, 4, 4, engine::MakeColor(255, 0, 0), 1);  // drawn at once into the image
    ASSERT_EQ(engine::SetDrawTarget(engine::kBackScreen), 0);
    engine::DrawImage(20, 0, canvas, 0);
    Platform().KeepPresented(true);
    ASSERT_EQ(engine::PresentScreen(), 0);
    const std::vector<uint32_t>& shown = Platform().Presented();
    EXPECT_EQ(shown[5], 0xFF00FF00u);
    EXPECT_EQ(shown[20], 0xFFFF0000u);
    EXPECT_EQ(shown[30], 0xFF33020Au);  // the canvas's own pixel (10, 0)
}

// The game's busiest frame, recorded as the game draws it and drawn again: in bands as drawn at once.
TEST_F(BandsTest, BusiestFrameInBandsAsDrawnAtOnce) {
    std::error_code ec;
    std::filesystem::create_directory_symlink(VELMORAN_BUILD_DIR "/data", "data", ec);
    if (ec || !std::filesystem::exists("data/map/map4.fmf")) GTEST_SKIP() << "no game data in the build";
    engine::SetTransparentColor(255, 0, 255);
    game::BuildTrigTables();
    game::InitSoundTables();
    game::LoadImages();
    engine::SetDrawTarget(engine::kBackScreen);
    ASSERT_TRUE(busiest::BuildBusiestField());
    busiest::StartRecording();
    busiest::StageFrameBody();
    busiest::PresentAndClear();
    busiest::StopRecording();
    ASSERT_GT(busiest::recorded.size(), 200u);
    ExpectBandsAsDrawnAtOnce([] { busiest::Replay(busiest::recorded); });
    game::ReleaseImages();
}

}  // namespace

namespace {

std::atomic<int> drawnTimes[600];

void CountRows(int y0, int y1) {
    for (int y = y0; y < y1; ++y) drawnTimes[y].fetch_add(1, std::memory_order_relaxed);
}

// Bands are cut from the work left as the threads take them: whatever the work per row (none, all
// on one row, even) and the thread count, every row is drawn exactly once.
TEST(RunInBands, EveryRowOnceWhateverTheWork) {
    for (int rows : {1, 2, 33, 480, 600}) {
        for (int shape = 0; shape < 3; ++shape) {
            std::vector<int64_t> above(size_t(rows) + 1, 0);
            for (int y = 0; y < rows; ++y) {
                const int64_t work = shape == 0 ? 0 : shape == 1 ? (y == rows / 2 ? 1000 : 0) : 7;
                above[size_t(y) + 1] = above[size_t(y)] + work;
            }
            for (int threads : {1, 2, 3, 16}) {
                for (int round = 0; round < 20; ++round) {
                    for (auto& n : drawnTimes) n = 0;
                    engine::WakeBandThreads(threads);
                    // Now and then the bands come after the woken threads have gone back to sleep.
                    if (round % 7 == 6) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    engine::RunInBands(above.data(), rows, threads, CountRows);
                    for (int y = 0; y < 600; ++y)
                        ASSERT_EQ(drawnTimes[y].load(), y < rows ? 1 : 0)
                            << rows << " rows, shape " << shape << ", " << threads << " threads, row " << y;
                }
            }
        }
    }
}

}  // namespace
