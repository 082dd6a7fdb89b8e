// Start-up, the outer loop, stage set-up and the stage frame loop in their fixed order.
#include "game/shell/main_loop.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/frame/frame.h"
#include "engine/image/image.h"
#include "engine/input/input.h"
#include "game/effects/effects.h"
#include "game/enemies/bullets.h"
#include "game/enemies/pools.h"
#include "game/geometry/trig.h"
#include "game/player/items.h"
#include "game/player/ship.h"
#include "game/player/shots.h"
#include "game/services/frame_rhythm.h"
#include "game/services/game_random.h"
#include "game/services/image_tables.h"
#include "game/services/sound_control.h"
#include "game/shell/panel.h"
#include "game/shell/records.h"
#include "game/shell/results.h"
#include "game/shell/title.h"
#include "game/stage/stage_loader.h"
#include "game/state.h"

namespace game {

namespace {
GameEndObserver gameEndObserver = nullptr;
}  // namespace

namespace {

constexpr int kLastStage = 600;
constexpr int32_t kScoreCap = 99999999;

GameState& gs = gameState;

// Set when the program has to stop for missing or damaged data; said once the records are safe.
std::string failure;

void SetUpStage() {
    gs.leaveStage = false;
    gs.respawnTimer = 0;
    ResetEnemyPool();
    ResetShots();
    ResetBulletPool();
    ResetItemPool();
    ClearEffects();
    ClearShake();
    gs.frameCount = 0;
    gs.clearTimer = 0;
    gs.gameEnded = false;
    RecordStage();
    LoadMusicSet(kMusicStages);
    PlayMusic(kTrackStage);
}

void RunStageFrame() {
    PollInput();
    gs.frameCount += 1;
    engine::SetClipRect(0, 0, 480, 480);
    const bool clearPhase = gs.clearTimer > 200;
    if (clearPhase) {
        engine::SetMousePosition(240, 240);
        if (gs.lives == 0) gs.gameEnded = true;
    } else {
        DrawBackgrounds();
        UpdateShots();
        UpdatePlayer();
        UpdateEffects();
        UpdateBullets();
        engine::DrawImage(0, 0, BlindImage, 1);
        DrawBunny();
    }
    DrawPanel();
    EndFrame();
    PlayRequestedSounds();
    // The clear counter only runs while nobody is dying or respawning; it is never lowered.
    if (gs.mapRow >= gs.mapHeight && gs.enemyCount == 0 && gs.gameOverTimer == 0 && gs.respawnTimer == 0)
        gs.clearTimer += 1;
    if (KeyCount(kKeyEscape) > 0 || !gs.running) {
        gs.leaveStage = true;
        gs.stage = 0;
    }
    if (KeyCount(kKeySpace) > 0) {
        gs.leaveStage = true;
        gs.stage = 0;
    }
    // On the last clear frame a key that leaves the stage wins: the advance would turn Space's or
    // Escape's stage 0 back into stage 1.
    if (gs.clearTimer > 400 && !gs.leaveStage) {
        gs.leaveStage = true;
        gs.stage += 1;
        if (gs.score >= kScoreCap || gs.stage > kLastStage) {
            gs.stage = 0;
            gs.gameEnded = true;
        }
    }
}

bool StartUp(ScreenChoice choice) {
    failure.clear();
    engine::SetWindowTitle("VELMORAN");
    bool fullScreen = choice == ScreenChoice::kFullScreen;
    if (choice == ScreenChoice::kAsk)
        // The original's caption asks the same in Japanese; a desktop without CJK fonts showed it as
        // boxes, so the question's window says it in letters every font has.
        fullScreen = engine::AskYesNo("FULL SCREEN GO", "VELMORAN: start in full screen?") == 1;
    if (!fullScreen) {
        engine::ChangeWindowMode(1);
        engine::SetWindowResizable(1, 1);
    }
    engine::SetLogEnabled(0);
    if (engine::InitEngine() == -1) return false;
    engine::SetScreenMode(640, 480, 32, 60);
    engine::SetTransparentColor(255, 0, 255);
    engine::SetCursorVisible(0);
    BuildTrigTables();
    InitSoundTables();
    LoadSoundEffects();
    // The stages' music too, so that the first stage's start only reads its files.
    PrepareMusicSet(kMusicStages);
    ClearSoundCooldowns();
    LoadImages();
    ReadRecords();
    // The stages' pictures decode on their own thread from here, the first stage's first, while the
    // title shows: ready some 30 ms later, long before a player's click (a START clicked sooner waits
    // for them, in real time only). Then where the player left off, the stage select's likeliest pick.
    PrefetchStagePictures();
    PrefetchStagePictures(gs.highestStage);
    return true;
}

void ShutDown() {
    SaveScreenshotNumber();
    ReleaseImages();
    ReleaseSounds();
    // Shown while the window is still open, so a player who started the game from a desktop sees it.
    if (!failure.empty()) engine::ShowMessage(failure, "VELMORAN");
    engine::EndEngine();
}

}  // namespace

std::string DataAdvice() {
    std::error_code error;
    const std::string here = std::filesystem::current_path(error).string();
    return "the game's data is made by the build: run scripts/play.sh, or from the source folder "
           "velmoran-datagen --out " +
           here + "/data --src assets-src";
}

bool PlayStage() {
    SetUpStage();
    if (!LoadStage(int16_t(gs.stage))) return false;  // 1..600
    PlaceShipOnRing();
    gs.mouseX = 0;
    gs.mouseY = 0;
    ResetKeys();
    while (!gs.leaveStage) RunStageFrame();
    engine::SetClipRect(0, 0, 640, 480);
    UnloadStage();
    return true;
}

void SetGameEndObserver(GameEndObserver observer) { gameEndObserver = observer; }

int RunGame(ScreenChoice choice) {
    if (!StartUp(choice)) return -1;
    bool firstTitle = true;
    while (!gs.quitRequested) {
        engine::SetClipRect(0, 0, 640, 480);
        gs.gameEnded = false;
        if (StageLoaded()) UnloadStage();
        // Back from a game: the first stages' pictures again, while the title shows.
        if (!firstTitle) {
            PrefetchStagePictures();
            PrefetchStagePictures(gs.highestStage);
        }
        firstTitle = false;
        gs.quitRequested = RunTitleScreen();
        gs.loopIndex = 0;
        SeedGameRandom(1);
        if (gs.quitRequested) break;
        ResetPlayerForGame();
        gs.lives = 3;
        gs.score = 0;
        gs.frameCount = 0;
        gs.gameOverTimer = 0;
        while (gs.stage > 0) {
            if (!PlayStage()) {
                failure = StageLoadFailure() + "; " + DataAdvice();
                gs.quitRequested = true;
                break;
            }
        }
        if (gs.quitRequested) break;
        if (gs.fromStageSelect == 0 && gs.score > gs.highScore && gs.gameEnded) {
            SaveHighScore();
        }
        if (gs.gameEnded) {
            RunResultsScreen();
            if (gameEndObserver && gs.fromStageSelect == 0) gameEndObserver();
        }
        if (KeyCount(kKeyEscape) > 0 || !gs.running) break;
    }
    ShutDown();
    if (failure.empty()) return 0;
    std::fprintf(stderr, "velmoran: %s\n", failure.c_str());
    return 1;
}

}  // namespace game
