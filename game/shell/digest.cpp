// The state digest, field by field.
#include "game/shell/digest.h"

#include <cstring>
#include <type_traits>

#include "game/effects/effects.h"
#include "game/enemies/pools.h"
#include "game/player/options.h"
#include "game/player/shots.h"
#include "game/services/game_random.h"
#include "game/state.h"

namespace game {

namespace {

class Hasher {
public:
    template <typename T>
    Hasher& operator<<(const T& value) {
        static_assert(std::is_arithmetic_v<T>);
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (unsigned char b : bytes) hash_ = (hash_ ^ b) * 0x100000001B3ull;
        return *this;
    }
    template <typename T, size_t N>
    Hasher& operator<<(const T (&values)[N]) {
        for (const T& v : values) *this << v;
        return *this;
    }
    uint64_t Value() const { return hash_; }

private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

void Add(Hasher& h, const GameState& g) {
    h << g.stage << g.loopIndex << g.score << g.highScore << g.lives << g.frameCount << g.clearTimer
      << g.gameOverTimer << g.respawnTimer << g.leaveStage << g.gameEnded << g.quitRequested << g.running
      << g.fromStageSelect << g.selectedStage << g.highestStage << g.mouseX << g.mouseY << g.bunnyHealth
      << g.bunnyHitTimer << g.bunnyHitStep << g.mapWidth << g.mapHeight << g.mapRow << g.lastSpawnedRow
      << g.enemyCount << g.shipAngle << g.shipX << g.shipY << g.viewOffsetX << g.viewOffsetY << g.shipRadius
      << g.angleTrail << g.shipFrameCounter << g.shipMoving << g.weaponMode << g.weaponTimer << g.fireCooldown
      << g.shakeActive << g.shakeFrame << g.shakeDuration << g.shakeAmplitude << g.shakeX << g.shakeY;
}

void Add(Hasher& h, const EnemyRecord& e) {
    h << e.x << e.y << e.vx << e.vy << e.circleRadius << e.circleForward << e.circleSide << e.state << e.age
      << e.fireClock << e.hp << e.itemKind << e.scoreValue << e.kind << e.heading << e.facing << e.entryAngle
      << e.showDanger << e.fireHold << e.frame << e.speed << e.mapParam1 << e.mapParam2 << e.aux1 << e.aux2
      << e.aux3 << e.aux4 << e.auxR1 << e.auxR2 << e.auxR3 << e.offFieldMargin << e.offScreenMargin;
}

void Add(Hasher& h, const BulletRecord& b) {
    h << b.x << b.y << b.vx << b.vy << b.circleRadius << b.circleForward << b.circleSide << b.state << b.age
      << b.kind << b.heading << b.facing << b.frame << b.speed << b.diesNearCentre << b.timer << b.accelStep
      << b.targetSpeed << b.blendMode << b.blendParam << b.scalePercent << b.offFieldMargin << b.drawMargin;
}

void Add(Hasher& h, const ItemRecord& i) {
    h << i.x << i.y << i.vx << i.vy << i.radius << i.state << i.age << i.kind << i.direction << i.frame
      << i.speed << i.drawMargin;
}

void Add(Hasher& h, const ShotSlot& s) {
    h << s.state << s.kind << s.x << s.y << s.heading << s.drawAngle << s.power << s.speed << s.vx << s.vy
      << s.circleRadius << s.circleForward << s.circleSide << s.killMargin << s.drawMargin << s.age << s.frame
      << s.blendKind << s.alpha << s.scale << s.consumeOnHit << s.canHit;
}

void Add(Hasher& h, const OptionRecord& o) { h << o.x << o.y << o.radius << o.angle << o.active; }

void Add(Hasher& h, const EffectSlot& e) {
    h << e.state << e.age << e.kind << e.frame << e.phase << e.firstInterval << e.angle << e.direction << e.x
      << e.y << e.speed << e.vx << e.vy << e.blendKind << e.alpha << e.scale << e.decelerating << e.decel
      << e.margin;
}

template <typename Record, size_t N>
void AddAll(Hasher& h, const Record (&records)[N]) {
    for (const Record& r : records) Add(h, r);
}

}  // namespace

uint64_t StateDigest() {
    Hasher h;
    Add(h, gameState);
    h << GameRandomState();
    AddAll(h, EnemyPool);
    AddAll(h, BulletPool);
    AddAll(h, ItemPool);
    AddAll(h, ShotTable);
    AddAll(h, OptionRecords);
    AddAll(h, EffectPool);
    return h.Value();
}

}  // namespace game
