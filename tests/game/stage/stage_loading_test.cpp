// The FMF reader and stage loading, on small maps written by the test.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "game/enemies/spawn_schedule.h"
#include "game/shell/main_loop.h"
#include "game/stage/fmf_map.h"
#include "game/stage/stage_loader.h"
#include "game/state.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A map file: header, then `layers` layers of width x height cells of `bits` bits.
std::vector<uint8_t> Fmf(uint32_t width, uint32_t height, uint8_t layers, uint8_t bits,
                         const std::vector<uint16_t>& cells, int64_t sizeField = -1) {
    std::vector<uint8_t> b = {'F', 'M', 'F', '_'};
    const uint32_t size = uint32_t(cells.size() * (bits / 8));
    Put32(b, sizeField >= 0 ? uint32_t(sizeField) : size);
    Put32(b, width);
    Put32(b, height);
    b.insert(b.end(), {32, 32, layers, bits});
    for (uint16_t c : cells) {
        b.push_back(uint8_t(c));
        if (bits == 16) b.push_back(uint8_t(c >> 8));
    }
    return b;
}

void Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(FmfMap, ReadsCellsAndRefusesBrokenFiles) {
    HeadlessSession session;
    std::vector<uint16_t> cells(2 * 3 * 2, 0);
    cells[6 + 1 * 2 + 1] = 0x0102;  // layer 1, column 1, row 1
    Write("good.fmf", Fmf(2, 3, 2, 16, cells));
    game::FmfMap map;
    ASSERT_TRUE(map.Open("good.fmf"));
    EXPECT_EQ(map.Cell(1, 1, 1), 258);
    EXPECT_EQ(map.Cell(0, 2, 0), -1);
    EXPECT_EQ(map.Cell(0, 0, 3), -1);
    EXPECT_EQ(map.Cell(2, 0, 0), -1);
    EXPECT_EQ(map.Cell(0, -1, 0), -1);
    EXPECT_NE(map.LayerStart(1), nullptr);
    map.Release();
    EXPECT_EQ(map.Cell(1, 1, 1), -1);
    EXPECT_EQ(map.LayerStart(0), nullptr);

    Write("eight.fmf", Fmf(2, 1, 1, 8, {7, 200}));
    ASSERT_TRUE(map.Open("eight.fmf"));
    EXPECT_EQ(map.Cell(0, 1, 0), 200);

    Write("empty.fmf", Fmf(0, 0, 0, 8, {}));  // exactly 20 bytes, size 0: opens, every cell is -1
    ASSERT_TRUE(map.Open("empty.fmf"));
    EXPECT_EQ(map.Cell(0, 0, 0), -1);
    Write("nolayers.fmf", Fmf(1u << 31, 1u << 31, 0, 8, {}, 0));  // no layers need no cells
    ASSERT_TRUE(map.Open("nolayers.fmf"));
    EXPECT_EQ(map.Cell(0, 5, 5), -1);
    EXPECT_EQ(map.LayerStart(0), nullptr);

    struct Bad {
        const char* name;
        std::vector<uint8_t> bytes;
    } bad[] = {
        {"short header", {'F', 'M', 'F', '_', 0, 0, 0, 0}},
        {"wrong magic",
         [] {
             auto b = Fmf(1, 1, 1, 8, {1});
             b[3] = '-';
             return b;
         }()},
        {"short block",
         [] {
             auto b = Fmf(2, 2, 1, 8, {1, 2, 3, 4});
             b.pop_back();
             return b;
         }()},
        {"block too small for its cells", Fmf(4, 4, 4, 16, {1, 2, 3}, 6)},
        {"odd cell width", Fmf(1, 1, 1, 12, {})},
        // Sizes whose product wraps to 0 in 64 bits, with an empty block that would then "fit".
        {"2^31 x 2^31, 4 layers of 8 bits", Fmf(1u << 31, 1u << 31, 4, 8, {}, 0)},
        {"2^31 x 2^31, 2 layers of 16 bits", Fmf(1u << 31, 1u << 31, 2, 16, {}, 0)},
        {"2^32-1 x 2^32-1, 255 layers", Fmf(0xFFFFFFFFu, 0xFFFFFFFFu, 255, 16, {1, 2}, 4)},
        {"2^16 x 2^16, 1 layer, block of 4", Fmf(1u << 16, 1u << 16, 1, 8, {1, 2, 3, 4})},
    };
    for (const Bad& b : bad) {
        ASSERT_TRUE(map.Open("good.fmf"));
        Write("bad.fmf", b.bytes);
        EXPECT_FALSE(map.Open("bad.fmf")) << b.name;
        // Nothing of the earlier file survives a failed open.
        EXPECT_EQ(map.Width(), 0u) << b.name;
        EXPECT_EQ(map.Height(), 0u) << b.name;
        EXPECT_EQ(map.LayerCount(), 0u) << b.name;
        for (int y : {0, 1, 1 << 30})
            for (int x : {0, 1, 1 << 30}) EXPECT_EQ(map.Cell(0, x, y), -1) << b.name;
    }
    EXPECT_FALSE(map.Open("missing.fmf"));
}

