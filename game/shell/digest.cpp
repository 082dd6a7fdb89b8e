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

// Every field of each record the digest covers, in the order it hashes them: one list, which the
// digest hashes and the check below counts against the record, so a field added to a record and not
// here stops the build instead of escaping the digest.
// clang-format off
#define VELMORAN_GAME_STATE_FIELDS(F) \
    F(stage) F(loopIndex) F(score) F(highScore) F(lives) F(frameCount) F(clearTimer) F(gameOverTimer) \
    F(respawnTimer) F(leaveStage) F(gameEnded) F(quitRequested) F(running) F(fromStageSelect) \
    F(selectedStage) F(highestStage) F(mouseX) F(mouseY) F(bunnyHealth) F(bunnyHitTimer) F(bunnyHitStep) \
    F(mapWidth) F(mapHeight) F(mapRow) F(lastSpawnedRow) F(enemyCount) F(shipAngle) F(shipX) F(shipY) \
    F(viewOffsetX) F(viewOffsetY) F(shipRadius) F(angleTrail) F(shipFrameCounter) F(shipMoving) \
    F(weaponMode) F(weaponTimer) F(fireCooldown) F(shakeActive) F(shakeFrame) F(shakeDuration) \
    F(shakeAmplitude) F(shakeX) F(shakeY)
#define VELMORAN_ENEMY_RECORD_FIELDS(F) \
    F(x) F(y) F(vx) F(vy) F(circleRadius) F(circleForward) F(circleSide) F(state) F(age) F(fireClock) \
    F(hp) F(itemKind) F(scoreValue) F(kind) F(heading) F(facing) F(entryAngle) F(showDanger) F(fireHold) \
    F(frame) F(speed) F(mapParam1) F(mapParam2) F(aux1) F(aux2) F(aux3) F(aux4) F(auxR1) F(auxR2) \
    F(auxR3) F(offFieldMargin) F(offScreenMargin)
#define VELMORAN_BULLET_RECORD_FIELDS(F) \
    F(x) F(y) F(vx) F(vy) F(circleRadius) F(circleForward) F(circleSide) F(state) F(age) F(kind) \
    F(heading) F(facing) F(frame) F(speed) F(diesNearCentre) F(timer) F(accelStep) F(targetSpeed) \
    F(blendMode) F(blendParam) F(scalePercent) F(offFieldMargin) F(drawMargin)
#define VELMORAN_ITEM_RECORD_FIELDS(F) \
    F(x) F(y) F(vx) F(vy) F(radius) F(state) F(age) F(kind) F(direction) F(frame) F(speed) F(drawMargin)
#define VELMORAN_SHOT_SLOT_FIELDS(F) \
    F(state) F(kind) F(x) F(y) F(heading) F(drawAngle) F(power) F(speed) F(vx) F(vy) F(circleRadius) \
    F(circleForward) F(circleSide) F(killMargin) F(drawMargin) F(age) F(frame) F(blendKind) F(alpha) \
    F(scale) F(consumeOnHit) F(canHit)
#define VELMORAN_OPTION_RECORD_FIELDS(F) \
    F(x) F(y) F(radius) F(angle) F(active)
#define VELMORAN_EFFECT_SLOT_FIELDS(F) \
    F(state) F(age) F(kind) F(frame) F(phase) F(firstInterval) F(angle) F(direction) F(x) F(y) F(speed) \
    F(vx) F(vy) F(blendKind) F(alpha) F(scale) F(decelerating) F(decel) F(margin)
// clang-format on

// How many initialisers an aggregate takes, an array member counting its elements: its fields,
// whatever its padding.
struct AnyField {
    template <typename T>
    operator T() const;  // never called: only asked about
};
template <typename T, typename... Given>
constexpr size_t InitialiserCount() {
    if constexpr (requires { T{Given{}..., AnyField{}}; })
        return InitialiserCount<T, Given..., AnyField>();
    else
        return sizeof...(Given);
}
template <typename T>
constexpr size_t Initialisers() {
    if constexpr (std::is_array_v<T>)
        return std::extent_v<T> * Initialisers<std::remove_extent_t<T>>();
    else
        return 1;
}

#define VELMORAN_HASH_FIELD(field) h << r.field;
// A term of a sum: it cannot stand in parentheses of its own.
#define VELMORAN_COUNT_FIELD(field) \
    +Initialisers<decltype(Record::field)>()  // NOLINT(bugprone-macro-parentheses)
#define VELMORAN_DIGEST_RECORD(Type, FIELDS)                                     \
    void Add(Hasher& h, const Type& r) { FIELDS(VELMORAN_HASH_FIELD) }           \
    static_assert(                                                               \
        [] {                                                                     \
            using Record = Type;                                                 \
            return InitialiserCount<Record>() == 0 FIELDS(VELMORAN_COUNT_FIELD); \
        }(),                                                                     \
        "a field of " #Type " is not in the digest: add it to its list in game/shell/digest.cpp");

VELMORAN_DIGEST_RECORD(GameState, VELMORAN_GAME_STATE_FIELDS)
VELMORAN_DIGEST_RECORD(EnemyRecord, VELMORAN_ENEMY_RECORD_FIELDS)
VELMORAN_DIGEST_RECORD(BulletRecord, VELMORAN_BULLET_RECORD_FIELDS)
VELMORAN_DIGEST_RECORD(ItemRecord, VELMORAN_ITEM_RECORD_FIELDS)
VELMORAN_DIGEST_RECORD(ShotSlot, VELMORAN_SHOT_SLOT_FIELDS)
VELMORAN_DIGEST_RECORD(OptionRecord, VELMORAN_OPTION_RECORD_FIELDS)
VELMORAN_DIGEST_RECORD(EffectSlot, VELMORAN_EFFECT_SLOT_FIELDS)

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
