// The normal weapon held or tapped through the game's own frames, from the title click on.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/player/shots.h"
#include "game/services/frame_rhythm.h"
#include "game/shell/main_loop.h"
#include "game/stage/stage_loader.h"
#include "game/state.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

// A game started from the title on an empty map: the shots fly, leave and free their slots as the
// stage frame runs them. Stage frames in which the ship fired (a slot of 0..2 freshly spawned), and the
// ship's first angle.
std::vector<int> firedFrames;
int32_t firstFrameAngle = -1;

void WatchFrame() {
    if (!game::StageLoaded()) return;
    const game::GameState& gs = game::gameState;
    if (gs.frameCount == 1) firstFrameAngle = gs.shipAngle;
    for (int slot = 0; slot < 3; ++slot)
        if (game::ShotTable[slot].state == 1) firedFrames.push_back(gs.frameCount);
}

// Map 1: one column, 200 empty rows, so no enemy ever meets a shot.
void WriteEmptyMap(const std::filesystem::path& folder) {
    std::vector<uint8_t> b = {'F', 'M', 'F', '_'};
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    };
    const uint32_t width = 1, height = 200, layers = 4;
    put32(width * height * layers * 2);
    put32(width);
    put32(height);
    b.insert(b.end(), {32, 32, uint8_t(layers), 16});
    b.resize(b.size() + width * height * layers * 2, 0);
    std::filesystem::create_directories(folder / "data/map");
    std::ofstream(folder / "data/map/map1.fmf", std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// Title frames 1..5 (the click on the start row is on frame 5); stage frame n is pump 5 + n.
std::vector<int> PlayWithButton(const std::string& buttonEvents) {
    firedFrames.clear();
    firstFrameAngle = -1;
    HeadlessSession session("velmoran-input 1\n5 button left down\n" + buttonEvents + "310 key 1 down\n");
    WriteEmptyMap(session.Folder());
    game::SetFrameObserver(WatchFrame);
    EXPECT_EQ(game::RunGame(game::ScreenChoice::kWindow), 0);
    game::SetFrameObserver(nullptr);
    return firedFrames;
}

TEST(HeldFire, HeldFromTheTitleClickFiresOnlyWhenASlotHasComeBack) {
    // The click that started the game is still held: it reads 1 again in stage frame 1. A press fires
    // on counts 1, 17, ... 241; each shot flies 9 units a frame from 135 units out and frees its slot
    // 63 frames later, past 701 units, so the fourth press of each round finds all three slots busy.
    const std::vector<int> fired = PlayWithButton("");
    EXPECT_EQ(fired, (std::vector<int>{1, 17, 33, 65, 81, 97, 129, 145, 161, 193, 209, 225}));
    // The pointer was left where the click was (320, 240): the first stage frame turns the ship 16.
    EXPECT_EQ(firstFrameAngle, 16);
}

TEST(HeldFire, APressFiresOnlyOnceTheCooldownHasRunOut) {
    // Fires in frame 1 (cooldown 4); the press in frame 4 finds it at 1, the press in frame 6 at 0;
    // from frame 6 the press in frame 8 finds it at 2 and the press in frame 10 at 0 again.
    const std::vector<int> fired = PlayWithButton(
        "7 button left up\n9 button left down\n10 button left up\n11 button left down\n"
        "12 button left up\n13 button left down\n14 button left up\n15 button left down\n"
        "16 button left up\n");
    EXPECT_EQ(fired, (std::vector<int>{1, 6, 10}));
}

}  // namespace
