// The score panel, the stage-clear screen and the bunny, read off the screen with coded pictures.
#include "game/shell/panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coded_pictures.h"
#include "engine/frame/frame.h"
#include "engine/image/image.h"
#include "game/state.h"

namespace {

using namespace screentest;
using game::gameState;

class Panel : public CodedScreen {
protected:
    void SetUp() override {
        Start();
        gameState.lives = 3;
        gameState.bunnyHealth = 5;
        gameState.stage = 1;
        gameState.clearTimer = 0;
        gameState.frameCount = 0;
    }
    static void Redraw() {
        engine::SetClipRect(0, 0, 640, 480);
        engine::ClearScreen();
        game::DrawPanel();
    }
    // The glyph drawn in the 16 x 32 cell whose top-left corner is (x, y): its code, or -1 for none.
    static int Glyph(int x, int y, uint8_t face) {
        const uint32_t p = Drawn(x + 3, y + 3);
        if ((p >> 16 & 0xFF) != face) return -1;
        return int(p >> 8 & 0xFF);
    }
    // The glyphs of the cells at x, x + 16, ... (count cells) on row y, as text; '.' for none.
    static std::string Cells(int x, int y, int count, uint8_t face) {
        std::string s;
        for (int i = 0; i < count; ++i) {
            const int g = Glyph(x + 16 * i, y, face);
            s += g < 0 ? '.' : char(g);
        }
        return s;
    }
};

TEST_F(Panel, NumbersSitRightAlignedWithTheUnitsAt608) {
    struct Case {
        int32_t value;
        std::string cells;  // cells 480 .. 608
    };
    for (const Case& c : {Case{0, "........0"}, Case{12345, "....12345"}, Case{99999999, ".99999999"},
                          Case{10, ".......10"}}) {
        SCOPED_TRACE(c.value);
        gameState.highScore = c.value;
        gameState.score = c.value;
        Redraw();
        EXPECT_EQ(Cells(480, 96, 9, kFont), c.cells);
        EXPECT_EQ(Cells(480, 159, 9, kFont), c.cells);
    }
}

TEST_F(Panel, StageLabelInThePlainFace) {
    struct Case {
        int stage;
        std::string label;
    };
    for (const Case& c : {Case{1, " 1-1"}, Case{7, " 2-3"}, Case{40, "10-4"}, Case{600, "150-4"}}) {
        SCOPED_TRACE(c.stage);
        gameState.stage = c.stage;
        Redraw();
        EXPECT_EQ(Cells(552, 291, int(c.label.size()), kFont2), c.label);
    }
}

TEST_F(Panel, SpareShipsAreLivesLessOneAtMostFive) {
    struct Case {
        int lives;
        int ships;
    };
    for (const Case& c : {Case{0, 0}, Case{1, 0}, Case{3, 2}, Case{6, 5}, Case{9, 5}}) {
        SCOPED_TRACE(c.lives);
        gameState.lives = c.lives;
        Redraw();
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(Drawn(501 + 26 * i, 213), i < c.ships ? Coded(kLife, 0) : Coded(kPanel, 0)) << i;
    }
}

TEST_F(Panel, HealthBoxesFilledUpToTheBunnysHealthAndTheAnimation) {
    for (int health = 0; health <= 5; ++health) {
        SCOPED_TRACE(health);
        gameState.bunnyHealth = health;
        gameState.frameCount = 8 * health;
        Redraw();
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(Drawn(530 + 18 * i, 260), kRed) << "left edge of box " << i;
            EXPECT_EQ(Drawn(537 + 18 * i, 250), kRed) << "top edge of box " << i;
            EXPECT_EQ(Drawn(537 + 18 * i, 260), i < health ? kRed : Coded(kPanel, 0)) << "inside box " << i;
        }
        EXPECT_EQ(Drawn(481, 335), Coded(kPanelAnim, uint8_t(health % 4)));
        EXPECT_EQ(Drawn(479, 100), kBlack) << "the panel draws only right of the field";
    }
}

