// Stage loading: map cells into the spawn tables, and the stage's own pictures.
#include "game/stage/stage_loader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/image/image.h"
#include "game/enemies/spawn_schedule.h"
#include "game/geometry/trig.h"
#include "game/player/ship.h"
#include "game/services/image_tables.h"
#include "game/stage/fmf_map.h"
#include "game/state.h"

namespace game {

namespace {

int spaceImage = 0;
int earthImage = 0;
bool stageLoaded = false;
std::string loadFailure;

// A cell names a chip of a palette 16 chips wide: column in the low byte, row in the high byte.
// A low byte of 16 or more is no chip at all.
int32_t DecodeChip(int32_t v) {
    if (v < 0) return -1;
    const int32_t low = v % 256, high = v / 256;
    return low < 16 ? high * 16 + low : -1;
}

// The files of a map's own pictures: its two backgrounds and its boss.
std::vector<std::string> MapPictures(int map) {
    char name[64];
    std::vector<std::string> names;
    std::snprintf(name, sizeof name, "data/map/stage%d/space%d.bmp", map, map);
    names.push_back(name);
    std::snprintf(name, sizeof name, "data/map/stage%d/earth%d.bmp", map, map);
    names.push_back(name);
    std::snprintf(name, sizeof name, "data/enemy/boss/boss%d.bmp", map);
    names.push_back(name);
    return names;
}

void DrawBackground(int image) {
    if (gameState.clearTimer > 200) return;
    engine::DrawImageRotated(240 + gameState.shakeX, 480 + gameState.shakeY, 1.0, ViewAngle(0), image, 1, 0);
}

}  // namespace

int MapNumberOf(int stage) { return (stage - 1) % 4 + 1; }
int LoopNumberOf(int stage) { return (stage + 3) / 4; }

std::string StageLabel(int stage) {
    char label[32];
    std::snprintf(label, sizeof label, "%2d-%d", LoopNumberOf(stage), MapNumberOf(stage));
    return label;
}

bool LoadStage(int16_t stage) {
    GameState& gs = gameState;
    ResetPlayerForStage();
    gs.loopIndex = (stage - 1) / 4;
    const int map = MapNumberOf(stage);
    char name[64];
    std::snprintf(name, sizeof name, "data/map/map%d.fmf", map);
    FmfMap fmf;
    loadFailure.clear();
    if (!fmf.Open(name)) {
        const bool present = std::ifstream(name, std::ios::binary).good();
        loadFailure = std::string(name) + (present ? " is damaged: it is no stage map this game can read"
                                                   : " is missing or cannot be read");
        return false;
    }
    // The tables hold 32 columns and 640 rows; a larger map is cut to them rather than refused,
    // so the player still gets the part that fits.
    gs.mapWidth = int16_t(std::min<uint32_t>(fmf.Width(), kSpawnColumns));
    gs.mapHeight = int16_t(std::min<uint32_t>(fmf.Height(), kSpawnRows));
    gs.mapRow = 0;
    gs.lastSpawnedRow = -1;
    gs.enemyCount = 0;
    for (int y = 0; y < gs.mapHeight; ++y) {
        for (int x = 0; x < gs.mapWidth; ++x) {
            const int32_t kind = DecodeChip(fmf.Cell(1, x, y));
            SpawnKindTable[y][x] = kind >= 0 ? kind - 1 : -1;
            SpawnParamTable1[y][x] = DecodeChip(fmf.Cell(2, x, y));
            SpawnParamTable2[y][x] = DecodeChip(fmf.Cell(3, x, y));
        }
    }
    fmf.Release();
    std::snprintf(name, sizeof name, "data/map/stage%d/space%d.bmp", map, map);
    spaceImage = engine::LoadImageFile(name);
    std::snprintf(name, sizeof name, "data/map/stage%d/earth%d.bmp", map, map);
    earthImage = engine::LoadImageFile(name);
    LoadBossImages(map);
    engine::ReleaseReadyImageFiles();  // the stage holds its own now
    stageLoaded = true;
    // The next stage's pictures decode while this one plays.
    if (stage < 600) engine::PrefetchImageFiles(MapPictures(MapNumberOf(stage + 1)));
    return true;
}

void UnloadStage() {
    if (!stageLoaded) return;
    ReleaseBossImages();
    engine::DeleteImage(spaceImage);
    engine::DeleteImage(earthImage);
    spaceImage = 0;
    earthImage = 0;
    stageLoaded = false;
}

bool StageLoaded() { return stageLoaded; }
const std::string& StageLoadFailure() { return loadFailure; }

void LoadBossImages(int map) {
    switch (map) {
        case 1:
            EnemyImages[16][0] = engine::LoadImageFile("data/enemy/boss/boss1.bmp");
            break;
        case 2:
            EnemyImages[17][0] = engine::LoadImageFile("data/enemy/boss/boss2.bmp");
            break;
        case 3:
            EnemyImages[18][0] = engine::LoadImageFile("data/enemy/boss/boss3.bmp");
            break;
        case 4:
            engine::LoadDividedImage("data/enemy/boss/boss4.bmp", 2, 1, 2, 320, 192, EnemyImages[19], 0);
            break;
        default:
            break;
    }
}

void PrefetchStagePictures() {
    std::vector<std::string> names = MapPictures(1), second = MapPictures(2);
    names.insert(names.end(), second.begin(), second.end());
    engine::PrefetchImageFiles(names);
}

void PrefetchStagePictures(int stage) {
    if (stage >= 1 && stage <= 600) engine::PrefetchImageFiles(MapPictures(MapNumberOf(stage)));
}

void ReadyStagePictures(int stage) {
    if (stage >= 1 && stage <= 600) engine::ReadyImageFiles(MapPictures(MapNumberOf(stage)));
}

void ReleaseBossImages() {
    for (int row = 16; row < 20; ++row) {
        for (int& handle : EnemyImages[row]) {
            engine::DeleteImage(handle);
            handle = 0;
        }
    }
}

void DrawSpaceBackground() { DrawBackground(spaceImage); }
void DrawEarthBackground() { DrawBackground(earthImage); }

void DrawBackgrounds() {
    DrawSpaceBackground();
    DrawEarthBackground();
}

}  // namespace game
