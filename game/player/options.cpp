// Options: up to eight satellites chained behind the ship on the ring of radius 108.
#include "game/player/options.h"

#include "engine/image/image.h"
#include "game/effects/effects.h"
#include "game/geometry/trig.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "game/state.h"

namespace game {

OptionRecord OptionRecords[8];

void ResetOptionsForGame() {
    for (OptionRecord& o : OptionRecords) {
        o.radius = 9;
        o.angle = 0;
        o.active = 0;
    }
}

void ResetOptionsForStage() {
    for (OptionRecord& o : OptionRecords) o.angle = 0;
}

void PositionOptions() {
    for (int i = 0; i < 8; ++i) {
        OptionRecord& o = OptionRecords[i];
        o.angle = gameState.angleTrail[i + 1];
        o.x = PolarX(0, 108, 0, o.angle);
        o.y = PolarY(0, 108, 0, o.angle);
    }
}

void DrawOptions() {
    if (gameState.clearTimer > 200) return;
    engine::SetBlendMode(engine::kBlendNone, 100);
    for (const OptionRecord& o : OptionRecords) {
        if (!o.active) continue;
        engine::DrawImageRotated(ScreenX(o.x, o.y), ScreenY(o.x, o.y), 1.0, ViewAngle(o.angle), OptionImage,
                                 1, 0);
    }
}

void LoseOption(int index) {
    if (index < 0 || index >= 8) return;
    OptionRecords[index].active = 0;
    Explode(OptionRecords[index].x, OptionRecords[index].y, true);
    RequestSound(kSoundCraftLost);
    // Everything behind the lost option moves up one place, so the chain has no gap.
    for (int k = index + 1; k < 8; ++k) {
        if (!OptionRecords[k].active) continue;
        OptionRecords[k].active = 0;
        OptionRecords[k - 1].active = 1;
    }
}

bool GainOption() {
    for (int i = 0; i < 8; ++i) {
        OptionRecord& o = OptionRecords[i];
        if (o.active) continue;
        o.active = 1;
        o.angle = gameState.angleTrail[i + 1];
        return true;
    }
    return false;
}

}  // namespace game