TEST(StageLoading, NumbersAndLabels) {
    struct Case {
        int stage, map, loop;
        const char* label;
    } cases[] = {
        {1, 1, 1, " 1-1"}, {4, 4, 1, " 1-4"}, {5, 1, 2, " 2-1"}, {7, 3, 2, " 2-3"}, {600, 4, 150, "150-4"}};
    for (const Case& c : cases) {
        EXPECT_EQ(game::MapNumberOf(c.stage), c.map) << c.stage;
        EXPECT_EQ(game::LoopNumberOf(c.stage), c.loop) << c.stage;
        EXPECT_EQ(game::StageLabel(c.stage), c.label) << c.stage;
    }
}

TEST(StageLoading, DecodesTheThreeLayersIntoTheSpawnTables) {
    HeadlessSession session;
    // 3 columns x 2 rows, 4 layers; layer 1 kinds, layers 2 and 3 parameters.
    std::vector<uint16_t> cells(4 * 6, 0);
    auto at = [&](int layer, int x, int y) -> uint16_t& { return cells[size_t(layer * 6 + y * 3 + x)]; };
    at(1, 0, 0) = 1;       // kind 0
    at(1, 1, 0) = 0x0101;  // chip row 1, column 1: 17, kind 16
    at(1, 2, 0) = 16;      // low byte 16: empty
    at(2, 0, 0) = 0x0203;  // 35
    at(2, 1, 0) = 0x0010;  // empty
    at(3, 0, 0) = 0;       // parameter 0
    Write(session.Folder() / "data/map/map1.fmf", Fmf(3, 2, 4, 16, cells));
    for (int32_t* row : {game::SpawnKindTable[0], game::SpawnKindTable[1]}) row[0] = 99;  // stale values
    game::gameState.bunnyHealth = 3;
    ASSERT_TRUE(game::LoadStage(5));
    const game::GameState& gs = game::gameState;
    EXPECT_EQ(gs.loopIndex, 1);
    EXPECT_EQ(gs.mapWidth, 3);
    EXPECT_EQ(gs.mapHeight, 2);
    EXPECT_EQ(gs.lastSpawnedRow, -1);
    EXPECT_EQ(gs.bunnyHealth, 4);
    EXPECT_EQ(game::SpawnKindTable[0][0], 0);
    EXPECT_EQ(game::SpawnKindTable[0][1], 16);
    EXPECT_EQ(game::SpawnKindTable[0][2], -1);
    EXPECT_EQ(game::SpawnKindTable[1][0], -1);  // a 0 cell in layer 1: no enemy
    EXPECT_EQ(game::SpawnParamTable1[0][0], 35);
    EXPECT_EQ(game::SpawnParamTable1[0][1], -1);
    EXPECT_EQ(game::SpawnParamTable2[0][0], 0);
    EXPECT_TRUE(game::StageLoaded());
    game::UnloadStage();
    EXPECT_FALSE(game::StageLoaded());
    EXPECT_FALSE(game::LoadStage(2));  // map2.fmf does not exist
}

