// Checks the generated pictures: names, formats, cell layouts, see-through keying and alpha.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kData = VELMORAN_BUILD_DIR "/data/";

// How a picture's cells are expected to look at their edges.
enum Look {
    kSprite,  // cells see-through at their corners
    kFull,    // covers its whole area (backdrops, panel)
    kFrame,   // opaque rim, see-through middle
};

struct Layout {
    std::string name;
    int cols, rows, cellW, cellH, count;
    Look look;
};

std::vector<Layout> AllPictures() {
    std::vector<Layout> v = {
        {"blind.bmp", 1, 1, 480, 480, 1, kFrame},
        {"bunnyDamage.bmp", 1, 1, 64, 64, 1, kSprite},
        {"bunny_dead.bmp", 1, 1, 96, 96, 1, kSprite},
        {"jiki/opt.bmp", 1, 1, 32, 32, 1, kSprite},
        {"waku.bmp", 1, 1, 160, 480, 1, kFull},
        {"zanki.bmp", 1, 1, 24, 24, 1, kSprite},
        {"cl1.bmp", 1, 1, 640, 480, 1, kFull},
        {"cl2.bmp", 1, 1, 640, 480, 1, kFull},
        {"stageclear.bmp", 1, 1, 320, 64, 1, kSprite},
        {"bonus5000.bmp", 1, 1, 384, 64, 1, kSprite},
        {"titleback.bmp", 1, 1, 640, 480, 1, kFull},
        {"cursor.bmp", 2, 2, 64, 64, 4, kSprite},
        {"selectL.bmp", 2, 1, 32, 32, 2, kSprite},
        {"selectR.bmp", 2, 1, 32, 32, 2, kSprite},
        {"bunny.bmp", 2, 1, 64, 96, 2, kSprite},
        {"jiki/jiki.bmp", 2, 2, 64, 64, 4, kSprite},
        {"font.bmp", 16, 8, 16, 32, 128, kSprite},
        {"font2.bmp", 16, 8, 16, 32, 128, kSprite},
        {"bura.bmp", 2, 2, 160, 128, 4, kFull},
        {"text.bmp", 2, 7, 240, 48, 14, kSprite},
        {"danger.bmp", 1, 2, 64, 32, 2, kSprite},
        {"enemy/teki12.bmp", 4, 2, 64, 128, 8, kSprite},
        {"enemy/teki13.bmp", 4, 2, 64, 128, 8, kSprite},
        {"enemy/itemCarrierL.bmp", 2, 5, 64, 64, 10, kSprite},
        {"enemy/itemCarrierR.bmp", 2, 5, 64, 64, 10, kSprite},
        {"jiki/mainShot.png", 4, 2, 96, 96, 8, kSprite},
        {"jiki/napalm.bmp", 4, 2, 64, 64, 8, kSprite},
        {"jiki/bomb.BMP", 2, 2, 192, 192, 4, kSprite},
        {"jiki/mainShot2.png", 4, 2, 96, 96, 8, kSprite},
        {"bullet/tama06.bmp", 4, 1, 256, 256, 4, kSprite},
        {"effect/bak0.bmp", 3, 4, 200, 200, 12, kSprite},
        {"effect/bak1.bmp", 3, 4, 96, 96, 12, kSprite},
        {"effect/bak2.bmp", 3, 4, 48, 48, 12, kSprite},
        {"effect/bak3.bmp", 3, 4, 37, 37, 12, kSprite},
        {"effect/bak_jiki.bmp", 3, 4, 128, 128, 12, kSprite},
        {"effect/bak10.png", 3, 2, 96, 96, 6, kSprite},
        {"effect/bak11.png", 3, 2, 64, 64, 6, kSprite},
        {"effect/bak12.png", 3, 2, 64, 64, 6, kSprite},
        {"effect/bak16.png", 3, 2, 40, 40, 6, kSprite},
        {"effect/bak16_2.png", 3, 2, 52, 52, 6, kSprite},
        {"effect/bak17.png", 3, 2, 64, 64, 6, kSprite},
        {"effect/homing_k2.png", 4, 2, 64, 32, 8, kSprite},
        {"effect/homing_k.png", 4, 2, 32, 32, 8, kSprite},
        {"effect/hibana.png", 2, 6, 51, 26, 12, kSprite},
        {"effect/pr.bmp", 2, 2, 192, 128, 4, kSprite},
        {"effect/pg.bmp", 2, 2, 192, 128, 4, kSprite},
        {"effect/py.bmp", 2, 2, 192, 128, 4, kSprite},
        {"effect/hiteff.bmp", 3, 2, 48, 48, 6, kSprite},
        {"effect/boss_dead1.bmp", 1, 6, 1280, 80, 6, kSprite},
        {"effect/bak34.bmp", 2, 2, 96, 96, 4, kSprite},
        {"effect/bak34_2.bmp", 2, 2, 64, 64, 4, kSprite},
        {"enemy/boss/boss4.bmp", 1, 2, 320, 192, 2, kSprite},
    };
    // Single pictures whose size is ours to choose: one cell of the whole picture.
    for (const char* n :
         {"effect/boss_death.png", "enemy/boss/boss1.bmp", "enemy/boss/boss2.bmp", "enemy/boss/boss3.bmp"})
        v.push_back({n, 1, 1, 0, 0, 1, kSprite});
    char name[64];
    for (int k = 0; k <= 11; ++k) {
        std::snprintf(name, sizeof name, "enemy/teki%02d.bmp", k);
        v.push_back({name, 4, k % 2 ? 2 : 1, 64, 64, k % 2 ? 8 : 4, kSprite});
    }
    for (int k = 0; k <= 5; ++k) {
        std::snprintf(name, sizeof name, "bullet/tama%02d.bmp", k);
        v.push_back({name, 5, 1, 32, 32, 5, kSprite});
    }
    for (int k = 0; k <= 4; ++k)
        v.push_back({"item/item" + std::to_string(k) + ".bmp", 4, 1, 32, 32, 4, kSprite});
    for (int k : {5, 6, 7}) {
        int cell = k == 5 ? 39 : 24;
        v.push_back({"effect/bak" + std::to_string(k) + ".bmp", 1, 6, cell, cell, 6, kSprite});
        v.push_back({"effect/bak" + std::to_string(k) + "_2.bmp", 1, 6, cell, cell, 6, kSprite});
    }
    for (int k : {13, 14, 15}) {
        int cell = k == 13 ? 96 : k == 14 ? 64 : 48;
        v.push_back({"effect/bak" + std::to_string(k) + ".bmp", 3, 2, cell, cell, 6, kSprite});
        v.push_back({"effect/bak" + std::to_string(k) + "_2.bmp", 3, 2, cell, cell, 6, kSprite});
    }
    for (const char* n : {"effect/biteff.bmp", "effect/biteff2.bmp"})
        v.push_back({n, 3, 2, 64, 32, 6, kSprite});
    for (int m = 1; m <= 4; ++m) {
        std::string s = std::to_string(m);
        v.push_back({"map/stage" + s + "/space" + s + ".bmp", 1, 1, 1088, 1088, 1, kFull});
        v.push_back({"map/stage" + s + "/earth" + s + ".bmp", 1, 1, 512, 512, 1, kSprite});
    }
    return v;
}

