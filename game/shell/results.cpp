// The results screen.
#include "game/shell/results.h"

#include "engine/image/image.h"
#include "engine/input/input.h"
#include "game/services/frame_rhythm.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "game/shell/panel.h"
#include "game/state.h"

namespace game {

void RunResultsScreen() {
    LoadMusicSet(kMusicMenus);
    PlayMusic(kTrackEnding);
    for (int t = 0; t < 420;) {
        PollInput();
        engine::SetMousePosition(240, 240);
        DrawNumber(318, 250, gameState.highScore, 10, true);
        DrawNumber(318, 346, gameState.score, 10, true);
        engine::DrawImage(192, 144, TextImages[12], 1);
        engine::DrawImage(96, 240, TextImages[10], 1);
        engine::DrawImage(96, 336, TextImages[11], 1);
        t += 1;
        EndFrame();
        PlayRequestedSounds();
        if (t > 200 && KeyCount(kLeftButton) > 0) break;
    }
}

}  // namespace game
