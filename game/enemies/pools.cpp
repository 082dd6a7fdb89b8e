// The pools and their defaults.
#include "game/enemies/pools.h"

#include "game/services/game_random.h"
#include "game/state.h"

namespace game {

EnemyRecord EnemyPool[kPoolSize];
BulletRecord BulletPool[kPoolSize];
ItemRecord ItemPool[kPoolSize];

namespace {
template <typename Record>
Record* FindFree(Record (&pool)[kPoolSize]) {
    for (Record& r : pool)
        if (r.state == kSlotFree) return &r;
    return nullptr;
}
}  // namespace

EnemyRecord* FindFreeEnemySlot() { return FindFree(EnemyPool); }
BulletRecord* FindFreeBulletSlot() { return FindFree(BulletPool); }
ItemRecord* FindFreeItemSlot() { return FindFree(ItemPool); }

int16_t InitialFireHold() {
    const int32_t L = gameState.loopIndex;
    int32_t v = L <= 16 ? 320 * (32 - L) / 32 : 320 * (80 - L) / 128;
    switch (L) {
        case 0:
            v = v * 3;
            break;
        case 1:
            v = v * 8 / 4;
            break;
        case 2:
            v = v * 7 / 4;
            break;
        case 3:
            v = v * 5 / 4;
            break;
        default:
            break;
    }
    if (v < 0) v = 0;
    return int16_t(v);
}

void ResetSlot(EnemyRecord& e) {
    e = EnemyRecord{};
    for (int i = 0; i < 8; ++i) e.circleRadius[i] = -1;
    e.fireClock = GameRandom() % 128;
    e.itemKind = -1;
    e.fireHold = InitialFireHold();
}

void ResetSlot(BulletRecord& b) {
    b = BulletRecord{};
    for (int i = 0; i < 3; ++i) b.circleRadius[i] = -1;
    b.diesNearCentre = 1;
    b.scalePercent = 100.0;
}

void ResetSlot(ItemRecord& item) {
    item = ItemRecord{};
    item.radius = 8;
    item.drawMargin = 16.0;
}

void ResetEnemyPool() {
    for (EnemyRecord& e : EnemyPool) ResetSlot(e);
}
void ResetBulletPool() {
    for (BulletRecord& b : BulletPool) ResetSlot(b);
}
void ResetItemPool() {
    for (ItemRecord& item : ItemPool) ResetSlot(item);
}

}  // namespace game
