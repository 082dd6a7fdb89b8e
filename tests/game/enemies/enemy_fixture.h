// A fresh headless engine with empty pools, the trig tables built and the ship at angle 0.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "game/enemies/enemy_update.h"
#include "game/enemies/pools.h"
#include "game/geometry/trig.h"
#include "game/player/options.h"
#include "game/player/ship.h"
#include "game/player/shots.h"
#include "game/state.h"
#include "support/headless_session.h"

namespace enemytest {

class EnemyFixture : public ::testing::Test {
protected:
    void SetUp() override {
        session_ = std::make_unique<testsupport::HeadlessSession>();
        game::BuildTrigTables();
        game::ResetEnemyPool();
        game::ResetBulletPool();
        game::ResetItemPool();
        game::ResetShots();
        for (game::OptionRecord& option : game::OptionRecords) option = game::OptionRecord{};
        game::gameState.bunnyHealth = 5;
        game::PlaceShipOnRing();
    }
    void TearDown() override { session_.reset(); }

    static void SetLoop(int loop) { game::gameState.loopIndex = loop; }

    static int CountEnemies(int kind = -1) {
        int n = 0;
        for (const game::EnemyRecord& e : game::EnemyPool)
            if (e.state != game::kSlotFree && (kind < 0 || e.kind == kind)) ++n;
        return n;
    }

    static int CountBullets() {
        int n = 0;
        for (const game::BulletRecord& b : game::BulletPool)
            if (b.state != game::kSlotFree) ++n;
        return n;
    }

    // One frame of the enemy pass, as the player's sweep runs it.
    static void EnemyPass() {
        game::gameState.enemyCount = 0;
        for (game::EnemyRecord& e : game::EnemyPool) game::UpdateEnemy(e);
    }

private:
    std::unique_ptr<testsupport::HeadlessSession> session_;
};

}  // namespace enemytest
