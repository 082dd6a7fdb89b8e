// Items: dropped where a carrier dies, drifting in to the options' ring, collected by the ship.
#include "game/player/items.h"

#include "engine/image/image.h"
#include "game/geometry/collision.h"
#include "game/geometry/trig.h"
#include "game/player/lives.h"
#include "game/player/options.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "game/state.h"

namespace game {

namespace {

constexpr int kItemKinds = 5;
// The single-precision 0.15 widened to double, as the game always added it.
constexpr double kItemAcceleration = 0.15000000596046448;

// The kind's effect; false when an option item finds all eight options in place and stays.
bool Collect(const ItemRecord& item) {
    GameState& gs = gameState;
    switch (item.kind) {
        case 0:
            if (!GainOption()) return false;
            RequestSound(kSoundBonus);
            return true;
        case 1:
            gs.lives += 1;
            RequestSound(kSoundExtraLife);
            return true;
        case 2:
        case 3:
        case 4:
            gs.weaponMode = int16_t(item.kind - 1);
            gs.weaponTimer = 1200;
            RequestSound(kSoundBonus);
            return true;
        default:
            return true;  // an unknown kind just vanishes
    }
}

void Park(ItemRecord& item) {
    const double r = item.radius + 100;
    const int16_t out = WrapAngle(item.direction + 512);
    item.x = PolarX(0, r, 0, out);
    item.y = PolarY(0, r, 0, out);
}

void Move(ItemRecord& item) {
    if (item.speed >= 0) {
        const int16_t d = WrapAngle(item.direction);
        item.vx = CosTable[d] * item.speed;
        item.vy = SinTable[d] * item.speed;
        item.x += item.vx;
        item.y += item.vy;
        item.speed += kItemAcceleration;
        const double stop = item.radius + 100;
        if (DistanceSquared(item.x, item.y, 0, 0) <= stop * stop) {
            Park(item);
            item.speed = -1;
        }
    } else {
        Park(item);
    }
}

}  // namespace

void SpawnItem(int kind, double x, double y) {
    ItemRecord* item = FindFreeItemSlot();
    if (!item) return;
    ResetSlot(*item);
    item->kind = kind;
    item->state = 1;
    item->frame = 0;
    item->x = x;
    item->y = y;
    item->vx = 0;
    item->vy = 0;
    item->radius = 16;
    item->speed = 0;
    item->drawMargin = 16;
}

void UpdateItems() {
    const GameState& gs = gameState;
    for (ItemRecord& item : ItemPool) {
        if (item.state == 0) continue;
        if (item.state == 1) {
            item.state = 2;
            item.frame = 0;
            item.age = 0;
            item.radius = 8;
            item.drawMargin = 16;
            item.direction = AngleTo(item.x, item.y, 0, 0);
        }
        if (item.state == 2) {
            if (PlayerPhase() == 0 &&
                CirclesOverlap(gs.shipX, gs.shipY, gs.shipRadius, item.x, item.y, item.radius)) {
                item.state = 3;
                if (!Collect(item)) item.state = 2;
            }
            Move(item);
        }
        if (item.state == 3) item.state = 0;
        if (item.state == 0) {
            ResetSlot(item);
        } else {
            DrawItem(item);
            item.age = (item.age + 1) % 65535;
        }
    }
}

void DrawItem(ItemRecord& item) {
    if (gameState.clearTimer > 200) return;
    engine::SetBlendMode(engine::kBlendNone, 100);
    if (item.state != 2 || IsOffScreen(item.x, item.y, item.drawMargin)) return;
    if (item.kind < 0 || item.kind >= kItemKinds || item.frame < 0 || item.frame >= 8) return;
    engine::DrawImageRotated(ScreenX(item.x, item.y), ScreenY(item.x, item.y), 1.0, ViewAngle(item.direction),
                             ItemImages[item.kind][item.frame], 1, 0);
}

}  // namespace game
