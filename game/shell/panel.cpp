// The score panel, the stage-clear screen with its bonus, the bunny, text and numbers.
#include "game/shell/panel.h"

#include <algorithm>
#include <string>

#include "engine/image/image.h"
#include "game/player/lives.h"
#include "game/services/image_tables.h"
#include "game/stage/stage_loader.h"
#include "game/state.h"

namespace game {

namespace {

void DrawGlyph(int centreX, int centreY, int code, bool highlighted) {
    const int* face = highlighted ? FontImages : Font2Images;
    engine::DrawImageRotated(centreX, centreY, 1.0, 0.0, face[code], 1, 0);
}

void HealthBox(int i, int x0, int y0, int colour, bool filled) {
    engine::DrawRectangle(x0 + 18 * i, y0, x0 + 15 + 18 * i, y0 + 20, colour, filled ? 1 : 0);
}

void DrawFieldPanel() {
    const GameState& gs = gameState;
    engine::SetClipRect(480, 0, 640, 480);
    engine::SetBlendMode(engine::kBlendNone, 100);
    engine::DrawImage(480, 0, PanelImage, 1);
    const int spare = std::clamp(gs.lives - 1, 0, 5);
    for (int i = 0; i < spare; ++i) engine::DrawImage(500 + 26 * i, 212, LifeImage, 1);
    DrawNumber(480, 96, gs.highScore, 8, true);
    DrawNumber(480, 159, gs.score, 8, true);
    DrawText(552, 291, StageLabel(gs.stage).c_str(), false);
    const int red = engine::MakeColor(255, 0, 0);
    for (int i = 0; i < 5; ++i) HealthBox(i, 530, 250, red, i + 1 <= gs.bunnyHealth);
    engine::DrawImage(480, 334, PanelAnimImages[(gs.frameCount / 8) % 4], 1);
}

void DrawClearPanel() {
    const GameState& gs = gameState;
    engine::SetClipRect(0, 0, 640, 480);
    engine::DrawImage(0, 0, ClearBackImages[(gs.clearTimer / 16) % 2], 1);
    const int anim = PanelAnimImages[(gs.clearTimer / 16) % 4];
    engine::DrawImage(504, 32, anim, 1);
    engine::DrawImage(8, 352, anim, 1);
    engine::DrawImage(160, 96, StageClearImage, 1);
    engine::DrawImage(238, 180, BunnyImages[(gs.clearTimer / 16) % 2], 1);
    const int red = engine::MakeColor(255, 0, 0);
    if (gs.bunnyHealth == 5) {
        for (int i = 0; i < 5; ++i) HealthBox(i, 300, 230, red, true);
        engine::DrawImage(128, 288, BonusImage, 1);
        if (gs.clearTimer == 201) AddScore(5000);  // 201 lasts one frame: paid once per stage
        return;
    }
    // The health point the next stage gives back flashes white for four frames, then stays lit.
    const bool returned = gs.clearTimer >= 330;
    const int colour = gs.clearTimer >= 330 && gs.clearTimer <= 333 ? engine::MakeColor(255, 255, 255) : red;
    const int lit = gs.bunnyHealth + (returned ? 1 : 0);
    for (int i = 0; i < 5; ++i) HealthBox(i, 300, 230, colour, i + 1 <= lit);
}

}  // namespace

void DrawText(int x, int y, const char* text, bool highlighted) {
    for (int i = 0; text[i] != '\0'; ++i) {
        const unsigned code = static_cast<unsigned char>(text[i]);
        DrawGlyph(x + 16 * i + 8, y + 16, code < 128 ? int(code) : 0, highlighted);
    }
}

void DrawNumber(int x, int y, int32_t value, int digits, bool highlighted) {
    int n = 0;
    for (int64_t power = 10; power <= value; power *= 10) ++n;
    for (int j = 0; j <= digits; ++j) {
        if (j <= n) DrawGlyph(x + 16 * (digits - j) + 8, y + 16, 48 + value % 10, highlighted);
        value /= 10;
    }
}

void DrawBunny() {
    GameState& gs = gameState;
    if (gs.bunnyHealth > 0) {
        engine::DrawImage(208, 384, BunnyImages[(gs.frameCount / 16) % 2], 1);
        if (gs.bunnyHitTimer >= 100) {
            gs.bunnyHitTimer += gs.bunnyHitStep;
            if (gs.bunnyHitTimer >= 200) gs.bunnyHitStep = -5;
            engine::DrawImageRotated(240 + ((gs.frameCount / 2) % 3) - 1, 444, gs.bunnyHitTimer / 100.0, 0.0,
                                     BunnyHurtImage, 1, 0);
        }
    } else {
        engine::DrawImage(192, 384, BunnyDeadImage, 1);
    }
    if (PlayerPhase() == 1 && gs.lives > 0) DrawText(200, 256, "START", true);
}

void DrawPanel() {
    if (gameState.clearTimer > 200) {
        DrawClearPanel();
    } else {
        DrawFieldPanel();
    }
}

}  // namespace game
