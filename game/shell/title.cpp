// The title screen: main menu (start, stage select, exit) and the stage select, mouse-driven.
#include "game/shell/title.h"

#include <string>

#include "engine/image/image.h"
#include "engine/input/input.h"
#include "game/services/frame_rhythm.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "game/shell/panel.h"
#include "game/stage/stage_loader.h"
#include "game/state.h"

namespace game {

namespace {

enum class Mode { kMainMenu, kStageSelect };

bool InBox(int x, int y, int x1, int y1, int x2, int y2) { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }

// Press, then auto-repeat every frame once held past 16 frames.
bool ClickOrRepeat() { return KeyCount(kLeftButton) == 1 || KeyCount(kLeftButton) > 16; }

}  // namespace

int16_t MenuHover(int16_t current, int last) {
    const int y = gameState.mouseY;
    for (int k = 0; k <= last; ++k) {
        if (y >= 240 + 48 * k && y <= 288 + 48 * k) {
            if (k != current) RequestSound(kSoundCursor);
            return int16_t(k);
        }
    }
    return -1;
}

bool RunTitleScreen() {
    GameState& gs = gameState;
    LoadMusicSet(kMusicMenus);
    PlayMusic(kTrackTitle);
    ResetKeys();
    gs.frameCount = 0;
    engine::SetMousePosition(320, 240);
    Mode mode = Mode::kMainMenu;
    int16_t hovered = -1;
    bool done = false;
    while (!done) {
        engine::DrawImage(0, 0, TitleBackImage, 1);
        engine::GetMousePosition(&gs.mouseX, &gs.mouseY);
        PollInput();
        const bool clicked = KeyCount(kLeftButton) == 1;
        if (mode == Mode::kMainMenu) {
            hovered = MenuHover(hovered, 2);
            Mode next = mode;
            if (clicked) {
                if (hovered == 2) {
                    gs.stage = 0;
                    return true;
                }
                if (hovered == 0 || hovered == 1) {
                    gs.fromStageSelect = hovered;
                    if (hovered == 0) {
                        gs.stage = 1;
                        done = true;
                    } else {
                        next = Mode::kStageSelect;
                    }
                }
            }
            engine::DrawImage(64, 240, TextImages[hovered == 0 ? 0 : 1], 1);
            engine::DrawImage(64, 288, TextImages[hovered == 1 ? 2 : 3], 1);
            engine::DrawImage(64, 336, TextImages[hovered == 2 ? 4 : 5], 1);
            if (next != mode) {
                hovered = -1;
                mode = next;
            }
        } else {
            const bool leftHot = InBox(gs.mouseX, gs.mouseY, 263, 250, 295, 282);
            const bool rightHot = !leftHot && InBox(gs.mouseX, gs.mouseY, 375, 250, 407, 282);
            hovered = MenuHover(hovered, 2);
            if (hovered == 0 && leftHot && ClickOrRepeat()) {
                gs.selectedStage -= 1;
                if (gs.selectedStage < 1) gs.selectedStage = gs.highestStage;
                RequestSound(kSoundCursor);
            } else if (hovered == 0 && rightHot && ClickOrRepeat()) {
                gs.selectedStage += 1;
                if (gs.selectedStage > gs.highestStage) gs.selectedStage = 1;
                RequestSound(kSoundCursor);
            }
            Mode next = mode;
            if (clicked) {
                if (hovered == 1) {
                    gs.stage = gs.selectedStage;
                    done = true;
                } else if (hovered == 2) {
                    next = Mode::kMainMenu;
                }
            }
            const std::string label = StageLabel(gs.selectedStage);
            engine::DrawImage(263, 250, ArrowLeftImages[leftHot ? 1 : 0], 1);
            engine::DrawImage(375, 250, ArrowRightImages[rightHot ? 1 : 0], 1);
            engine::DrawImage(64, 240, TextImages[hovered == 0 ? 6 : 7], 1);
            engine::DrawImage(64, 288, TextImages[hovered == 1 ? 0 : 1], 1);
            engine::DrawImage(64, 336, TextImages[hovered == 2 ? 8 : 9], 1);
            DrawText(293, 250, label.c_str(), hovered == 0);
            if (next != mode) {
                hovered = -1;
                mode = next;
            }
        }
        engine::DrawImageRotated(gs.mouseX, gs.mouseY, 1.0, 0.0, CursorImages[(gs.frameCount / 4) % 4], 1, 0);
        if (done) ReadyStagePictures(gs.stage);  // waited for here, not on the stage's first frame
        EndFrame();
        PlayRequestedSounds();
        if (KeyCount(kKeyEscape) > 0 || !gs.running) {
            gs.stage = 0;
            return true;
        }
        gs.frameCount = (gs.frameCount + 1) % 65535;
    }
    return false;
}

}  // namespace game
