// The player's shots (placeholder until the player's work lands).
#include "game/player/shots.h"

namespace game {

ShotSlot ShotTable[kShotSlots];

void ResetShots() {
    for (int i = 0; i < kShotSlots; ++i) ResetShotSlot(i);
}
void ResetShotSlot(int slot) {
    ShotTable[slot] = ShotSlot{};
    ShotTable[slot].scale = 100;
    ShotTable[slot].consumeOnHit = 1;
    ShotTable[slot].canHit = 1;
}
void SpawnShot(int, int, double, double, int32_t) {}
void SetShotCircle(int, int, int16_t, int16_t, int16_t) {}
void FireWeapons() {}
void UpdateShots() {}
void DrawShot(int) {}

}  // namespace game
