// Enemy bullets: the guarded spawn, the seven kinds, the per-frame pass and the drawing.
#include "game/enemies/bullets.h"

#include "engine/image/image.h"
#include "game/enemies/hits.h"
#include "game/geometry/trig.h"
#include "game/player/lives.h"
#include "game/player/options.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "game/state.h"

namespace game {

namespace {

constexpr int32_t kClockWrap = 65535;

void MoveAlongHeading(BulletRecord& b) {
    b.vx = CosTable[b.heading] * b.speed;
    b.vy = SinTable[b.heading] * b.speed;
    b.x += b.vx;
    b.y += b.vy;
}

void StartBullet(BulletRecord& b) {
    b.state = kSlotActive;
    RequestSound(kSoundEnemyFires);
    switch (b.kind) {
        case kBulletAccelerating:
            SetBulletCircle(b, 0, 3, 0, 0);
            b.accelStep = b.speed / 100;
            b.targetSpeed = b.speed;
            b.speed = 0;
            break;
        case kBulletSmall:
            SetBulletCircle(b, 0, 3, 0, 0);
            break;
        case kBulletMedium:
            SetBulletCircle(b, 0, 4, 0, 0);
            break;
        case kBulletLarge:
            SetBulletCircle(b, 0, 5, 0, 0);
            break;
        case kBulletHoming:
            SetBulletCircle(b, 0, 3, 0, 0);
            b.facing = 0;  // drawn unturned
            b.timer = 4;   // its turn rate
            break;
        case kBulletBomb:
            SetBulletCircle(b, 0, 10, 0, 0);
            b.diesNearCentre = 0;
            b.timer = 0;
            break;
        case kBulletBlast:
            b.age = 0;
            SetBulletCircle(b, 0, 1, 0, 0);
            b.scalePercent = 10.0;
            b.blendMode = kDrawAdditive;
            b.blendParam = 255;
            b.diesNearCentre = 0;
            break;
        default:
            break;
    }
}

void MoveBullet(BulletRecord& b) {
    const GameState& gs = gameState;
    switch (b.kind) {
        case kBulletAccelerating:
            b.frame = 1;
            b.speed = Approach(b.speed, b.accelStep, b.targetSpeed);
            MoveAlongHeading(b);
            break;
        case kBulletSmall:
        case kBulletMedium:
        case kBulletLarge:
            b.frame = 1;
            b.x += b.vx;
            b.y += b.vy;
            break;
        case kBulletHoming:
            // Homes at 4 units a frame, then loses one unit of turn every 8 frames after frame 240.
            b.frame = 1;
            b.heading =
                TurnToward(AngleTo(b.x, b.y, gs.shipX, gs.shipY), int16_t(b.heading), int16_t(b.timer));
            MoveAlongHeading(b);
            if (b.age > 240 && b.age % 8 == 0 && b.timer > 0) b.timer -= 1;
            break;
        case kBulletBomb:
            // The bomb stops 100 units out, blinks for its last 60 frames and bursts after 120.
            b.frame = b.timer <= 60 ? 1 : ((b.age / 2) % 2 != 0 ? 3 : 1);
            if (b.timer != 0) {
                b.timer += 1;
                if (b.timer > 120) b.state = kSlotEnding;
            } else {
                b.x += b.vx;
                b.y += b.vy;
                if (DistanceSquared(b.x, b.y, 0, 0) <= 10000) b.timer = 1;
            }
            break;
        default:
            break;
    }
}

// The blast grows and fades through its three pictures; once hit, three times as fast.
void RunBlast(BulletRecord& b) {
    if (b.age % (b.state == kSlotEnding ? 2 : 6) == 0) b.frame += 1;
    if (b.frame >= 4) {
        b.state = kSlotFree;
        return;
    }
    b.scalePercent = Approach(b.scalePercent, 4.0, 100.0);
    SetBulletCircle(b, 0, int16_t(int32_t(b.scalePercent) * 96 / 100), 0, 0);
}

void RunBullet(BulletRecord& b) {
    if (b.kind < 0 || b.kind >= kBulletKinds) return;
    if (b.state == kSlotSpawned) StartBullet(b);
    if (b.kind == kBulletBlast) {
        if (b.state == kSlotActive || b.state == kSlotEnding) RunBlast(b);
        return;
    }
    if (b.state == kSlotActive) MoveBullet(b);
    if (b.state == kSlotEnding) {
        if (b.kind == kBulletBomb) SpawnBullet(b.x, b.y, 0.0, 0, kBulletBlast, 1000, false);
        b.state = kSlotFree;
    }
}

void TestHits(BulletRecord& b) {
    const GameState& gs = gameState;
    if (b.diesNearCentre && DistanceSquared(b.x, b.y, 0, 0) <= 10000) {
        b.state = kSlotEnding;  // bullets never hurt the bunny
        return;
    }
    for (int i = 7; i >= 0; --i) {
        const OptionRecord& option = OptionRecords[i];
        if (option.active && HitsBullet(option.x, option.y, option.radius, b)) {
            LoseOption(i);
            b.state = kSlotEnding;
            break;
        }
    }
    if (b.state == kSlotActive && gs.gameOverTimer == 0 && HitsBullet(gs.shipX, gs.shipY, gs.shipRadius, b)) {
        PlayerHit();
        b.state = kSlotEnding;
    }
    if (IsOffField(b.x, b.y, b.offFieldMargin)) b.state = kSlotFree;
}

}  // namespace

void SpawnBullet(double x, double y, double speed, int32_t angle, int32_t kind, double margin, bool guarded) {
    if (guarded && DistanceSquared(x, y, 0, 0) <= 14400) return;
    angle = WrapAngle(angle);
    if (IsOffField(x, y, margin) && guarded) return;
    BulletRecord* b = FindFreeBulletSlot();
    if (b == nullptr) return;
    ResetSlot(*b);
    b->state = kSlotSpawned;
    b->heading = b->facing = angle;
    b->speed = speed;
    b->x = x;
    b->y = y;
    b->vx = CosTable[angle] * speed;
    b->vy = SinTable[angle] * speed;
    b->kind = kind;
    b->frame = 0;
    b->age = 0;
    b->offFieldMargin = 64.0;  // whatever margin the spawn was tested with
    b->drawMargin = 16.0;
}

void SetBulletCircle(BulletRecord& b, int index, int16_t radius, int16_t forward, int16_t side) {
    if (index < 0 || index >= 3) return;
    b.circleRadius[index] = radius;
    b.circleForward[index] = forward;
    b.circleSide[index] = side;
}

void UpdateBullets() {
    for (BulletRecord& b : BulletPool) {
        if (b.state == kSlotFree) continue;
        RunBullet(b);
        b.age = (b.age + 1) % kClockWrap;
        if (PlayerPhase() == 2) b.state = kSlotFree;  // the respawn frame clears the field, no bursts
        if (b.state == kSlotActive) TestHits(b);
        if (b.state != kSlotFree)
            DrawBullet(b);
        else
            ResetSlot(b);
    }
}

void DrawBullet(BulletRecord& b) {
    if (gameState.clearTimer > 200 || b.state != kSlotActive || IsOffScreen(b.x, b.y, b.drawMargin)) return;
    if (b.kind < 0 || b.kind >= kBulletKinds || b.frame < 0 || b.frame >= 16) return;
    if (b.blendMode == kDrawAdditive) engine::SetBlendMode(engine::kBlendAdditive, b.blendParam);
    engine::DrawImageRotated(ScreenX(b.x, b.y), ScreenY(b.x, b.y), b.scalePercent / 100, ViewAngle(b.facing),
                             BulletImages[b.kind][b.frame], 1, 0);
    if (b.blendMode == kDrawAdditive) engine::SetBlendMode(engine::kBlendNone, 0);
}

}  // namespace game
