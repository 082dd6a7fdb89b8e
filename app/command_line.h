// The command line: one table of options, each with its help line and what it sets.
#pragma once

#include <string>
#include <vector>

#include "engine/platform.h"
#include "game/shell/main_loop.h"

namespace app {

struct CommandLine {
    platform::Options options;
    game::ScreenChoice choice = game::ScreenChoice::kAsk;
    bool headless = false;
    std::string summaryPath;  // absolute once parsed
    std::string digestPath;
    std::string userDir;                // --user-dir: records, screenshots and settings.ini
    std::string dataDir;                // --data-dir: the folder holding the game's data
    bool verbose = false;               // print the folders chosen
    std::vector<std::string> settings;  // --set key=value, applied over settings.ini
};

// What to do after parsing: run the game, end at once with 0 (help, version), or with 2 (bad usage,
// after one line on stderr).
enum class ParseOutcome { kRun, kExitOk, kUsageError };

ParseOutcome ParseCommandLine(int argc, char** argv, CommandLine* out);

// Every option on a line of its own.
std::string HelpText();

}  // namespace app