TEST(StageLoading, SpaceAbandonsTheGameAndAMissingMapEndsTheProgram) {
    {
        HeadlessSession session(
            "velmoran-input 1\n5 button left down\n6 button left up\n"
            "100 key 57 down\n101 key 57 up\n150 key 1 down\n");
        std::vector<uint16_t> cells(4 * 2, 0);
        Write(session.Folder() / "data/map/map1.fmf", Fmf(1, 2, 4, 16, cells));
        EXPECT_EQ(game::RunGame(game::ScreenChoice::kWindow), 0);
        EXPECT_EQ(game::gameState.mapHeight, 2);  // the stage was loaded and played
        EXPECT_FALSE(game::gameState.gameEnded);
        EXPECT_EQ(session.Platform().FramePumps(), 150);  // back on the title until Escape
    }
    {
        // A missing map, then a damaged one: an orderly end (the records are written), one line
        // naming the file, and 1.
        for (const bool damaged : {false, true}) {
            HeadlessSession session("velmoran-input 1\n5 button left down\n");
            if (damaged) Write(session.Folder() / "data/map/map1.fmf", Fmf(1u << 31, 1u << 31, 4, 8, {}, 0));
            std::filesystem::create_directory(session.Folder() / "Option");
            testing::internal::CaptureStderr();
            EXPECT_EQ(game::RunGame(game::ScreenChoice::kWindow), 1);
            const std::string said = testing::internal::GetCapturedStderr();
            EXPECT_NE(said.find(damaged ? "velmoran: data/map/map1.fmf is damaged"
                                        : "velmoran: data/map/map1.fmf is missing"),
                      std::string::npos)
                << said;
            EXPECT_NE(said.find("scripts/play.sh"), std::string::npos) << said;
            EXPECT_TRUE(game::gameState.quitRequested);
            EXPECT_EQ(session.Platform().FramePumps(), 5);  // no frame of the stage ran
            EXPECT_TRUE(std::filesystem::exists(session.Folder() / "Option/savess.dat"));
            EXPECT_FALSE(session.Platform().WindowOpen());
        }
    }
}

// Remembers the messages shown, and whether the window was open when they were.
class MessageRecorder : public headless::HeadlessPlatform {
public:
    using HeadlessPlatform::HeadlessPlatform;
    void ShowMessage(const std::string& text, const std::string&) override {
        shown.push_back(text);
        windowOpenWhenShown = WindowOpen();
    }
    std::vector<std::string> shown;
    bool windowOpenWhenShown = false;
};

TEST(StageLoading, AMissingMapIsShownInAMessageBoxWhileTheWindowIsOpen) {
    HeadlessSession session;
    scripted::InputScript script;
    std::string error;
    ASSERT_TRUE(
        scripted::ParseInputScript("velmoran-input 1\n5 button left down\n", "test", &script, &error));
    platform::Options options;
    options.noSound = true;
    auto owned = std::make_unique<MessageRecorder>(options, std::move(script));
    MessageRecorder& recorder = *owned;
    platform::Install(std::move(owned));
    testing::internal::CaptureStderr();
    EXPECT_EQ(game::RunGame(game::ScreenChoice::kWindow), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_TRUE(recorder.windowOpenWhenShown);
    EXPECT_EQ("velmoran: " + recorder.shown[0] + "\n", said.substr(said.rfind("velmoran: data/map")));
    EXPECT_NE(recorder.shown[0].find(game::DataAdvice()), std::string::npos);
}

}  // namespace
