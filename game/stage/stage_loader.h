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
// Starts decoding the first two maps' backgrounds and boss pictures in the background, the first
// stage's first, so that a game started from the title finds them ready; each stage's load then
// starts on the next stage's.
void PrefetchStagePictures();
// The same for one stage's map (after those already asked for).
void PrefetchStagePictures(int stage);
// Waits until the stage's pictures are decoded and holds them until the stage loads (the title's
// last frame, so that the stage's first frame never decodes them).
void ReadyStagePictures(int stage);
void ReleaseBossImages();
void DrawSpaceBackground();
void DrawEarthBackground();
// The space background, then the earth background.
void DrawBackgrounds();

}  // namespace game