TEST_F(Panel, ClearScreenPaysThePerfectBonusOnceAtCount201) {
    gameState.score = 1000;
    gameState.bunnyHealth = 5;
    for (int count : {201, 202, 216}) {
        SCOPED_TRACE(count);
        gameState.clearTimer = count;
        Redraw();
        EXPECT_EQ(gameState.score, 6000);
        const uint8_t back = uint8_t(count / 16 % 2), anim = uint8_t(count / 16 % 4);
        EXPECT_EQ(Drawn(2, 2), Coded(kClearBack, back));
        EXPECT_EQ(Drawn(505, 33), Coded(kPanelAnim, anim));
        EXPECT_EQ(Drawn(9, 353), Coded(kPanelAnim, anim));
        EXPECT_EQ(Drawn(161, 97), Coded(kStageClear, 0));
        EXPECT_EQ(Drawn(239, 181), Coded(kBunny, back));
        EXPECT_EQ(Drawn(129, 289), Coded(kBonus, 0));
        for (int i = 0; i < 5; ++i) EXPECT_EQ(Drawn(307 + 18 * i, 240), kRed) << i;
    }
    // The cap holds.
    gameState.score = 99999000;
    gameState.clearTimer = 201;
    Redraw();
    EXPECT_EQ(gameState.score, 99999999);
}

TEST_F(Panel, ClearScreenLightsTheBoxTheNextStageGivesBack) {
    gameState.score = 1000;
    gameState.bunnyHealth = 3;
    struct Case {
        int count;
        int lit;
        uint32_t colour;
    };
    for (const Case& c : {Case{300, 3, kRed}, Case{329, 3, kRed}, Case{330, 4, kWhite}, Case{333, 4, kWhite},
                          Case{334, 4, kRed}, Case{400, 4, kRed}}) {
        SCOPED_TRACE(c.count);
        gameState.clearTimer = c.count;
        Redraw();
        const uint32_t back = Coded(kClearBack, uint8_t(c.count / 16 % 2));
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(Drawn(300 + 18 * i, 240), c.colour) << "left edge of box " << i;
            EXPECT_EQ(Drawn(307 + 18 * i, 240), i < c.lit ? c.colour : back) << "inside box " << i;
        }
        EXPECT_EQ(Drawn(129, 289), back) << "no bonus banner";
    }
    EXPECT_EQ(gameState.score, 1000);
}

TEST_F(Panel, BunnyStandsOnTheCentreOrLiesDead) {
    engine::SetClipRect(0, 0, 480, 480);
    for (int frame : {0, 16, 31, 32}) {
        gameState.bunnyHealth = 2;
        gameState.frameCount = frame;
        engine::ClearScreen();
        game::DrawBunny();
        EXPECT_EQ(Drawn(209, 385), Coded(kBunny, uint8_t(frame / 16 % 2))) << frame;
        EXPECT_EQ(Drawn(207, 385), kBlack);
    }
    gameState.bunnyHealth = 0;
    engine::ClearScreen();
    game::DrawBunny();
    EXPECT_EQ(Drawn(193, 385), Coded(kBunnyDead, 0));
}

TEST_F(Panel, HurtPictureGrowsToTwiceThenShrinksAway) {
    gameState.bunnyHealth = 4;
    gameState.bunnyHitTimer = 100;
    gameState.bunnyHitStep = 8;
    std::vector<int> timers;
    for (int frame = 0; frame < 40; ++frame) {
        game::DrawBunny();
        timers.push_back(gameState.bunnyHitTimer);
    }
    EXPECT_EQ(timers[0], 108);
    EXPECT_EQ(timers[12], 204);
    EXPECT_EQ(timers[13], 199);
    EXPECT_EQ(timers[33], 99);
    EXPECT_EQ(timers[39], 99);
    EXPECT_EQ(gameState.bunnyHitStep, -5);
    // At scale 2.04 the 20-pixel picture covers about 40 pixels about (240 +- 1, 444).
    gameState.bunnyHitTimer = 196;
    gameState.bunnyHitStep = 8;
    gameState.frameCount = 2;  // (2 / 2) mod 3 - 1 = 0
    engine::ClearScreen();
    game::DrawBunny();
    EXPECT_EQ(Drawn(240 + 18, 444), Coded(kBunnyHurt, 0));
    EXPECT_EQ(Drawn(240 - 18, 444 - 18), Coded(kBunnyHurt, 0));
}

}  // namespace
