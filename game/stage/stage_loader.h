// Stage loading: the map, the backgrounds and the boss pictures of a stage.
#pragma once

namespace game {

bool LoadStage(int stage);
void UnloadStage();
bool StageLoaded();
// The space background, then the earth background.
void DrawBackgrounds();

}  // namespace game
