// The player's folder: where Option/ (records) and ScreenShots/ live; the working folder by default.
#pragma once

#include <string>

namespace game {

// "" keeps them in the working folder, beside the data, as the game always did.
void SetUserFolder(const std::string& folder);
// `relative` ("Option/score.dat") inside the player's folder.
std::string UserPath(const std::string& relative);

}  // namespace game
