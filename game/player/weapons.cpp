// Firing: the ship's four weapon modes and the options' shots, each shooter in its own ShotTable slots.
#include "game/geometry/trig.h"
#include "game/player/lives.h"
#include "game/player/options.h"
#include "game/player/shots.h"
#include "game/services/frame_rhythm.h"
#include "game/state.h"

namespace game {

namespace {

constexpr double kMuzzle = 15;

bool Free(int slot) { return ShotTable[slot].state == kShotFree; }

// A shot from the ship's muzzle, `side` units across its heading.
void ShipShot(int slot, int kind, double side, int16_t a, int32_t heading) {
    const GameState& gs = gameState;
    SpawnShot(slot, kind, PolarX(gs.shipX, kMuzzle, side, a), PolarY(gs.shipY, kMuzzle, side, a), heading);
}

void FireShip(int16_t a) {
    switch (gameState.weaponMode) {
        case kWeaponNormal:
        case kWeaponNapalm: {
            const int kind = gameState.weaponMode == kWeaponNapalm ? kShotNapalm : kShotMain;
            for (int slot = 0; slot < 3; ++slot) {
                if (!Free(slot)) continue;
                ShipShot(slot, kind, 0, a, a);
                return;
            }
            return;
        }
        case kWeaponTwin:
            for (int k = 0; k < 6; k += 2) {
                if (!Free(k) || !Free(k + 1)) continue;
                ShipShot(k, kShotMain, -8, a, a);
                ShipShot(k + 1, kShotMain, 8, a, a);
                return;
            }
            return;
        case kWeaponSpread:
            for (int k = 0; k < 9; k += 3) {
                if (!Free(k) || !Free(k + 1) || !Free(k + 2)) continue;
                ShipShot(k, kShotMain, 0, a, a);
                ShipShot(k + 1, kShotMain, -8, a, WrapAngle(a - 64));
                ShipShot(k + 2, kShotMain, 8, a, WrapAngle(a + 64));
                return;
            }
            return;
        default:
            return;
    }
}

void FireOptions() {
    for (int i = 0; i < 8; ++i) {
        const OptionRecord& o = OptionRecords[i];
        if (!o.active) continue;
        for (int slot = 9 + 3 * i; slot < 12 + 3 * i; ++slot) {
            if (!Free(slot)) continue;
            SpawnShot(slot, kShotOption, PolarX(o.x, kMuzzle, 0, o.angle), PolarY(o.y, kMuzzle, 0, o.angle),
                      o.angle);
            break;
        }
    }
}

}  // namespace

void FireWeapons() {
    GameState& gs = gameState;
    if (PlayerPhase() > 0 || gs.lives == 0 || gs.bunnyHealth == 0) return;
    const int16_t a = WrapAngle(gs.shipAngle);
    if (gs.fireCooldown > 0) return;
    // Held down, the button fires on its 1st, 17th, ... 241st frame; the count then sticks at 255.
    if (KeyCount(kLeftButton) % 16 != 1) return;
    gs.fireCooldown = 4;
    FireShip(a);
    FireOptions();
}

}  // namespace game
