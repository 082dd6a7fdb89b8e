// The player's folder, chosen once at start-up by the program entry.
#include "game/services/user_folder.h"

namespace game {

namespace {
std::string& Folder() {
    static std::string folder;
    return folder;
}
}  // namespace

void SetUserFolder(const std::string& folder) {
    Folder() = folder;
    if (!Folder().empty() && Folder().back() != '/') Folder() += '/';
}

std::string UserPath(const std::string& relative) { return Folder() + relative; }

}  // namespace game
