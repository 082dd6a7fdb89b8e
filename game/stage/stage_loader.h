// Stage loading: the map into the spawn tables, the backgrounds and the boss pictures of a stage.
#pragma once

#include <cstdint>
#include <string>

namespace game {

int MapNumberOf(int stage);
int LoopNumberOf(int stage);
// "%2d-%d": the loop number right-aligned in two characters, a hyphen, the map number.
std::string StageLabel(int stage);

bool LoadStage(int16_t stage);
void UnloadStage();
bool StageLoaded();
// Why the last LoadStage failed, naming the map file; empty after a success.
const std::string& StageLoadFailure();
void LoadBossImages(int map);
// Starts decoding every map's backgrounds and boss pictures in the background, so that no stage
// waits for them when it starts.
void PrefetchStagePictures();
void ReleaseBossImages();
void DrawSpaceBackground();
void DrawEarthBackground();
// The space background, then the earth background.
void DrawBackgrounds();

}  // namespace game
