// The EffectPool: spawning, the kinds' behaviours (burst, spark, simple, hit flash) and drawing.
#include "game/effects/effects.h"

#include "engine/image/image.h"
#include "game/geometry/trig.h"
#include "game/services/game_random.h"
#include "game/services/image_tables.h"
#include "game/state.h"

namespace game {

EffectSlot EffectPool[kEffectSlots];

namespace {

constexpr int kBurstLast = 12;

void FirstUpdate(EffectSlot& f, int16_t margin) {
    f.state = 2;
    f.margin = margin;
}

// The bursts' first two pictures last a random 2..5 frames each.
void FirstBurstUpdate(EffectSlot& f, int16_t margin) {
    FirstUpdate(f, margin);
    f.firstInterval = int16_t(2 + GameRandom() % 4);
}

void BurstStep(EffectSlot& f, int a, int last) {
    if (f.frame >= 7) a -= 1;
    if (f.frame >= 11) a -= 1;
    const int interval = f.frame < 2 ? f.firstInterval : a;
    if (interval > 0 && f.age % interval == 0) {
        f.frame = int16_t(f.frame + 1);
        f.age = 0;
    }
    if (f.frame >= last) f.state = 0;
    f.x += f.vx;
    f.y += f.vy;
    if (!f.decelerating) return;
    f.vx = CosTable[f.direction] * f.speed;
    f.vy = SinTable[f.direction] * f.speed;
    if (f.phase == 0) {
        f.speed -= f.decel;
        if (f.speed <= 0) {
            f.speed = 0;
            f.phase = 1;
            f.decel /= 2;
        }
    } else {
        // After a rest of 24 frames the debris creeps back along its direction.
        f.phase = int16_t(f.phase + 1);
        if (f.phase > 24) f.speed -= f.decel;
    }
}

void SparkStep(EffectSlot& f) {
    if (f.age % 4 == 0) {
        f.frame = int16_t(f.frame + 1);
        if (f.frame == 6) f.frame = 0;
    }
    if (f.age > 16) {
        f.alpha = int16_t(f.alpha - 3);
        if (f.alpha <= 0) {
            f.alpha = 0;
            f.state = 0;
        }
    }
    if (f.speed <= 0) {
        f.alpha = int16_t(f.alpha - 16);
        if (f.alpha <= 0) f.state = 0;
    }
    f.x += f.vx;
    f.y += f.vy;
    f.vx = CosTable[f.direction] * f.speed;
    f.vy = SinTable[f.direction] * f.speed;
    f.speed -= f.decel;
    if (f.speed <= 0) f.speed = 0;
}

void SimpleStep(EffectSlot& f, int a, int last) {
    if (f.age % a == 0) f.frame = int16_t(f.frame + 1);
    if (f.frame >= last) f.state = 0;
    f.x += f.vx;
    f.y += f.vy;
}

void Burst(EffectSlot& f, int16_t margin, int a) {
    if (f.state == 1) FirstBurstUpdate(f, margin);
    if (f.state == 2) BurstStep(f, a, kBurstLast);
}

void Spark(EffectSlot& f, int16_t margin) {
    if (f.state == 1) {
        FirstUpdate(f, margin);
        f.blendKind = kDrawAlpha;
        f.alpha = 255;
        f.frame = 0;
    }
    if (f.state == 2) SparkStep(f);
}

void Behave(EffectSlot& f) {
    switch (f.kind) {
        case 0:
            if (f.state == 1) {
                FirstUpdate(f, 100);
                f.angle = 0;
                f.firstInterval = int16_t(2 + GameRandom() % 4);
            }
            if (f.state == 2) BurstStep(f, 5, kBurstLast);
            break;
        case 1:
            Burst(f, 48, 5);
            break;
        case 2:
            Burst(f, 24, 4);
            break;
        case 3:
            Burst(f, 18, 4);
            break;
        case 5:
            Spark(f, 19);
            break;
        case 6:
        case 7:
            Spark(f, 12);
            break;
        case 12:
            if (f.state == 1) FirstUpdate(f, 32);
            if (f.state == 2) SimpleStep(f, 4, 6);
            break;
        case 31:
            // The hit flash picks its own rotation, whatever it was spawned with.
            if (f.state == 1) {
                FirstUpdate(f, 24);
                f.blendKind = kDrawAdditive;
                f.alpha = 128;
                f.angle = int16_t(GameRandom() % 1024);
            }
            if (f.state == 2) {
                if (f.age % 3 == 0) f.frame = int16_t(f.frame + 1);
                if (f.frame >= 6) f.state = 0;
            }
            break;
        default:
            break;  // rows without a behaviour: the effect never becomes active
    }
}

}  // namespace

int SpawnEffect(int16_t kind, double x, double y, int32_t angle, int16_t direction, double speed) {
    int slot = 0;
    while (slot < kEffectSlots && EffectPool[slot].state != 0) ++slot;
    if (slot == kEffectSlots) return -1;
    EffectSlot f{};
    f.state = 1;
    f.alpha = 255;
    f.scale = 1.0;
    f.decelerating = kind >= 100;
    f.kind = f.decelerating ? kind - 100 : kind;
    f.x = x;
    f.y = y;
    f.angle = int16_t(angle);
    // Reduced here so that the table lookups can never leave the tables.
    f.direction = WrapAngle(direction);
    f.speed = speed;
    f.vx = CosTable[f.direction] * speed;
    f.vy = SinTable[f.direction] * speed;
    f.decel = f.decelerating ? speed / 32 : 0;
    f.margin = 60;
    EffectPool[slot] = f;
    return slot;
}

int SpawnSlowEffect(int16_t kind, double x, double y, int32_t angle, int16_t direction, double speed) {
    return SpawnEffect(int16_t(kind + 100), x, y, angle, direction, speed);
}

void UpdateEffects() {
    for (int slot = 0; slot < kEffectSlots; ++slot) {
        EffectSlot& f = EffectPool[slot];
        if (f.state < 1) continue;
        f.age = (f.age + 1) % 65535;
        Behave(f);
        DrawEffect(slot);
    }
    UpdateShake();
}

void DrawEffect(int slot) {
    if (slot < 0 || slot >= kEffectSlots) return;
    const EffectSlot& f = EffectPool[slot];
    if (gameState.clearTimer > 200 || f.state != 2) return;
    if (f.kind < 0 || f.kind >= kEffectKinds || f.frame < 0 || f.frame >= 12) return;
    if (IsOffScreen(f.x, f.y, f.margin)) return;
    if (f.blendKind == kDrawAdditive)
        engine::SetBlendMode(engine::kBlendAdditive, f.alpha);
    else if (f.blendKind == kDrawAlpha)
        engine::SetBlendMode(engine::kBlendAlpha, f.alpha);
    else
        engine::SetBlendMode(engine::kBlendNone, 0);
    engine::DrawImageRotated(ScreenX(f.x, f.y), ScreenY(f.x, f.y), f.scale, ViewAngle(f.angle),
                             EffectImages[f.kind][f.frame], 1, 0);
    if (f.blendKind != kDrawPlain) engine::SetBlendMode(engine::kBlendNone, 0);
}

void ClearEffects() {
    for (EffectSlot& f : EffectPool) f = EffectSlot{};
}

}  // namespace game
