// The EffectPool: slots, the kinds' lifetimes, the explosions' random draws and the screen shake.
#include "game/effects/effects.h"

#include <gtest/gtest.h>

#include "engine/input/input.h"
#include "game/geometry/trig.h"
#include "game/services/game_random.h"
#include "game/state.h"
#include "support/headless_session.h"

namespace {

using namespace game;

class Effects : public ::testing::Test {
protected:
    void SetUp() override {
        BuildTrigTables();
        ClearEffects();
        ClearShake();
    }
    static int Live() {
        int n = 0;
        for (const EffectSlot& f : EffectPool) n += f.state != 0;
        return n;
    }
    // Runs UpdateEffects until the slot is freed; the number of calls it took.
    static int Lifetime(int slot) {
        int calls = 0;
        while (EffectPool[slot].state != 0 && calls < 1000) {
            UpdateEffects();
            ++calls;
        }
        return calls;
    }
    testsupport::HeadlessSession session;
};

TEST_F(Effects, SpawnTakesTheLowestFreeSlotAndAFullPoolGivesMinusOne) {
    EXPECT_EQ(SpawnEffect(2, 1, 2, 3, 4, 0), 0);
    EXPECT_EQ(SpawnEffect(2, 1, 2, 3, 4, 0), 1);
    EXPECT_EQ(SpawnEffect(2, 1, 2, 3, 4, 0), 2);
    EffectPool[1].state = 0;
    EXPECT_EQ(SpawnEffect(3, 1, 2, 3, 4, 0), 1);
    for (int i = 3; i < kEffectSlots; ++i) ASSERT_EQ(SpawnEffect(6, 0, 0, 0, 0, 1), i);
    const EffectSlot before = EffectPool[127];
    EXPECT_EQ(SpawnEffect(2, 50, 50, 0, 0, 0), -1);
    EXPECT_EQ(EffectPool[127].x, before.x);
    ClearEffects();
    EXPECT_EQ(Live(), 0);
}

TEST_F(Effects, KindsFrom100OnDecelerate) {
    const int slot = SpawnEffect(103, 10, 20, 7, 256, 2.0);
    const EffectSlot& f = EffectPool[slot];
    EXPECT_EQ(f.kind, 3);
    EXPECT_EQ(f.decelerating, 1);
    EXPECT_EQ(f.decel, 2.0 / 32);
    EXPECT_EQ(f.vx, CosTable[256] * 2.0);
    EXPECT_EQ(f.vy, SinTable[256] * 2.0);
    EXPECT_EQ(f.angle, 7);
    EXPECT_EQ(f.state, 1);
    EXPECT_EQ(f.alpha, 255);
    EXPECT_EQ(f.scale, 1.0);
    EXPECT_EQ(f.margin, 60);
    const EffectSlot& g = EffectPool[SpawnSlowEffect(6, 0, 0, 0, 100, 1.0)];
    EXPECT_EQ(g.kind, 6);
    EXPECT_EQ(g.decelerating, 1);
    const EffectSlot& h = EffectPool[SpawnEffect(6, 0, 0, 0, 100, 1.0)];
    EXPECT_EQ(h.decelerating, 0);
    EXPECT_EQ(h.decel, 0);
}

TEST_F(Effects, BurstsLastTwoCPlusTenAMinusSixFrames) {
    struct Case {
        int16_t kind;
        int c, a;
        int16_t margin;
    } cases[] = {{2, 2, 4, 24}, {0, 5, 5, 100}, {3, 3, 4, 18}, {1, 4, 5, 48}, {102, 5, 4, 24}};
    for (const Case& c : cases) {
        ClearEffects();
        const int slot = SpawnEffect(c.kind, 0, 0, 9, 0, 1.0);
        UpdateEffects();  // the first update draws the first interval; age 1 never ends a picture
        EXPECT_EQ(EffectPool[slot].margin, c.margin);
        EXPECT_GE(EffectPool[slot].firstInterval, 2);
        EXPECT_LE(EffectPool[slot].firstInterval, 5);
        EffectPool[slot].firstInterval = int16_t(c.c);
        EXPECT_EQ(1 + Lifetime(slot), 2 * c.c + 10 * c.a - 6) << "kind " << c.kind;
    }
}

TEST_F(Effects, DebrisSlowsToRestThenCreepsBack) {
    const int slot = SpawnEffect(103, 0, 0, 0, 0, 3.2);  // loses 0.1 a frame
    EffectPool[slot].firstInterval = 100;                // keep it alive
    UpdateEffects();
    EffectPool[slot].firstInterval = 100;
    const EffectSlot& f = EffectPool[slot];
    EXPECT_DOUBLE_EQ(f.speed, 3.1);
    for (int i = 0; i < 31; ++i) UpdateEffects();
    EXPECT_EQ(f.speed, 0);
    EXPECT_EQ(f.phase, 1);
    EXPECT_DOUBLE_EQ(f.decel, 0.05);
    for (int i = 0; i < 24; ++i) UpdateEffects();
    EXPECT_EQ(f.phase, 25);
    EXPECT_DOUBLE_EQ(f.speed, -0.05);
}

TEST_F(Effects, SparksHoldThenFadeAndStoppedSparksFadeFast) {
    const int still = SpawnEffect(6, 0, 0, 0, 0, 0);
    for (int i = 0; i < 15; ++i) UpdateEffects();
    EXPECT_EQ(EffectPool[still].state, 2);
    EXPECT_EQ(EffectPool[still].alpha, 255 - 15 * 16);
    EXPECT_EQ(EffectPool[still].blendKind, 2);
    UpdateEffects();
    EXPECT_EQ(EffectPool[still].state, 0);

    const int moving = SpawnSlowEffect(7, 0, 0, 0, 0, 64);  // slows by 2 a frame, stops on frame 32
    for (int i = 0; i < 16; ++i) UpdateEffects();
    EXPECT_EQ(EffectPool[moving].alpha, 255);
    EXPECT_EQ(EffectPool[moving].frame, 4);
    UpdateEffects();
    EXPECT_EQ(EffectPool[moving].alpha, 252);
    EXPECT_EQ(EffectPool[moving].margin, 12);
    for (int i = 0; i < 8; ++i) UpdateEffects();
    EXPECT_EQ(EffectPool[moving].frame, 0);  // six pictures, looping
}

TEST_F(Effects, TheHitFlashPicksItsOwnAngleAndLastsEighteenFrames) {
    SeedGameRandom(1);
    const int16_t want = int16_t(GameRandom() % 1024);
    SeedGameRandom(1);
    const int slot = SpawnEffect(31, 5, 5, 999, 0, 0);
    EXPECT_EQ(Lifetime(slot), 18);
    EXPECT_EQ(EffectPool[slot].angle, want);
    EXPECT_EQ(EffectPool[slot].alpha, 128);
    EXPECT_EQ(EffectPool[slot].x, 5);
}

TEST_F(Effects, TheRammersRingLastsTwentyFourFrames) {
    const int slot = SpawnEffect(12, 0, 0, 0, 0, 0);
    EXPECT_EQ(Lifetime(slot), 24);
    EXPECT_EQ(EffectPool[slot].margin, 32);
}

TEST_F(Effects, ExplodeDrawsItsRandomNumbersInOrder) {
    SeedGameRandom(1);
    const int r = GameRandom() % 8;
    const int d = GameRandom() % 1024;
    const double speed = (GameRandom() % 18 + 36) / 20.0;
    const int angle = GameRandom() % 1024;
    SeedGameRandom(1);
    Explode(50, -20, false);
    const EffectSlot& f = EffectPool[0];
    EXPECT_EQ(f.kind, 3);
    EXPECT_EQ(f.decelerating, 1);
    EXPECT_EQ(f.x, 50 + CosTable[d] * r);
    EXPECT_EQ(f.y, -20 + SinTable[d] * r);
    EXPECT_EQ(f.direction, d);
    EXPECT_EQ(f.speed, speed);
    EXPECT_EQ(f.angle, angle);
    EXPECT_EQ(Live(), 6);
    EXPECT_EQ(EffectPool[3].kind, 2);
    EXPECT_EQ(EffectPool[5].kind, 2);
    EXPECT_EQ(EffectPool[5].decelerating, 0);
    EXPECT_EQ(EffectPool[5].x, 50);
}

TEST_F(Effects, ExplosionsDrawAllTheirNumbersEvenWhenThePoolIsNearlyFull) {
    struct Case {
        bool bigOne, flag;
        int pieces, draws;
    } cases[] = {{false, false, 6, 21}, {false, true, 10, 45}, {true, false, 11, 40}, {true, true, 21, 100}};
    for (const Case& c : cases) {
        ClearEffects();
        SeedGameRandom(1);
        if (c.bigOne)
            BigExplode(0, 0, c.flag);
        else
            Explode(0, 0, c.flag);
        EXPECT_EQ(Live(), c.pieces);
        const uint32_t after = GameRandomState();
        SeedGameRandom(1);
        for (int i = 0; i < c.draws; ++i) GameRandom();
        EXPECT_EQ(GameRandomState(), after) << c.pieces;
    }
    ClearEffects();
    for (int i = 0; i < 126; ++i) SpawnEffect(2, 0, 0, 0, 0, 0);
    SeedGameRandom(1);
    Explode(0, 0, true);
    EXPECT_EQ(Live(), 128);
    EXPECT_EQ(EffectPool[126].kind, 3);
    EXPECT_EQ(EffectPool[127].kind, 3);
    const uint32_t after = GameRandomState();
    SeedGameRandom(1);
    for (int i = 0; i < 45; ++i) GameRandom();
    EXPECT_EQ(GameRandomState(), after);
}

TEST_F(Effects, ShakeJittersFromTheEnginesGeneratorAndDiesAway) {
    GameState& gs = gameState;
    engine::SeedRandom(77);
    SeedGameRandom(1);
    StartShake(16);
    std::vector<int> xs, ys;
    for (int i = 0; i < 17; ++i) {
        UpdateShake();
        xs.push_back(gs.shakeX);
        ys.push_back(gs.shakeY);
    }
    EXPECT_EQ(GameRandomState(), 1u);  // the game's own generator is untouched
    EXPECT_EQ(gs.shakeActive, 0);
    EXPECT_EQ(xs.back(), 0);
    EXPECT_EQ(gs.shakeAmplitude, 8);
    engine::SeedRandom(77);
    int amplitude = 0;
    for (int i = 0; i < 16; ++i) {
        if (amplitude < 8) amplitude += 2;
        const int x = int(engine::RandomUpTo(10000) * (2.0 * amplitude) / 10000.0 - amplitude);
        const int y = int(engine::RandomUpTo(10000) * (2.0 * amplitude) / 10000.0 - amplitude);
        EXPECT_EQ(xs[i], x) << i;
        EXPECT_EQ(ys[i], y) << i;
        EXPECT_LE(std::abs(x), amplitude);
    }
    for (int i = 0; i < 3; ++i) UpdateShake();
    EXPECT_EQ(gs.shakeAmplitude, 5);
    StartShake(4);  // restarted during the decay: builds from 5 to 7, 9
    UpdateShake();
    UpdateShake();
    EXPECT_EQ(gs.shakeAmplitude, 9);
    StartShake(4);  // a restart keeps the amplitude and counts again from 0
    EXPECT_EQ(gs.shakeFrame, 0);
    EXPECT_EQ(gs.shakeAmplitude, 9);
    for (int i = 0; i < 4; ++i) UpdateShake();
    EXPECT_EQ(gs.shakeActive, 1);
    UpdateShake();
    EXPECT_EQ(gs.shakeActive, 0);
    EXPECT_EQ(gs.shakeY, 0);
}

}  // namespace
