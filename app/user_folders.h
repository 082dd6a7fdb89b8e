// Where the game's data is read from and where a player's records, screenshots and settings go.
#pragma once

#include <string>
#include <vector>

namespace app {

struct FolderInputs {
    std::string programDir;                        // the folder of the running program
    std::string installedData;                     // the data folder this build installs to (share/velmoran)
    std::string userDir;                           // --user-dir, empty when not given
    std::string dataDir;                           // --data-dir, empty when not given
    std::string home, xdgDataHome, xdgConfigHome;  // the environment's
};

struct Folders {
    std::string dataRoot;               // holds data/; the working folder while the game runs
    std::string userDir;                // holds Option/ and ScreenShots/; empty when nothing can be kept
    std::string settingsPath;           // settings.ini
    bool portable = false;              // everything beside the program
    bool fatal = false;                 // a folder asked for on the command line cannot be used
    std::vector<std::string> messages;  // one line each for stderr
};

// Chooses (and creates where needed) the folders. A build folder with its Option/ stays portable;
// an installed game uses the XDG folders; an unwritable Option/ beside the program hands its records
// to the XDG folder instead of losing new ones.
Folders ChooseFolders(const FolderInputs& in);

}  // namespace app
