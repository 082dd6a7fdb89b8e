// The title screen, the stage select and the results screen, read off the frames they show.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "coded_pictures.h"
#include "game/services/frame_rhythm.h"
#include "game/services/sound_control.h"
#include "game/shell/results.h"
#include "game/shell/title.h"
#include "game/state.h"

namespace {

using namespace screentest;
using game::gameState;

// What one frame showed.
struct Seen {
    int rows[3];    // TextImages cell of each menu row
    int arrows[2];  // cell of the left and right arrow, -1 none
    std::string label;
    bool highlighted;  // the label in the highlighted face
    int selectedStage;
    bool sound7;
};

class Screens : public CodedScreen {
protected:
    static Screens* current;
    std::vector<Seen> frames;

    void Run(const std::string& events) {
        Start("velmoran-input 1\n" + events);
        current = this;
        game::SetFrameObserver([] { current->Watch(); });
    }
    void TearDown() override {
        game::SetFrameObserver(nullptr);
        CodedScreen::TearDown();
    }
    int CellAt(int x, int y, uint8_t table) {
        const uint32_t p = Shown(x, y);
        return (p >> 16 & 0xFF) == table ? int(p >> 8 & 0xFF) : -1;
    }
    void Watch() {
        Seen s{};
        for (int r = 0; r < 3; ++r) s.rows[r] = CellAt(65, 241 + 48 * r, kText);
        s.arrows[0] = CellAt(264, 251, kArrowLeft);
        s.arrows[1] = CellAt(376, 251, kArrowRight);
        for (int i = 0; i < 4; ++i) {
            int g = CellAt(293 + 16 * i + 3, 253, kFont);
            if (i == 0) s.highlighted = g >= 0;
            if (g < 0) g = CellAt(293 + 16 * i + 3, 253, kFont2);
            if (g >= 0) s.label += char(g);
        }
        s.selectedStage = gameState.selectedStage;
        s.sound7 = game::SoundRequests[7] != 0;
        frames.push_back(s);
    }
    // Frame n as the script counts them, from 1.
    const Seen& At(int n) { return frames.at(size_t(n - 1)); }
};
Screens* Screens::current = nullptr;

TEST_F(Screens, MainMenuRowLightsUnderThePointerWithASound) {
    // The title puts the pointer at (320, 240), on row 0. Moves come 10 frames apart, past the sound's
    // 8-frame rest.
    Run("11 move 100 300\n21 move 100 400\n31 move 100 288\n41 move 100 336\n51 move 100 384\n"
        "61 move 100 385\n71 move 100 239\n81 move 100 250\n91 button left down\n");
    EXPECT_FALSE(game::RunTitleScreen());
    EXPECT_EQ(gameState.stage, 1);
    EXPECT_EQ(gameState.fromStageSelect, 0);
    ASSERT_EQ(frames.size(), 91u) << "the click's frame is finished and shown";
    struct Row {
        int frame;
        int rows[3];
        bool sound;
    };
    const Row expected[] = {
        {1, {0, 3, 5}, true},   {2, {0, 3, 5}, false}, {11, {1, 2, 5}, true},  {21, {1, 3, 5}, false},
        {31, {0, 3, 5}, true},  {41, {1, 2, 5}, true}, {51, {1, 3, 4}, true},  {61, {1, 3, 5}, false},
        {71, {1, 3, 5}, false}, {81, {0, 3, 5}, true}, {91, {0, 3, 5}, false},
    };
    for (const Row& r : expected) {
        SCOPED_TRACE(r.frame);
        const Seen& s = At(r.frame);
        EXPECT_EQ(std::vector<int>(s.rows, s.rows + 3), std::vector<int>(r.rows, r.rows + 3));
        EXPECT_EQ(s.sound7, r.sound);
        EXPECT_EQ(s.arrows[0], -1);
        EXPECT_EQ(s.label, "");
    }
}

TEST_F(Screens, ExitRowAndEscapeLeaveTheTitle) {
    Run("2 move 100 350\n11 button left down\n");
    EXPECT_TRUE(game::RunTitleScreen());
    EXPECT_EQ(gameState.stage, 0);
    EXPECT_EQ(frames.size(), 10u) << "the exit click's frame is never shown";
}

TEST_F(Screens, EscapeLeavesTheTitleAfterItsFrame) {
    Run("5 key 1 down\n");
    EXPECT_TRUE(game::RunTitleScreen());
    EXPECT_EQ(gameState.stage, 0);
    EXPECT_EQ(frames.size(), 5u);
}

TEST_F(Screens, StageSelectStepsAndWrapsTheStageAndStartsThere) {
    Run("2 move 100 300\n3 button left down\n4 button left up\n"  // into the stage select
        "6 move 270 260\n7 button left down\n8 button left up\n9 button left down\n10 button left up\n"
        "11 move 380 260\n12 button left down\n13 button left up\n14 button left down\n15 button left up\n"
        "16 button left down\n17 button left up\n"
        "18 move 270 260\n19 button left down\n20 button left up\n"
        "21 button left down\n41 button left up\n"                   // held on the left arrow for 20 frames
        "42 move 100 260\n43 button left down\n44 button left up\n"  // the stage row, off the arrows
        "45 move 100 350\n46 button left down\n47 button left up\n"  // back
        "49 move 100 300\n50 button left down\n51 button left up\n52 button left down\n");
    gameState.highestStage = 9;  // after the session has reset the game state
    gameState.selectedStage = 9;
    EXPECT_FALSE(game::RunTitleScreen());
    EXPECT_EQ(gameState.stage, 4);
    EXPECT_EQ(gameState.fromStageSelect, 1);
    ASSERT_EQ(frames.size(), 52u);

    // The click on the stage-select row still shows the main menu; the select starts the next frame.
    EXPECT_EQ(std::vector<int>(At(3).rows, At(3).rows + 3), (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(std::vector<int>(At(4).rows, At(4).rows + 3), (std::vector<int>{7, 0, 9}));
    EXPECT_EQ(At(4).label, " 3-1");
    EXPECT_FALSE(At(4).highlighted);
    EXPECT_EQ(At(4).arrows[0], 0);
    EXPECT_EQ(At(4).arrows[1], 0);
    // On the stage row over the left arrow: the row, the arrow and the label light up.
    EXPECT_EQ(std::vector<int>(At(6).rows, At(6).rows + 3), (std::vector<int>{6, 1, 9}));
    EXPECT_EQ(At(6).arrows[0], 1);
    EXPECT_EQ(At(6).arrows[1], 0);
    EXPECT_TRUE(At(6).highlighted);
    EXPECT_EQ(At(11).arrows[0], 0);
    EXPECT_EQ(At(11).arrows[1], 1);

    const std::map<int, int> stages = {{6, 9},  {7, 8},  {9, 7},  {12, 8}, {14, 9}, {16, 1},
                                       {19, 9}, {20, 9}, {21, 8}, {36, 8}, {37, 7}, {38, 6},
                                       {39, 5}, {40, 4}, {41, 4}, {43, 4}};
    for (const auto& [frame, stage] : stages) EXPECT_EQ(At(frame).selectedStage, stage) << "frame " << frame;
    EXPECT_EQ(At(16).label, " 1-1");
    EXPECT_EQ(At(40).label, " 1-4");
    // Back to the main menu from the frame after the click, with the pointer on the exit row.
    EXPECT_EQ(std::vector<int>(At(47).rows, At(47).rows + 3), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(At(47).label, "");
}

TEST_F(Screens, WithOneStageTheArrowsStayButStillSound) {
    Run("2 move 100 300\n2 button left down\n3 button left up\n4 move 270 260\n"
        "15 button left down\n16 button left up\n26 move 380 260\n"
        "37 button left down\n38 button left up\n39 key 1 down\n");
    gameState.highestStage = 1;  // after the session has reset the game state
    gameState.selectedStage = 1;
    EXPECT_TRUE(game::RunTitleScreen());
    EXPECT_TRUE(At(15).sound7);
    EXPECT_TRUE(At(37).sound7);
    EXPECT_EQ(At(37).selectedStage, 1);
    EXPECT_EQ(At(15).selectedStage, 1);
}

class Results : public CodedScreen {};

TEST_F(Results, ShowsBothNumbersForSevenSeconds) {
    Start();
    gameState.highScore = 12345;
    gameState.score = 678;
    game::RunResultsScreen();
    EXPECT_EQ(Platform().PresentCount(), 420);
    EXPECT_EQ(game::musicSet, 0);
    EXPECT_EQ(game::currentTrack, 1);
    int x = 0, y = 0;
    Platform().GetPointer(&x, &y);
    EXPECT_EQ(x, 240);
    EXPECT_EQ(y, 240);
    // The last frame shown: units in the cell at 318 + 160, captions and heading.
    auto glyphs = [&](int top) {
        std::string s;
        for (int cellX = 350; cellX <= 478; cellX += 16) {
            const uint32_t p = Shown(cellX + 3, top + 3);
            s += (p >> 16 & 0xFF) == kFont ? char(p >> 8 & 0xFF) : '.';
        }
        return s;
    };
    EXPECT_EQ(glyphs(250), "....12345");
    EXPECT_EQ(glyphs(346), "......678");
    EXPECT_EQ(Shown(193, 145), Coded(kText, 12));
    EXPECT_EQ(Shown(97, 241), Coded(kText, 10));
    EXPECT_EQ(Shown(97, 337), Coded(kText, 11));
}

TEST_F(Results, TheLeftButtonEndsItOnlyAfterFrame200) {
    struct Case {
        std::string events;
        int frames;
    };
    const Case cases[] = {
        {"1 button left down\n", 201},
        {"150 button left down\n160 button left up\n300 button left down\n", 300},
        {"195 button left down\n", 201},
        {"150 button left down\n160 button left up\n", 420},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.events);
        Start("velmoran-input 1\n" + c.events);
        game::RunResultsScreen();
        EXPECT_EQ(Platform().PresentCount(), c.frames);
        TearDown();
    }
}

}  // namespace
