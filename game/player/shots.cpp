// The ShotTable: spawning, the per-kind steps (main and option shots, napalm, bomb), moving and drawing.
#include "game/player/shots.h"

#include "engine/image/image.h"
#include "game/effects/effects.h"
#include "game/geometry/trig.h"
#include "game/services/game_random.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "game/state.h"

namespace game {

ShotSlot ShotTable[kShotSlots];

namespace {

bool ValidSlot(int slot) { return slot >= 0 && slot < kShotSlots; }

void StartFlight(int slot, double speed) {
    ShotSlot& s = ShotTable[slot];
    s.state = kShotFlying;
    s.killMargin = 16;
    s.drawMargin = 16;
    s.consumeOnHit = 1;
    s.canHit = 1;
    s.speed = speed;
}

void Fly(ShotSlot& s) {
    s.frame = 4;
    s.x += s.vx / 2;
    s.y += s.vy / 2;
}

void SpawnHitSpark(const ShotSlot& s) {
    const int angle = GameRandom() % 1024;
    SpawnEffect(31, s.x, s.y, angle, 0, 0);
}

void SetVelocity(ShotSlot& s) {
    s.vx = CosTable[s.heading] * s.speed;
    s.vy = SinTable[s.heading] * s.speed;
}

void MainStep(int slot) {
    ShotSlot& s = ShotTable[slot];
    if (s.state == kShotSpawned) {
        StartFlight(slot, 18);
        SetShotCircle(slot, 0, 4, -8, 0);
        SetShotCircle(slot, 1, 4, 8, 0);
        s.power = 50;
        s.scale = 80;
        SetVelocity(s);
        RequestSound(kSoundShot);
    }
    if (s.state == kShotFlying) Fly(s);
    if (s.state == kShotHit) {
        SpawnHitSpark(s);
        s.state = kShotFree;
        s.frame = 0;
    }
}

void NapalmStep(int slot) {
    ShotSlot& s = ShotTable[slot];
    if (s.state == kShotSpawned) {
        StartFlight(slot, 18);
        SetShotCircle(slot, 0, 3, -4, 0);
        SetShotCircle(slot, 1, 3, 4, 0);
        s.power = 0;
        s.scale = 100;
        SetVelocity(s);
        RequestSound(kSoundNapalmFired);
    }
    if (s.state == kShotFlying) Fly(s);
    if (s.state == kShotHit) {
        // The napalm turns into a bomb where it struck; position, margins and circle 1 stay.
        SpawnHitSpark(s);
        s.state = kShotSpawned;
        s.kind = kShotBomb;
        s.frame = 0;
    }
}

void BombStep(int slot) {
    ShotSlot& s = ShotTable[slot];
    if (s.state == kShotSpawned) {
        s.power = 72;
        s.state = kShotFlying;
        s.age = 0;
        s.scale = 2.5;
        s.consumeOnHit = 0;
        s.canHit = 1;
        s.blendKind = kDrawAdditive;
        s.alpha = 255;
        s.frame = 0;
        SetShotCircle(slot, 0, 0, 0, 0);
        RequestSound(kSoundBomb);
    }
    if (s.state == kShotFlying) {
        s.canHit = s.age % 2 == 0 ? 1 : 0;  // the bomb bites on even ages only
        s.frame = 0;
        if (s.age > 25)
            s.state = kShotFree;
        else if (s.age > 20)
            s.frame = 3;
        else if (s.age > 15)
            s.frame = 2;
        else if (s.age > 10)
            s.frame = 1;
        s.power = (204 - int32_t(s.scale)) * 60 / 100;
        if (s.power < 0) s.power = 1;
        s.scale += 12;
        SetShotCircle(slot, 0, int16_t(int32_t(s.scale) * 70 / 100), 0, 0);
    }
}

}  // namespace

void ResetShots() {
    for (int i = 0; i < kShotSlots; ++i) ResetShotSlot(i);
}

void ResetShotSlot(int slot) {
    if (!ValidSlot(slot)) return;
    ShotTable[slot] = ShotSlot{};
    ShotTable[slot].scale = 100;
    ShotTable[slot].consumeOnHit = 1;
    ShotTable[slot].canHit = 1;
}

void SpawnShot(int slot, int kind, double x, double y, int32_t heading) {
    if (!ValidSlot(slot)) return;
    heading = WrapAngle(heading);
    ResetShotSlot(slot);
    ShotSlot& s = ShotTable[slot];
    s.state = kShotSpawned;
    s.kind = kind;
    s.x = x;
    s.y = y;
    s.heading = heading;
    s.drawAngle = heading;
}

void SetShotCircle(int slot, int index, int16_t radius, int16_t forward, int16_t side) {
    if (!ValidSlot(slot) || index < 0 || index > 1) return;
    ShotTable[slot].circleRadius[index] = radius;
    ShotTable[slot].circleForward[index] = forward;
    ShotTable[slot].circleSide[index] = side;
}

void UpdateShots() {
    for (int slot = 0; slot < kShotSlots; ++slot) {
        ShotSlot& s = ShotTable[slot];
        if (s.state == kShotFree) continue;
        switch (s.kind) {
            case kShotMain:
            case kShotOption:
                MainStep(slot);
                break;
            case kShotNapalm:
                NapalmStep(slot);
                break;
            case kShotBomb:
                BombStep(slot);
                break;
            default:
                break;
        }
        s.age = (s.age + 1) % 65535;
        if (IsOffField(s.x, s.y, s.killMargin))
            s.state = kShotFree;
        else
            DrawShot(slot);
    }
}

void DrawShot(int slot) {
    if (!ValidSlot(slot)) return;
    const ShotSlot& s = ShotTable[slot];
    if (gameState.clearTimer > 200 || s.state != kShotFlying) return;
    if (s.kind < 0 || s.kind > 3 || s.frame < 0 || s.frame >= 16) return;
    if (IsOffScreen(s.x, s.y, s.drawMargin)) return;
    if (s.blendKind == kDrawAdditive)
        engine::SetBlendMode(engine::kBlendAdditive, s.alpha);
    else if (s.blendKind == kDrawAlpha)
        engine::SetBlendMode(engine::kBlendAlpha, s.alpha);
    else
        engine::SetBlendMode(engine::kBlendNone, 0);
    engine::DrawImageRotated(ScreenX(s.x, s.y), ScreenY(s.x, s.y), s.scale / 100, ViewAngle(s.drawAngle),
                             ShotImages[s.kind][s.frame], 1, 0);
    if (s.blendKind != kDrawPlain) engine::SetBlendMode(engine::kBlendNone, 0);
}

}  // namespace game