// A decoded picture: RGBA, top row first; BMP pixels of the key colour get alpha 0.
struct Pic {
    bool ok = false, png = false;
    std::string error;
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    const uint8_t* At(int x, int y) const { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
    bool Keyed(int x, int y) const { return At(x, y)[3] == 0; }
};

uint32_t Le32(const std::vector<uint8_t>& b, size_t o) {
    return b[o] | b[o + 1] << 8 | b[o + 2] << 16 | static_cast<uint32_t>(b[o + 3]) << 24;
}

Pic Load(const std::string& path) {
    Pic p;
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (b.size() < 54) {
        p.error = "missing or too short";
        return p;
    }
    static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (std::equal(kSig, kSig + 8, b.begin())) {
        p.png = true;
        if (std::string(b.begin() + 12, b.begin() + 16) != "IHDR" || b[24] != 8 || b[25] != 6) {
            p.error = "PNG is not 8-bit RGBA";
            return p;
        }
        png_image img{};
        img.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&img, b.data(), b.size())) {
            p.error = "PNG does not decode";
            return p;
        }
        img.format = PNG_FORMAT_RGBA;
        p.w = static_cast<int>(img.width);
        p.h = static_cast<int>(img.height);
        p.px.resize(PNG_IMAGE_SIZE(img));
        if (!png_image_finish_read(&img, nullptr, p.px.data(), 0, nullptr)) {
            p.error = "PNG does not decode";
            return p;
        }
        p.ok = true;
        return p;
    }
    if (b[0] != 'B' || b[1] != 'M' || Le32(b, 14) != 40 || (b[28] | b[29] << 8) != 24 || Le32(b, 30) != 0) {
        p.error = "not an uncompressed 24-bit BMP";
        return p;
    }
    p.w = static_cast<int>(Le32(b, 18));
    int h = static_cast<int>(Le32(b, 22));
    bool topFirst = h < 0;
    p.h = topFirst ? -h : h;
    size_t stride = (static_cast<size_t>(p.w) * 3 + 3) & ~size_t{3}, off = Le32(b, 10);
    if (p.w <= 0 || off + stride * p.h > b.size()) {
        p.error = "BMP pixel data is short";
        return p;
    }
    p.px.resize(static_cast<size_t>(p.w) * p.h * 4);
    for (int y = 0; y < p.h; ++y) {
        const uint8_t* row = &b[off + stride * (topFirst ? y : p.h - 1 - y)];
        for (int x = 0; x < p.w; ++x) {
            uint8_t* d = &p.px[(static_cast<size_t>(y) * p.w + x) * 4];
            d[0] = row[x * 3 + 2];
            d[1] = row[x * 3 + 1];
            d[2] = row[x * 3];
            d[3] = d[0] == 255 && d[1] == 0 && d[2] == 255 ? 0 : 255;
        }
    }
    p.ok = true;
    return p;
}

