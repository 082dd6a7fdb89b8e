// The command line: one table of options, each with its help line and what it sets.
#pragma once

#include <string>

#include "engine/platform.h"
#include "game/shell/main_loop.h"

namespace app {

struct CommandLine {
    platform::Options options;
    game::ScreenChoice choice = game::ScreenChoice::kAsk;
    bool headless = false;
    std::string summaryPath;  // absolute once parsed
    std::string digestPath;
    std::string recordPath;  // --record: what the engine's input reads returned, as an input script
    bool verify = false;     // --verify: replay headless, skip pixels, check the recorded digests
    bool autoplay = false;
};

// What to do after parsing: run the game, end at once with 0 (help, version), or with 2 (bad usage,
// after one line on stderr).
enum class ParseOutcome { kRun, kExitOk, kUsageError };

ParseOutcome ParseCommandLine(int argc, char** argv, CommandLine* out);

// Every option on a line of its own.
std::string HelpText();

}  // namespace app
