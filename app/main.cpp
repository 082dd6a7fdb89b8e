// The program entry: the command line, the back-end, the working folder, then the game.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

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

const char kHelp[] =
    "Usage: velmoran [options]\n"
    "  --window              play in a window (skips the start-up question)\n"
    "  --fullscreen          play full screen (skips the start-up question)\n"
    "  --headless            no window and no sound card: memory screen, virtual clock\n"
    "  --frames N            end normally after N frames\n"
    "  --input FILE          drive the inputs from an input script (see docs/input-script.md)\n"
    "  --mouse-mode MODE     relative (default) or warp: how steering reads the mouse\n"
    "  --mouse-sensitivity X scale the steering motion (default 1.0)\n"
    "  --integer-scale       scale the picture by whole steps only\n"
    "  --nosound             play silently\n"
    "  --audio-capture FILE  headless: write everything the mixer played to a WAV file\n"
    "  --summary FILE        at the end, write a short text summary of the run (for tests)\n"
    "  --digest FILE         write the frame number and the game's state digest after every frame\n"
    "  --help                show this text\n"
    "  --version             show the version\n";

int Usage(const std::string& message) {
    std::fprintf(stderr, "velmoran: %s (try --help)\n", message.c_str());
    return kUsageError;
}

bool ParseNumber(const std::string& text, long long lo, long long hi, long long* out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
    *out = v;
    return true;
}

// "data", "Option" and "ScreenShots" sit beside the program wherever it is started from.
void EnterProgramFolder(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = std::filesystem::absolute(argv0, ec);
    if (!ec && self.has_parent_path()) std::filesystem::current_path(self.parent_path(), ec);
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
    platform::Options options;
    game::ScreenChoice choice = game::ScreenChoice::kAsk;
    bool headlessMode = false;
    std::string summaryPath, digestPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("velmoran %s\n", VELMORAN_VERSION);
            return 0;
        } else if (arg == "--window") {
            choice = game::ScreenChoice::kWindow;
        } else if (arg == "--fullscreen") {
            choice = game::ScreenChoice::kFullScreen;
        } else if (arg == "--headless") {
            headlessMode = true;
        } else if (arg == "--frames") {
            long long n = 0;
            if (!value(&v) || !ParseNumber(v, 1, 1ll << 40, &n))
                return Usage("--frames takes a whole number of frames, 1 or more");
            options.frameLimit = n;
        } else if (arg == "--input") {
            if (!value(&options.inputScript) || options.inputScript.empty())
                return Usage("--input takes a file name");
        } else if (arg == "--mouse-mode") {
            if (!value(&v) || (v != "relative" && v != "warp"))
                return Usage("--mouse-mode takes relative or warp");
            options.mouseMode = v == "warp" ? platform::MouseMode::kWarp : platform::MouseMode::kRelative;
        } else if (arg == "--mouse-sensitivity") {
            char* end = nullptr;
            if (!value(&v)) return Usage("--mouse-sensitivity takes a number");
            const double s = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !(s > 0.0 && s <= 100.0))
                return Usage("--mouse-sensitivity takes a number above 0 and at most 100");
            options.mouseSensitivity = s;
        } else if (arg == "--integer-scale") {
            options.integerScale = true;
        } else if (arg == "--nosound") {
            options.noSound = true;
        } else if (arg == "--audio-capture") {
            if (!value(&options.audioCapture) || options.audioCapture.empty())
                return Usage("--audio-capture takes a file name");
        } else if (arg == "--digest") {
            if (!value(&digestPath) || digestPath.empty()) return Usage("--digest takes a file name");
        } else if (arg == "--summary") {
            if (!value(&summaryPath) || summaryPath.empty()) return Usage("--summary takes a file name");
        } else {
            return Usage("unknown option \"" + arg + "\"");
        }
    }

    // Files named on the command line are relative to where the program was started.
    std::error_code ec;
    if (!options.inputScript.empty())
        options.inputScript = std::filesystem::absolute(options.inputScript, ec).string();
    if (!summaryPath.empty()) summaryPath = std::filesystem::absolute(summaryPath, ec).string();
    if (!digestPath.empty()) {
        digestFile = std::fopen(std::filesystem::absolute(digestPath, ec).string().c_str(), "w");
        if (!digestFile) {
            std::fprintf(stderr, "velmoran: %s cannot be written\n", digestPath.c_str());
            return kUsageError;
        }
        game::SetFrameObserver(WriteDigestLine);
    }
    if (!options.audioCapture.empty())
        options.audioCapture = std::filesystem::absolute(options.audioCapture, ec).string();

    if (headlessMode) {
        headless::InputScript script;
        std::string error;
        if (!options.inputScript.empty() &&
            !headless::LoadInputScript(options.inputScript, &script, &error)) {
            std::fprintf(stderr, "velmoran: %s\n", error.c_str());
            return kUsageError;
        }
        platform::Install(std::make_unique<headless::HeadlessPlatform>(options, std::move(script)));
    } else {
        if (!options.inputScript.empty()) return Usage("--input needs --headless");
        platform::Install(sdl::MakeSdlPlatform(options));
    }

    EnterProgramFolder(argv[0]);
    game::ResetAll();
    const int result = game::RunGame(choice);
    if (result == -1 && !engine::LastEngineError().empty())
        std::fprintf(stderr, "velmoran: %s\n", engine::LastEngineError().c_str());
    if (!summaryPath.empty()) WriteSummary(summaryPath, result);
    if (digestFile) std::fclose(digestFile);
    platform::Install(nullptr);
    return result;
}
