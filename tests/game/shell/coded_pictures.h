// A headless engine whose pictures are solid colours coding their table and cell, read off the screen.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "engine/image/image.h"
#include "game/services/image_tables.h"
#include "support/headless_session.h"

namespace screentest {

// Table codes (the red part of a coded pixel); the green part is the cell number, the blue part 7.
enum Code : uint8_t {
    kText = 10,
    kArrowLeft = 20,
    kArrowRight = 21,
    kFont = 30,
    kFont2 = 31,
    kPanel = 40,
    kLife = 41,
    kPanelAnim = 42,
    kClearBack = 43,
    kStageClear = 45,
    kBonus = 46,
    kBunny = 47,
    kBunnyDead = 48,
    kBunnyHurt = 49,
};

constexpr uint32_t Coded(uint8_t table, uint8_t cell) {
    return 0xFF000000u | uint32_t(table) << 16 | uint32_t(cell) << 8 | 7u;
}
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// A 24-bit BMP of columns x rows cells of w x h pixels, each cell solid in its coded colour; past
// `solid` pixels from its left edge a cell is see-through magenta.
inline void WriteCodedBmp(const std::filesystem::path& path, uint8_t table, int columns, int rows, int w,
                          int h, int firstCell = 0, int solid = 1 << 20) {
    const int width = columns * w, height = rows * h;
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> b(54 + size_t(stride) * size_t(height), 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, uint32_t(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &b[54 + size_t(stride) * size_t(height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            const uint8_t cell = uint8_t(firstCell + (y / h) * columns + x / w);
            const bool clear = x % w >= solid;
            row[3 * x + 0] = clear ? 255 : 7;
            row[3 * x + 1] = clear ? 0 : cell;
            row[3 * x + 2] = clear ? 255 : table;
        }
    }
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

class CodedScreen : public ::testing::Test {
protected:
    // Starts the engine on the given input script with the coded pictures loaded.
    void Start(const std::string& script = "") {
        session_ = std::make_unique<testsupport::HeadlessSession>(script);
        session_->Platform().KeepPresented(true);
        const std::filesystem::path data = session_->Folder() / "data";
        // The menu rows are see-through right of x 64 + 100, as the arrows and the label sit there.
        WriteCodedBmp(data / "text.bmp", kText, 2, 7, 240, 48, 0, 100);
        WriteCodedBmp(data / "selectL.bmp", kArrowLeft, 2, 1, 32, 32);
        WriteCodedBmp(data / "selectR.bmp", kArrowRight, 2, 1, 32, 32);
        WriteCodedBmp(data / "font.bmp", kFont, 16, 8, 16, 32);
        WriteCodedBmp(data / "font2.bmp", kFont2, 16, 8, 16, 32);
        WriteCodedBmp(data / "waku.bmp", kPanel, 1, 1, 160, 480);
        WriteCodedBmp(data / "zanki.bmp", kLife, 1, 1, 24, 16);
        WriteCodedBmp(data / "bura.bmp", kPanelAnim, 2, 2, 160, 128);
        WriteCodedBmp(data / "cl1.bmp", kClearBack, 1, 1, 640, 480, 0);
        WriteCodedBmp(data / "cl2.bmp", kClearBack, 1, 1, 640, 480, 1);
        WriteCodedBmp(data / "stageclear.bmp", kStageClear, 1, 1, 64, 32);
        WriteCodedBmp(data / "bonus5000.bmp", kBonus, 1, 1, 64, 32);
        WriteCodedBmp(data / "bunny.bmp", kBunny, 2, 1, 64, 96);
        WriteCodedBmp(data / "bunny_dead.bmp", kBunnyDead, 1, 1, 96, 96);
        WriteCodedBmp(data / "bunnyDamage.bmp", kBunnyHurt, 1, 1, 20, 20);
        engine::SetLogEnabled(0);
        engine::SetScreenMode(640, 480, 32, 60);
        ASSERT_EQ(engine::InitEngine(), 0);
        engine::SetDrawTarget(engine::kBackScreen);
        engine::SetTransparentColor(255, 0, 255);
        game::LoadImages();
    }
    void TearDown() override { session_.reset(); }

    // The back screen, where the frame is being drawn.
    static uint32_t Drawn(int x, int y) {
        engine::Surface& s = engine::BackScreen();
        return s.pixels[size_t(y) * size_t(s.pitch) + size_t(x)];
    }
    // The last frame shown.
    uint32_t Shown(int x, int y) { return session_->Platform().Presented()[size_t(y) * 640 + size_t(x)]; }
    headless::HeadlessPlatform& Platform() { return session_->Platform(); }

private:
    std::unique_ptr<testsupport::HeadlessSession> session_;
};

}  // namespace screentest
