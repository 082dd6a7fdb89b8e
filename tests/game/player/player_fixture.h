// A started headless engine with a fresh game: empty pools, a new game's ship at angle 0, no sounds asked.
#pragma once

#include <gtest/gtest.h>

#include "engine/frame/frame.h"
#include "game/effects/effects.h"
#include "game/enemies/pools.h"
#include "game/geometry/trig.h"
#include "game/player/options.h"
#include "game/player/ship.h"
#include "game/player/shots.h"
#include "game/services/game_random.h"
#include "game/services/sound_control.h"
#include "game/state.h"
#include "support/headless_session.h"

namespace testsupport {

class PlayerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(engine::InitEngine(), 0);
        game::BuildTrigTables();
        game::ResetEnemyPool();
        game::ResetBulletPool();
        game::ResetItemPool();
        game::ResetShots();
        game::ClearEffects();
        game::ClearShake();
        game::ResetPlayerForGame();
        game::ResetPlayerForStage();
        game::PlaceShipOnRing();
        game::InitSoundTables();
        game::SeedGameRandom(1);
    }

    // The pointer as the mouse left it since the last frame: dx pixels right of the middle.
    void MoveMouse(int dx) { session.Platform().SetPointer(240 + dx, 240); }

    // An active enemy with one hit circle of radius r at world (x, y).
    static game::EnemyRecord& PlaceEnemy(int slot, double x, double y, int16_t r) {
        game::EnemyRecord& e = game::EnemyPool[slot];
        game::ResetSlot(e);
        e.state = game::kSlotActive;
        e.x = x;
        e.y = y;
        e.circleRadius[0] = r;
        e.offFieldMargin = -1;
        return e;
    }

    static int ActiveOptions() {
        int n = 0;
        for (const game::OptionRecord& o : game::OptionRecords) n += o.active;
        return n;
    }

    static int LiveEffects() {
        int n = 0;
        for (const game::EffectSlot& f : game::EffectPool) n += f.state != 0;
        return n;
    }

    HeadlessSession session;
    game::GameState& gs = game::gameState;
};

}  // namespace testsupport