bool EndsWith(const std::string& s, const std::string& e) {
    return s.size() >= e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
}

// Cells that are meant to be empty: the fonts' control codes, blank and DEL, and the unused last
// menu-text cell.
bool EmptyByDesign(const Layout& s, int cell) {
    if (s.name == "font.bmp" || s.name == "font2.bmp") return cell <= 32 || cell == 127;
    return s.name == "text.bmp" && cell == 13;
}

class Pictures : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const Layout& s : AllPictures()) loaded_.push_back({s, Load(kData + s.name)});
    }
    struct Entry {
        Layout want;
        Pic pic;
    };
    static std::vector<Entry> loaded_;

    static int CellW(const Entry& e) { return e.want.cellW ? e.want.cellW : e.pic.w; }
    static int CellH(const Entry& e) { return e.want.cellH ? e.want.cellH : e.pic.h; }
};
std::vector<Pictures::Entry> Pictures::loaded_;

TEST_F(Pictures, EveryFileHasItsFormatAndCellLayout) {
    for (const Entry& e : loaded_) {
        SCOPED_TRACE(e.want.name);
        ASSERT_TRUE(e.pic.ok) << e.pic.error;
        EXPECT_EQ(e.pic.png, EndsWith(e.want.name, ".png"));
        if (e.want.cellW) {
            EXPECT_EQ(e.pic.w, e.want.cols * e.want.cellW);
            EXPECT_EQ(e.pic.h, e.want.rows * e.want.cellH);
        } else {
            EXPECT_GE(e.pic.w, 64);
            EXPECT_GE(e.pic.h, 64);
        }
    }
    EXPECT_TRUE(fs::exists(kData + "font-licence.txt"));
}

TEST_F(Pictures, EveryCellHoldsAPicture) {
    for (const Entry& e : loaded_) {
        if (!e.pic.ok) continue;
        int cw = CellW(e), ch = CellH(e);
        for (int k = 0; k < e.want.count; ++k) {
            int x0 = (k % e.want.cols) * cw, y0 = (k / e.want.cols) * ch, visible = 0;
            for (int y = y0; y < y0 + ch; ++y)
                for (int x = x0; x < x0 + cw; ++x) visible += e.pic.At(x, y)[3] > 32;
            if (EmptyByDesign(e.want, k))
                EXPECT_EQ(visible, 0) << e.want.name << " cell " << k;
            else
                EXPECT_GT(visible, cw * ch / 100 + 2) << e.want.name << " cell " << k << " is (nearly) empty";
        }
    }
}

TEST_F(Pictures, SpriteCellsAreSeeThroughAtTheirCorners) {
    for (const Entry& e : loaded_) {
        if (!e.pic.ok || e.want.look != kSprite) continue;
        int cw = CellW(e), ch = CellH(e);
        for (int k = 0; k < e.want.count; ++k) {
            int x0 = (k % e.want.cols) * cw, y0 = (k / e.want.cols) * ch;
            for (auto [x, y] :
                 {std::pair{x0, y0}, {x0 + cw - 1, y0}, {x0, y0 + ch - 1}, {x0 + cw - 1, y0 + ch - 1}})
                EXPECT_TRUE(e.pic.Keyed(x, y))
                    << e.want.name << " cell " << k << " corner (" << x << ", " << y << ")";
        }
    }
}

