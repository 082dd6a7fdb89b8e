// Stage loading: the map into the spawn tables, the backgrounds and the boss pictures of a stage.
#pragma once

#include <cstdint>
#include <string>

namespace game {

inline constexpr int kSpawnRows = 640;
inline constexpr int kSpawnColumns = 32;

// What enters from direction c at map row r: the kind (-1 none) and the kind's two map parameters.
extern int32_t SpawnKindTable[kSpawnRows][kSpawnColumns];
extern int32_t SpawnParamTable1[kSpawnRows][kSpawnColumns];
extern int32_t SpawnParamTable2[kSpawnRows][kSpawnColumns];

int MapNumberOf(int stage);
int LoopNumberOf(int stage);
// "%2d-%d": the loop number right-aligned in two characters, a hyphen, the map number.
std::string StageLabel(int stage);

bool LoadStage(int16_t stage);
void UnloadStage();
bool StageLoaded();
void LoadBossImages(int map);
void ReleaseBossImages();
void DrawSpaceBackground();
void DrawEarthBackground();
// The space background, then the earth background.
void DrawBackgrounds();

}  // namespace game
