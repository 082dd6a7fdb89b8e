// A game ended at the score cap: results either way, the high score only after a title start.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/services/frame_rhythm.h"
#include "game/shell/main_loop.h"
#include "game/stage/stage_loader.h"
#include "game/state.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

int stageFrames = 0, resultsFrames = 0;

void Watch() {
    game::GameState& gs = game::gameState;
    if (game::StageLoaded()) {
        if (++stageFrames == 1) gs.score = 99999999;  // the cap ends the game once the stage is cleared
    } else if (gs.gameEnded) {
        ++resultsFrames;
        EXPECT_EQ(gs.score, 99999999);
    }
}

// Map 1 with a single empty row: the clear count starts at frame 64 and the stage ends at frame 464.
void WriteOneRowMap(const std::filesystem::path& folder) {
    std::vector<uint8_t> b = {'F', 'M', 'F', '_', 8, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 32, 32, 4, 16};
    b.resize(b.size() + 8, 0);
    std::filesystem::create_directories(folder / "data/map");
    std::ofstream(folder / "data/map/map1.fmf", std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(GameEnd, ScoreCapEndsTheGameWithResultsAndTheHighScoreOnlyFromTheTitle) {
    struct Case {
        const char* name;
        std::string start;  // title input that starts stage 1
        bool written;
    };
    const Case cases[] = {
        {"start row", "5 button left down\n6 button left up\n", true},
        {"stage select",
         "2 move 100 300\n3 button left down\n4 button left up\n6 button left down\n"
         "7 button left up\n",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stageFrames = resultsFrames = 0;
        HeadlessSession session("velmoran-input 1\n" + c.start + "1000 key 1 down\n");
        WriteOneRowMap(session.Folder());
        std::filesystem::create_directories(session.Folder() / "Option");
        game::SetFrameObserver(Watch);
        EXPECT_EQ(game::RunGame(game::ScreenChoice::kWindow), 0);
        game::SetFrameObserver(nullptr);
        EXPECT_EQ(stageFrames, 464);
        EXPECT_EQ(resultsFrames, 420);
        EXPECT_EQ(game::gameState.fromStageSelect, c.written ? 0 : 1);
        const std::filesystem::path record = session.Folder() / "Option/score.dat";
        if (c.written) {
            EXPECT_EQ(ReadFile(record), "99999999\r\n");
            EXPECT_EQ(game::gameState.highScore, 99999999);
        } else {
            EXPECT_FALSE(std::filesystem::exists(record));
            EXPECT_EQ(game::gameState.highScore, 0);
        }
    }
}

}  // namespace
