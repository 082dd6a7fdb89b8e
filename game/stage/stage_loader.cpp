// Stage loading: the map, the backgrounds and the boss pictures of a stage. (placeholder until its own work lands)
#include "game/stage/stage_loader.h"

namespace game {

bool LoadStage(int) { return false; }
void UnloadStage() {}
bool StageLoaded() { return false; }
void DrawBackgrounds() {}

}  // namespace game
