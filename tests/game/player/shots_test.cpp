// Firing per weapon mode into the owners' slots, shot steps, the bomb's growth and off-field removal.
#include <gtest/gtest.h>

#include <vector>

#include "game/enemies/hits.h"
#include "game/player/lives.h"
#include "game/services/frame_rhythm.h"
#include "player_fixture.h"

namespace {

using namespace game;

class Shots : public testsupport::PlayerFixture {
protected:
    void Press() {
        session.Platform().MutableInput().mouseButtons = 1;
        PollInput();
    }
    static std::vector<int> Spawned() {
        std::vector<int> slots;
        for (int i = 0; i < kShotSlots; ++i)
            if (ShotTable[i].state == 1) slots.push_back(i);
        return slots;
    }
};

TEST_F(Shots, EachModeFiresIntoItsFirstFreeSlots) {
    struct Case {
        int16_t mode;
        std::vector<int> busy;
        std::vector<int> fired;
        int kind;
    } cases[] = {
        {0, {}, {0}, 0},        {0, {0, 2}, {1}, 0},    {0, {0, 1, 2}, {}, 0}, {2, {0}, {1}, 1},
        {1, {}, {0, 1}, 0},     {1, {1, 2}, {4, 5}, 0}, {1, {0, 3, 5}, {}, 0}, {3, {}, {0, 1, 2}, 0},
        {3, {2}, {3, 4, 5}, 0}, {3, {0, 4, 8}, {}, 0},
    };
    for (const Case& c : cases) {
        ResetShots();
        for (int slot : c.busy) ShotTable[slot].state = 2;
        gs.weaponMode = c.mode;
        gs.fireCooldown = 0;
        ResetKeys();
        Press();
        FireWeapons();
        EXPECT_EQ(Spawned(), c.fired) << "mode " << c.mode;
        EXPECT_EQ(gs.fireCooldown, 4);  // set whether or not a slot was free
        for (int slot : c.fired) EXPECT_EQ(ShotTable[slot].kind, c.kind);
    }
}

TEST_F(Shots, ShotsLeaveTheMuzzleAlongTheShipsAngle) {
    gs.shipAngle = 100;
    PlaceShipOnRing();
    gs.weaponMode = 3;
    Press();
    FireWeapons();
    EXPECT_EQ(ShotTable[0].x, PolarX(gs.shipX, 15, 0, 100));
    EXPECT_EQ(ShotTable[1].x, PolarX(gs.shipX, 15, -8, 100));
    EXPECT_EQ(ShotTable[2].y, PolarY(gs.shipY, 15, 8, 100));
    EXPECT_EQ(ShotTable[0].heading, 100);
    EXPECT_EQ(ShotTable[1].heading, 36);
    EXPECT_EQ(ShotTable[2].heading, 164);
    EXPECT_EQ(ShotTable[2].drawAngle, 164);
}

TEST_F(Shots, OptionsFireIntoTheirOwnThreeSlotsEvenWhenTheShipCannot) {
    for (int i = 0; i < 3; ++i) OptionRecords[i].active = 1;
    gs.angleTrail[2] = 900;
    PositionOptions();
    for (int slot : {0, 1, 2, 12}) ShotTable[slot].state = 2;
    Press();
    FireWeapons();
    EXPECT_EQ(Spawned(), (std::vector<int>{9, 13, 15}));
    EXPECT_EQ(ShotTable[13].kind, 3);
    EXPECT_EQ(ShotTable[13].heading, 900);
    EXPECT_EQ(ShotTable[13].x, PolarX(OptionRecords[1].x, 15, 0, 900));
}

TEST_F(Shots, HoldingTheButtonFires16VolleysThenStops) {
    session.Platform().MutableInput().mouseButtons = 1;
    std::vector<int> volleys;
    for (int frame = 1; frame <= 300; ++frame) {
        PollInput();
        ResetShots();
        if (gs.fireCooldown > 0) gs.fireCooldown -= 1;
        FireWeapons();
        if (ShotTable[0].state == 1) volleys.push_back(frame);
    }
    ASSERT_EQ(volleys.size(), 16u);
    EXPECT_EQ(volleys.front(), 1);
    EXPECT_EQ(volleys[1], 17);
    EXPECT_EQ(volleys.back(), 241);
}

TEST_F(Shots, NoFireWhileDownCoolingOrLost) {
    struct Case {
        int16_t respawn, cooldown;
        int lives, bunny;
    } cases[] = {{120, 0, 3, 5}, {40, 0, 3, 5}, {0, 1, 3, 5}, {0, 0, 0, 5}, {0, 0, 3, 0}};
    for (const Case& c : cases) {
        ResetShots();
        gs.respawnTimer = c.respawn;
        gs.fireCooldown = c.cooldown;
        gs.lives = c.lives;
        gs.bunnyHealth = c.bunny;
        ResetKeys();
        Press();
        FireWeapons();
        EXPECT_TRUE(Spawned().empty());
        EXPECT_EQ(gs.fireCooldown, c.cooldown);
    }
}

TEST_F(Shots, MainShotFliesNineUnitsAFrameAndLeavesTheField) {
    SpawnShot(0, 0, 120, 0, 0);
    UpdateShots();
    const ShotSlot& s = ShotTable[0];
    EXPECT_EQ(s.state, 2);
    EXPECT_EQ(s.power, 50);
    EXPECT_EQ(s.frame, 4);
    EXPECT_EQ(s.x, 129);
    EXPECT_EQ(s.circleForward[0], -8);
    EXPECT_EQ(s.circleForward[1], 8);
    EXPECT_EQ(SoundRequests[8], 1);
    // The field ends at sqrt(2) x (480 + 16), about 701.4 units out.
    int frames = 1;
    while (s.state == 2 && frames < 200) {
        UpdateShots();
        ++frames;
    }
    EXPECT_EQ(frames, 65);  // 120 + 9 x 65 = 705
    EXPECT_EQ(s.state, 0);
}

TEST_F(Shots, AHitShotBecomesASparkAndANapalmABomb) {
    SpawnShot(0, 0, 200, 0, 0);
    SpawnShot(1, 1, 200, 50, 256);
    UpdateShots();
    EXPECT_EQ(ShotTable[1].power, 0);
    EXPECT_EQ(ShotTable[1].circleRadius[1], 3);
    ShotTable[0].state = 3;
    ShotTable[1].state = 3;
    UpdateShots();
    EXPECT_EQ(ShotTable[0].state, 0);
    EXPECT_EQ(ShotTable[1].state, 1);
    EXPECT_EQ(ShotTable[1].kind, 2);
    EXPECT_EQ(EffectPool[0].kind, 31);
    EXPECT_EQ(EffectPool[1].kind, 31);
    EXPECT_EQ(EffectPool[1].x, ShotTable[1].x);
}

TEST_F(Shots, TheBombGrowsWeakensAndEndsAtAge26) {
    SpawnShot(4, 1, 0, 300, 0);
    UpdateShots();
    ShotTable[4].state = 3;
    UpdateShots();
    const ShotSlot& b = ShotTable[4];
    const int power[] = {121, 106, 92, 78, 63, 49, 34, 20, 6, 1, 1, 1, 1};
    const int radius[] = {9, 26, 43, 60, 77, 93, 110, 127, 144, 161, 177, 194, 211};
    const int picture[] = {0, 0, 0, 0, 0, 0, 1, 1, 2, 2, 2, 3, 3};
    for (int age = 0; age <= 25; ++age) {
        UpdateShots();
        ASSERT_EQ(b.state, 2) << age;
        EXPECT_EQ(b.canHit, age % 2 == 0) << age;
        EXPECT_EQ(b.consumeOnHit, 0);
        if (age % 2 == 0) {
            EXPECT_EQ(b.power, power[age / 2]) << age;
            EXPECT_EQ(b.circleRadius[0], radius[age / 2]) << age;
            EXPECT_EQ(b.frame, picture[age / 2]) << age;
        }
    }
    EXPECT_EQ(b.scale, 314.5);
    UpdateShots();
    EXPECT_EQ(b.state, 0);
}

TEST_F(Shots, AnOddAgedBombHitsNothing) {
    EnemyRecord& e = PlaceEnemy(0, 10, 300, 8);
    SpawnShot(4, 2, 0, 300, 0);
    UpdateShots();
    EXPECT_EQ(ShotHits(4, e), 1);
    UpdateShots();
    EXPECT_EQ(ShotHits(4, e), 0);
    UpdateShots();
    EXPECT_EQ(ShotHits(4, e), 1);
}

}  // namespace
