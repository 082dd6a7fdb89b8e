// Items drifting in to the options' ring, parking there and being collected by the ship.
#include "game/player/items.h"

#include <gtest/gtest.h>

#include <cmath>

#include "player_fixture.h"

namespace {

using namespace game;

class Items : public testsupport::PlayerFixture {
protected:
    void SetUp() override {
        PlayerFixture::SetUp();
        gs.shipAngle = 256;  // the ship at (0, 120), off the items' paths
        PlaceShipOnRing();
    }
};

TEST_F(Items, DriftFasterAndFasterThenParkOnTheOptionsRing) {
    SpawnItem(3, 300, 0);
    const ItemRecord& item = ItemPool[0];
    EXPECT_EQ(item.state, 1);
    EXPECT_EQ(item.radius, 16);
    UpdateItems();
    EXPECT_EQ(item.state, 2);
    EXPECT_EQ(item.radius, 8);
    EXPECT_EQ(item.direction, 512);
    EXPECT_EQ(item.x, 300);  // speed 0 on the first active frame
    UpdateItems();
    EXPECT_DOUBLE_EQ(item.x, 300 - 0.15000000596046448);
    int frame = 2;
    while (item.speed >= 0 && frame < 100) {
        UpdateItems();
        ++frame;
    }
    EXPECT_EQ(frame, 52);
    EXPECT_EQ(item.x, PolarX(0, 108, 0, 0));
    EXPECT_EQ(item.y, PolarY(0, 108, 0, 0));
    for (int i = 0; i < 10; ++i) UpdateItems();
    EXPECT_EQ(item.x, PolarX(0, 108, 0, 0));
    EXPECT_EQ(item.state, 2);
}

TEST_F(Items, AnItemInsideTheRingJumpsOutOnItsOwnSide) {
    struct Case {
        double x, y;
        int16_t parkAngle;
    } cases[] = {{-50, 0, 512}, {0, 0, 512}, {30, 0, 0}};
    for (const Case& c : cases) {
        ResetItemPool();
        SpawnItem(2, c.x, c.y);
        UpdateItems();
        const ItemRecord& item = ItemPool[0];
        EXPECT_EQ(item.speed, -1);
        EXPECT_EQ(item.x, PolarX(0, 108, 0, c.parkAngle)) << c.x;
        EXPECT_EQ(item.y, PolarY(0, 108, 0, c.parkAngle)) << c.x;
    }
}

TEST_F(Items, CollectedByTheShipWithTheirEffects) {
    struct Case {
        int kind;
        int16_t mode;
        int lives, sound;
    } cases[] = {{1, 3, 4, 10}, {2, 1, 3, 11}, {3, 2, 3, 11}, {4, 3, 3, 11}, {9, 3, 3, 0}};
    for (const Case& c : cases) {
        ResetItemPool();
        InitSoundTables();
        gs.lives = 3;
        gs.weaponMode = 3;
        gs.weaponTimer = 17;
        SpawnItem(c.kind, gs.shipX, gs.shipY);
        UpdateItems();
        EXPECT_EQ(ItemPool[0].state, 0) << c.kind;  // gone in the same frame
        EXPECT_EQ(ItemPool[0].radius, 8);           // and back to its defaults
        EXPECT_EQ(gs.lives, c.lives) << c.kind;
        EXPECT_EQ(gs.weaponMode, c.mode) << c.kind;
        EXPECT_EQ(gs.weaponTimer, c.kind >= 2 && c.kind <= 4 ? 1200 : 17) << c.kind;
        if (c.sound) {
            EXPECT_EQ(SoundRequests[c.sound], 1) << c.kind;
        }
        EXPECT_EQ(SoundRequests[10] + SoundRequests[11], c.sound ? 1 : 0) << c.kind;
    }
}

TEST_F(Items, OptionItemsFillTheLowestFreeRecordOrStayWhenAllEightExist) {
    OptionRecords[0].active = 1;
    OptionRecords[2].active = 1;  // cannot happen in play, but shows which record is taken
    gs.angleTrail[2] = 333;
    SpawnItem(0, gs.shipX, gs.shipY);
    UpdateItems();
    EXPECT_EQ(ItemPool[0].state, 0);
    EXPECT_EQ(OptionRecords[1].active, 1);
    EXPECT_EQ(OptionRecords[1].angle, 333);
    for (OptionRecord& o : OptionRecords) o.active = 1;
    InitSoundTables();
    SpawnItem(0, gs.shipX, gs.shipY);
    UpdateItems();
    EXPECT_EQ(ItemPool[0].state, 2);
    EXPECT_EQ(SoundRequests[11], 0);
}

TEST_F(Items, NotCollectedWhileTheShipIsDown) {
    gs.respawnTimer = 50;
    SpawnItem(1, gs.shipX, gs.shipY);
    UpdateItems();
    UpdateItems();
    EXPECT_EQ(ItemPool[0].state, 2);
    EXPECT_EQ(gs.lives, 3);
}

TEST_F(Items, AFullPoolDropsNothing) {
    for (int i = 0; i < kPoolSize; ++i) SpawnItem(2, 300, i);
    ItemRecord before = ItemPool[10];
    SpawnItem(4, 0, -300);
    for (const ItemRecord& item : ItemPool) EXPECT_EQ(item.kind, 2);
    EXPECT_EQ(ItemPool[10].y, before.y);
    ItemPool[10].state = 0;
    SpawnItem(4, 0, -300);
    EXPECT_EQ(ItemPool[10].kind, 4);
}

}  // namespace
