// Stage map compiler and the shipped maps: round trip to spawn cells, refusals, what each stage holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/datagen/maps/map_compiler.h"

namespace {

// An FMF file read back as the game reads it: header fields, then decoded spawn values per layer.
struct ReadMap {
    uint32_t width = 0, height = 0;
    std::vector<int32_t> kind, param1, param2;  // -1 = empty
    int Kind(int row, int column) const { return kind[row * width + column]; }
    int Param1(int row, int column) const { return param1[row * width + column]; }
    int Param2(int row, int column) const { return param2[row * width + column]; }
};

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A chip number (16 chips to a palette row), or -1 for a cell outside the palette.
int32_t Decode(uint32_t v) { return v % 256 < 16 ? static_cast<int32_t>(v / 256 * 16 + v % 256) : -1; }

ReadMap Parse(const std::vector<uint8_t>& b) {
    ReadMap m;
    EXPECT_GE(b.size(), 20u);
    if (b.size() < 20) return m;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "FMF_");
    m.width = Read32(b, 8);
    m.height = Read32(b, 12);
    EXPECT_EQ(b[18], 4);   // layers
    EXPECT_EQ(b[19], 16);  // bits per cell
    const size_t cells = static_cast<size_t>(m.width) * m.height;
    EXPECT_EQ(Read32(b, 4), cells * 4 * 2);
    EXPECT_EQ(b.size(), 20 + cells * 4 * 2);
    if (b.size() != 20 + cells * 4 * 2) return m;
    auto cell = [&](int layer, size_t i) {
        size_t at = 20 + (layer * cells + i) * 2;
        return static_cast<uint32_t>(b[at] | b[at + 1] << 8);
    };
    for (size_t i = 0; i < cells; ++i) {
        int32_t k = Decode(cell(1, i));
        m.kind.push_back(k >= 0 ? k - 1 : -1);
        m.param1.push_back(Decode(cell(2, i)));
        m.param2.push_back(Decode(cell(3, i)));
    }
    return m;
}

ReadMap Compile(const std::string& source, int mapNumber = 1) {
    datagen::StageMap map;
    std::string error;
    EXPECT_TRUE(datagen::CompileMap(source, "test.txt", mapNumber, map, error)) << error;
    return Parse(datagen::EncodeFmf(map));
}

TEST(MapCompiler, WavesReadBackAsSpawnCells) {
    const ReadMap m = Compile(
        "# a comment line\n"
        "2  drifter       0,8          hold=5\n"
        "+3 circler       4-28/8       lane=14 hold=7 dwell=37   # trailing comment\n"
        "+0 12            31\n"
        "9  carrier-right 16           item=spread hold=3\n"
        "9  carrier-left  17           lane=2\n"
        "20 boss1         0\n");
    EXPECT_EQ(m.width, 32u);
    EXPECT_EQ(m.height, 21u);  // the last wave's row is the last row

    EXPECT_EQ(m.Kind(2, 0), 0);
    EXPECT_EQ(m.Kind(2, 8), 0);
    EXPECT_EQ(m.Param1(2, 0), 5 * 16 + 1);  // default lane 1, hold step 5 (radius 260)
    EXPECT_EQ(m.Param2(2, 0), 0);
    for (int c : {4, 12, 20, 28}) {
        EXPECT_EQ(m.Kind(5, c), 2) << c;
        EXPECT_EQ(m.Param1(5, c) % 16, 14);
        EXPECT_EQ(460 - 40 * (m.Param1(5, c) / 16), 180);
        EXPECT_EQ(m.Param2(5, c), 37);  // a dwell past the first chip row
    }
    EXPECT_EQ(m.Kind(5, 31), 12);  // a kind given by number
    EXPECT_EQ(m.Kind(9, 16), 15);
    EXPECT_EQ((m.Param1(9, 16) % 16 - 3) / 2, 4);  // the carrier's lane carries the spread item
    EXPECT_EQ(m.Param1(9, 16) / 16, 3);
    EXPECT_EQ(m.Kind(9, 17), 14);
    EXPECT_EQ(m.Param1(9, 17) % 16, 2);
    EXPECT_EQ(m.Kind(20, 0), 16);  // kind 16 sits on the palette's second row

    int filled = 0;
    for (uint32_t r = 0; r < m.height; ++r)
        for (uint32_t c = 0; c < m.width; ++c) filled += m.Kind(r, c) >= 0;
    EXPECT_EQ(filled, 2 + 4 + 1 + 2 + 1);
}