// Edges must shade toward dark, never toward the key colour, or they show a pink fringe.
TEST_F(Pictures, BmpEdgesShowNoPinkFringe) {
    for (const Entry& e : loaded_) {
        if (!e.pic.ok || e.pic.png) continue;
        int fringe = 0;
        for (int y = 1; y + 1 < e.pic.h; ++y)
            for (int x = 1; x + 1 < e.pic.w; ++x) {
                const uint8_t* p = e.pic.At(x, y);
                if (p[3] == 0 || !(e.pic.Keyed(x - 1, y) || e.pic.Keyed(x + 1, y) || e.pic.Keyed(x, y - 1) ||
                                   e.pic.Keyed(x, y + 1)))
                    continue;
                fringe += p[0] > 180 && p[2] > 180 && p[1] < 90;
            }
        EXPECT_EQ(fringe, 0) << e.want.name;
    }
}

TEST_F(Pictures, PngPicturesCarryRealAlpha) {
    for (const Entry& e : loaded_) {
        if (!e.pic.ok || !e.pic.png) continue;
        int clear = 0, solid = 0, soft = 0;
        for (size_t i = 3; i < e.pic.px.size(); i += 4) {
            uint8_t a = e.pic.px[i];
            clear += a == 0;
            solid += a >= 200;
            soft += a > 0 && a < 200;
        }
        EXPECT_GT(clear, 0) << e.want.name;
        EXPECT_GT(solid, 0) << e.want.name;
        EXPECT_GT(soft, 0) << e.want.name << " has no soft edges";
    }
}

TEST_F(Pictures, BackdropsCoverTheTurningFieldAndTheBlindOpensOnIt) {
    for (const Entry& e : loaded_) {
        if (!e.pic.ok) continue;
        if (e.want.look == kFull) {
            int keyed = 0;
            for (size_t i = 3; i < e.pic.px.size(); i += 4) keyed += e.pic.px[i] == 0;
            EXPECT_EQ(keyed, 0) << e.want.name << " has see-through pixels";
        }
        if (e.want.look == kFrame) {
            EXPECT_FALSE(e.pic.Keyed(0, 0)) << e.want.name;
            EXPECT_FALSE(e.pic.Keyed(e.pic.w / 2, e.pic.h - 1)) << e.want.name;
            for (auto [x, y] : {std::pair{240, 240}, {60, 60}, {420, 420}, {240, 360}})
                EXPECT_TRUE(e.pic.Keyed(x, y)) << e.want.name << " at (" << x << ", " << y << ")";
        }
    }
}

// The planet sits at the picture's centre (the field centre) and the rest is see-through.
TEST_F(Pictures, PlanetsSitUnderTheBunny) {
    for (const Entry& e : loaded_) {
        if (!e.pic.ok || e.want.name.find("/earth") == std::string::npos) continue;
        EXPECT_FALSE(e.pic.Keyed(256, 256)) << e.want.name;
        EXPECT_FALSE(e.pic.Keyed(256 + 95, 256)) << e.want.name;
        EXPECT_TRUE(e.pic.Keyed(256 + 200, 256)) << e.want.name;
    }
}

// The same run writes the same bytes: no clock, no unseeded randomness, no dependence on thread order.
TEST(PicturesGenerator, RepeatsItselfByteForByte) {
    const std::string tool = VELMORAN_BUILD_DIR "/velmoran-datagen";
    if (!fs::exists(tool)) GTEST_SKIP() << "no generator in the build folder";
    fs::path dir = fs::temp_directory_path() / ("velmoran-pictures-" + std::to_string(::getpid()));
    std::string cmd =
        tool + " --contact-sheet " + (dir / "sheet.png").string() + " --out " + (dir / "data").string();
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int compared = 0;
    for (const Layout& s : AllPictures()) {
        std::ifstream a(kData + s.name, std::ios::binary), b(dir / "data" / s.name, std::ios::binary);
        std::string x((std::istreambuf_iterator<char>(a)), {}), y((std::istreambuf_iterator<char>(b)), {});
        EXPECT_TRUE(!x.empty() && x == y) << s.name;
        ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(AllPictures().size()));
    fs::remove_all(dir);
}

}  // namespace
