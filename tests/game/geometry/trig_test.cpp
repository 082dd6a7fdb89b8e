// Angle arithmetic, the tables and the view mapping, on the values the game relies on.
#include "game/geometry/trig.h"

#include <gtest/gtest.h>

#include <cmath>

#include "game/shell/reset_all.h"
#include "game/state.h"

namespace {

using namespace game;

class Trig : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAll();
        BuildTrigTables();
    }
};

TEST_F(Trig, TablesAccumulateTheSlightlyLargeStep) {
    EXPECT_EQ(SinTable[0], 0.0);
    EXPECT_EQ(SinTable[512], 0.0);
    EXPECT_EQ(CosTable[256], 0.0);
    EXPECT_EQ(CosTable[768], 0.0);
    EXPECT_EQ(CosTable[0], 1.0);
    EXPECT_EQ(SinTable[1], std::sin(0.0061359231515425786));
    // The step is a little over 2 pi / 1024, so entries drift from the exact angles.
    EXPECT_NE(SinTable[128], std::sin(128 * 2 * M_PI / 1024));
    EXPECT_NEAR(SinTable[128], std::sqrt(0.5), 1e-12);
}

TEST_F(Trig, AngleOperations) {
    EXPECT_EQ(WrapAngle(-1), 1023);
    EXPECT_EQ(WrapAngle(1024), 0);
    EXPECT_EQ(WrapAngle(-2048), 0);
    EXPECT_EQ(AngleTo(0, 0, 10, 0), 0);
    EXPECT_EQ(AngleTo(0, 0, -10, 0), 512);
    EXPECT_EQ(AngleTo(0, 0, 0, 10), 239);  // dx replaced by 1.0
    EXPECT_EQ(AngleTo(0, 0, 0, -10), 785);
    EXPECT_EQ(AngleTo(0, 0, 10, -1e-9), 0);  // just below +x: 1024 folds to 0
    EXPECT_EQ(AngleTo(5, 5, 5, 5), 0);
    EXPECT_EQ(AngleDiff(512, 0), 512);
    EXPECT_EQ(AngleDiff(0, 512), -512);
    EXPECT_EQ(AngleDiff(10, 1020), 14);
    EXPECT_EQ(TurnToward(300, 0, 16), 16);
    EXPECT_EQ(TurnToward(1000, 10, 16), 1018);
    EXPECT_TRUE(AngleInArc(1020, 1000, 20));
    EXPECT_TRUE(AngleInArc(5, 1000, 20));
    EXPECT_FALSE(AngleInArc(500, 1000, 20));
    EXPECT_EQ(ClampToArc(600, 0, 200, 0), 200);  // a tie between the far ends goes to hi
    EXPECT_EQ(ClampToArc(100, 0, 200, 0), 100);
    EXPECT_EQ(ClampToArc(250, 0, 200, 0), 200);
    EXPECT_EQ(ClampToArc(1000, 0, 200, 0), 0);
}

TEST_F(Trig, ApproachStopsOnTheTarget) {
    EXPECT_EQ(Approach(1.0, 0.3, 1.2), 1.2);
    EXPECT_EQ(Approach(1.2, 0.3, 1.2), 1.2);
    EXPECT_EQ(Approach(2.0, 0.5, 1.0), 1.5);
    EXPECT_EQ(ApproachInt(10, 3, 5), 7);
    EXPECT_EQ(ApproachInt(6, 3, 5), 5);
    EXPECT_EQ(ApproachInt(5, -3, 9), 8);
}

TEST_F(Trig, PolarOffsetsFollowTheTables) {
    EXPECT_EQ(PolarX(0, 120, 0, 256), 0.0);
    EXPECT_EQ(PolarY(0, 120, 0, 0), 0.0);
    EXPECT_EQ(PolarX(0, 120, 0, 0), 120.0);
    // The side axis is a quarter turn on: side 10 at angle 0 points along +y.
    EXPECT_NEAR(PolarY(0, 0, 10, 0), 10.0, 1e-9);
    EXPECT_NEAR(PolarX(0, 0, -10, 0), 0.0, 1e-9);
    EXPECT_DOUBLE_EQ(AngleToRadians(1024 + 768), 768 * 0.006135);
}

TEST_F(Trig, ViewPutsTheShipAt240x360) {
    GameState& gs = gameState;
    gs.shipAngle = 0;
    gs.shipX = PolarX(0, 120, 0, 0);
    gs.shipY = PolarY(0, 120, 0, 0);
    gs.viewOffsetX = gs.shipX - 240;
    gs.viewOffsetY = gs.shipY - 360;
    EXPECT_EQ(ScreenX(gs.shipX, gs.shipY), 240);
    EXPECT_EQ(ScreenY(gs.shipX, gs.shipY), 360);
    EXPECT_EQ(ScreenX(240, 0), 240);
    EXPECT_EQ(ScreenY(240, 0), 240);
    EXPECT_EQ(ScreenX(0, 0), 240);
    EXPECT_EQ(ScreenY(0, 0), 480);
    gs.shakeX = 3;
    gs.shakeY = -2;
    EXPECT_EQ(ScreenX(0, 0), 243);
    EXPECT_EQ(ScreenY(0, 0), 478);
    EXPECT_DOUBLE_EQ(ViewAngle(0), AngleToRadians(768));  // outward along the ship's angle points up
}

TEST_F(Trig, OffFieldAndOffScreen) {
    EXPECT_FALSE(IsOffField(1e9, 1e9, -1));
    EXPECT_FALSE(IsOffField(701, 0, 16));
    EXPECT_TRUE(IsOffField(702, 0, 16));
    EXPECT_FALSE(IsOffScreen(1e9, 0, -1));
}

}  // namespace
