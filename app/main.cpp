// The program entry: the command line, the back-end, the working folder, then the game.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "engine/frame/frame.h"
#include "engine/platform.h"
#include "game/services/frame_rhythm.h"
#include "game/shell/digest.h"
#include "game/shell/main_loop.h"
#include "game/shell/reset_all.h"
#include "game/state.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl2/sdl_platform.h"

namespace {

constexpr int kUsageError = 2;

// "data", "Option" and "ScreenShots" sit beside the program wherever it is started from.
void EnterProgramFolder(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = std::filesystem::absolute(argv0, ec);
    if (!ec && self.has_parent_path()) std::filesystem::current_path(self.parent_path(), ec);
}

// Without its data the game would open a black window that closes on the first click: say so first.
bool DataPresent() {
    std::error_code ec;
    if (std::filesystem::is_directory("data", ec) || std::filesystem::is_regular_file("data.ZRA", ec))
        return true;
    std::fprintf(stderr, "velmoran: no game data beside the program (%s/data is missing); %s\n",
                 std::filesystem::current_path(ec).c_str(), game::DataAdvice().c_str());
    return false;
}

std::FILE* digestFile = nullptr;

void WriteDigestLine() {
    std::fprintf(digestFile, "%lld %016llx\n", static_cast<long long>(engine::FramesPumped()),
                 static_cast<unsigned long long>(game::StateDigest()));
}

// A diff-friendly record of how the run ended, for end-to-end tests.
void WriteSummary(const std::string& path, int result) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return;
    const game::GameState& gs = game::gameState;
    std::fprintf(f,
                 "exit %d\nframes %lld\nstage %d\nscore %d\nlives %d\nhighScore %d\nhighestStage "
                 "%d\nselectedStage %d\n",
                 result, static_cast<long long>(engine::FramesPumped()), gs.stage, gs.score, gs.lives,
                 gs.highScore, gs.highestStage, gs.selectedStage);
    std::fprintf(f, "digest %016llx\n", static_cast<unsigned long long>(game::StateDigest()));
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write should fail and be reported (the records keep their old value),
    // not kill the game.
    std::signal(SIGXFSZ, SIG_IGN);
    app::CommandLine cl;
    switch (app::ParseCommandLine(argc, argv, &cl)) {
        case app::ParseOutcome::kRun:
            break;
        case app::ParseOutcome::kExitOk:
            return 0;
        case app::ParseOutcome::kUsageError:
            return kUsageError;
    }
    platform::Options& options = cl.options;
    if (!cl.digestPath.empty()) {
        digestFile = std::fopen(cl.digestPath.c_str(), "w");
        if (!digestFile) {
            std::fprintf(stderr, "velmoran: %s cannot be written\n", cl.digestPath.c_str());
            return kUsageError;
        }
        game::SetFrameObserver(WriteDigestLine);
    }

    if (cl.headless) {
        headless::InputScript script;
        std::string error;
        if (!options.inputScript.empty() &&
            !headless::LoadInputScript(options.inputScript, &script, &error)) {
            std::fprintf(stderr, "velmoran: %s\n", error.c_str());
            return kUsageError;
        }
        platform::Install(std::make_unique<headless::HeadlessPlatform>(options, std::move(script)));
    } else {
        platform::Install(sdl::MakeSdlPlatform(options));
    }

    EnterProgramFolder(argv[0]);
    if (!DataPresent()) {
        if (digestFile) std::fclose(digestFile);
        platform::Install(nullptr);
        return 1;
    }
    game::ResetAll();
    const int result = game::RunGame(cl.choice);
    if (result == -1 && !engine::LastEngineError().empty())
        std::fprintf(stderr, "velmoran: %s\n", engine::LastEngineError().c_str());
    if (!cl.summaryPath.empty()) WriteSummary(cl.summaryPath, result);
    if (digestFile) std::fclose(digestFile);
    platform::Install(nullptr);
    return result;
}
