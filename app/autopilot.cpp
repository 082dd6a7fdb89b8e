// The autopilot steers the ship toward the most urgent thing on the field (the enemy nearest the
// bunny, an item worth catching) while keeping clear of bullets, and taps fire every other frame.
#include "app/autopilot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/input/recorder.h"
#include "game/enemies/pools.h"
#include "game/geometry/trig.h"
#include "game/state.h"

namespace app {

namespace {

constexpr int kCentre = 240;  // steering re-centres the pointer here every frame
constexpr int kMaxStep = 16;  // the ship turns at most this many angle units a frame
constexpr double kShipRing = 120;

// How much a bullet or an enemy near `x, y` threatens a ship standing there next frame.
double Danger(double x, double y) {
    using namespace game;
    double danger = 0;
    auto near = [&](double ox, double oy, double reach, double weight) {
        const double d = std::sqrt(DistanceSquared(x, y, ox, oy));
        if (d < reach) danger += weight * (reach - d) * (reach - d);
    };
    for (const BulletRecord& b : BulletPool)
        if (b.state == kSlotActive || b.state == kSlotSpawned) {
            near(b.x + b.vx, b.y + b.vy, 40, 4);
            near(b.x + 3 * b.vx, b.y + 3 * b.vy, 36, 2);
        }
    for (const EnemyRecord& e : EnemyPool)
        if (e.state == kSlotActive) near(e.x + e.vx, e.y + e.vy, 48, 3);
    return danger;
}

// The angle the ship would like to stand at: under the enemy nearest the bunny (shots fly outward
// from the ship), or under an item still on its way in when no enemy is close.
int TargetAngle() {
    using namespace game;
    const GameState& gs = gameState;
    double best = 1e18;
    int target = gs.shipAngle;
    for (const EnemyRecord& e : EnemyPool) {
        if (e.state != kSlotActive) continue;
        const double d2 = DistanceSquared(e.x, e.y, 0, 0);
        if (d2 < best) best = d2, target = AngleTo(0, 0, e.x, e.y);
    }
    if (best > 260.0 * 260.0) {
        for (const ItemRecord& item : ItemPool) {
            if (item.state != kSlotActive) continue;
            const double d2 = DistanceSquared(item.x, item.y, 0, 0);
            if (d2 > 100.0 * 100.0) return AngleTo(0, 0, item.x, item.y);
        }
    }
    return target;
}

int ChooseStep() {
    using namespace game;
    const GameState& gs = gameState;
    const int target = TargetAngle();
    int bestStep = 0;
    double bestCost = 1e18;
    for (int step = -kMaxStep; step <= kMaxStep; step += 4) {
        const int16_t a = WrapAngle(gs.shipAngle + step);
        const double x = PolarX(0, kShipRing, 0, a), y = PolarY(0, kShipRing, 0, a);
        const double cost = Danger(x, y) + std::abs(AngleDiff(int16_t(target), a)) * 4.0;
        if (cost < bestCost) bestCost = cost, bestStep = step;
    }
    // Closer than a full step: turn by exactly what is left.
    const int left = AngleDiff(int16_t(target), int16_t(gs.shipAngle));
    if (std::abs(left) < kMaxStep && std::abs(bestStep - left) <= 4 && Danger(gs.shipX, gs.shipY) == 0)
        bestStep = left;
    return bestStep;
}

class Autopilot : public engine::InputSource {
public:
    explicit Autopilot(bool startsGames) : startsGames_(startsGames) {}

    bool Key(int, bool down) override { return down; }

    int Buttons(int buttons) override {
        const int64_t frame = engine::FramePumps();
        const bool playing = steeredFrame_ >= frame - 2;
        if (!playing && !startsGames_) return buttons;
        return frame % 2 == 0 ? 1 : 0;  // a tap every other frame: each press counts as a click
    }

    void Pointer(int* x, int* y) override {
        // The ship's steering re-centres the pointer each frame: reading it there means steering.
        if (*x != kCentre || *y != kCentre) return;
        steeredFrame_ = engine::FramePumps();
        *x = kCentre + 4 * ChooseStep();
    }

private:
    bool startsGames_;
    int64_t steeredFrame_ = -100;
};

}  // namespace

std::unique_ptr<engine::InputSource> MakeAutopilot(bool startsGames) {
    return std::make_unique<Autopilot>(startsGames);
}

}  // namespace app