TEST(MapCompiler, RefusesBadSourcesWithTheirLine) {
    struct Case {
        const char* source;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"2 drifter 0\n3 drifterr 0\n", 2, "unknown kind \"drifterr\""},
        {"2 20 0\n", 1, "kind 20 is outside 0..19"},
        {"2 -1 0\n", 1, "unknown kind \"-1\""},
        {"2 carrier-left 0 lane=13\n", 1, "carrier lane 13 is outside 2..12"},
        {"2 carrier-right 0 lane=1\n", 1, "carrier lane 1 is outside 2..12"},
        {"2 carrier-left 0\n", 1, "a carrier needs item"},
        {"2 carrier-left 0 item=laser\n", 1, "unknown item \"laser\""},
        {"640 drifter 0\n", 1, "row 640 is past the last map row 639"},
        {"600 drifter 0\n+40 drifter 0\n", 2, "row 640 is past the last map row 639"},
        {"99999999999999999999999 drifter 0\n", 1, "is past the last map row 639"},
        {"2 drifter 32\n", 1, "column 32 is past the map's 32 columns"},
        {"2 drifter 0-40/8\n", 1, "column 40 is past the map's 32 columns"},
        {"2 drifter 8-4\n", 1, "bad columns"},
        {"0 drifter 1\n", 1, "row 0 is passed over"},
        {"2 boss2 0\n", 1, "boss2 has no picture on map 1"},
        {"2 drifter 0 hold=12\n", 1, "hold=12 is outside 0..11"},
        {"2 drifter 0 lane=16\n", 1, "lane=16 is outside 0..15"},
        {"2 drifter 0 dwell=x\n", 1, "dwell=x is not a number (0..255)"},
        {"2 drifter 0 item=life\n", 1, "item= is only for carriers"},
        {"2 drifter 0 speed=3\n", 1, "unknown parameter \"speed=3\""},
        {"2 drifter\n", 1, "expected ROW KIND COLUMNS"},
        {"2 drifter 0-8\n\n# gap\n2 circler 8\n", 4, "row 2 column 8 is already taken by line 1"},
    };
    for (const Case& c : cases) {
        datagen::StageMap map;
        std::string error;
        EXPECT_FALSE(datagen::CompileMap(c.source, "bad.txt", 1, map, error)) << c.source;
        EXPECT_EQ(error.rfind("bad.txt:" + std::to_string(c.line) + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    datagen::StageMap map;
    std::string error;
    EXPECT_FALSE(datagen::CompileMap("# only comments\n", "bad.txt", 1, map, error));
    EXPECT_NE(error.find("sends no enemies"), std::string::npos) << error;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The maps the build generated: each from its source, ending with its own boss, carriers on lanes 2..12;
// together every ordinary kind and every item; more to shoot down from one map to the next.
TEST(ShippedMaps, HoldWhatTheStagesNeed) {
    static constexpr int kHitPoints[16] = {30, 60, 30, 60, 30, 60, 30, 60, 30, 60, 30, 60, 120, 120, 30, 30};
    std::set<int> kinds, items;
    int previousLoad = 0;
    for (int m = 1; m <= 4; ++m) {
        SCOPED_TRACE("map " + std::to_string(m));
        const std::vector<uint8_t> bytes =
            ReadFile(VELMORAN_BUILD_DIR "/data/map/map" + std::to_string(m) + ".fmf");
        ASSERT_FALSE(bytes.empty());
        std::ifstream src(VELMORAN_SOURCE_DIR "/assets-src/maps/map" + std::to_string(m) + ".txt");
        std::stringstream text;
        text << src.rdbuf();
        datagen::StageMap compiled;
        std::string error;
        ASSERT_TRUE(datagen::CompileMap(text.str(), "map", m, compiled, error)) << error;
        EXPECT_EQ(datagen::EncodeFmf(compiled), bytes);

        const ReadMap map = Parse(bytes);
        ASSERT_EQ(map.width, 32u);
        EXPECT_GE(map.height, 110u);  // two to three minutes at one row per 64 frames
        EXPECT_LE(map.height, 170u);
        int load = 0, bosses = 0;
        for (uint32_t r = 0; r < map.height; ++r)
            for (uint32_t c = 0; c < 32; ++c) {
                int k = map.Kind(r, c);
                if (k < 0) continue;
                ASSERT_LE(k, 19);
                if (k >= 16) {
                    EXPECT_EQ(k, 15 + m);
                    EXPECT_EQ(r, map.height - 1);
                    ++bosses;
                    continue;
                }
                EXPECT_NE(r, map.height - 1) << "the boss comes alone";
                kinds.insert(k);
                load += kHitPoints[k];
                if (k == 14 || k == 15) {
                    int lane = map.Param1(r, c) % 16;
                    EXPECT_GE(lane, 2);
                    EXPECT_LE(lane, 12);
                    items.insert((lane - 3) / 2);
                }
            }
        EXPECT_EQ(bosses, 1);
        EXPECT_GT(load, previousLoad);
        previousLoad = load;
    }
    EXPECT_EQ(kinds.size(), 16u);
    EXPECT_EQ(items, (std::set<int>{0, 1, 2, 3, 4}));
}

}  // namespace
