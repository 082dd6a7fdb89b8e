// Replay benchmark: records a 10,000-frame autopilot game, then times --verify (no pixels) and a
// headless replay with pixels. Usage: bench_verify [--frames N]   (prints seconds and frames/s)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Runs a command and returns its wall time in seconds, or -1 when it failed.
double Timed(const std::string& command) {
    const auto start = Clock::now();
    const int rc = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return rc == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    long frames = 10000;
    if (argc == 3 && std::string(argv[1]) == "--frames") frames = std::atol(argv[2]);
    if (frames <= 0) return std::fprintf(stderr, "bench_verify: --frames takes a positive number\n"), 2;
    // The game runs in a folder of its own, so the build's records stay as they are.
    const fs::path build = VELMORAN_BUILD_DIR;
    const fs::path work =
        fs::temp_directory_path() / ("velmoran-bench-verify-" + std::to_string(std::rand()));
    fs::create_directories(work / "Option");
    fs::create_directories(work / "ScreenShots");
    fs::copy_file(build / "velmoran", work / "velmoran");
    fs::create_directory_symlink(build / "data", work / "data");
    const std::string exe = (work / "velmoran").string(), rec = (work / "game.rec").string();
    const std::string n = std::to_string(frames);
    const double record =
        Timed(exe + " --headless --nosound --autoplay --frames " + n + " --record " + rec + " >/dev/null");
    const double pixels = Timed(exe + " --headless --nosound --input " + rec + " >/dev/null");
    const double verify = Timed(exe + " --verify " + rec + " >/dev/null");
    std::error_code ec;
    fs::remove_all(work, ec);
    if (record < 0 || pixels < 0 || verify < 0)
        return std::fprintf(stderr, "bench_verify: a run failed\n"), 1;
    std::printf("frames                       %ld\n", frames);
    std::printf("autopilot game, recording    %.3f s  %8.0f frames/s (pixels)\n", record, frames / record);
    std::printf("replay with pixels           %.3f s  %8.0f frames/s\n", pixels, frames / pixels);
    std::printf("--verify without pixels      %.3f s  %8.0f frames/s\n", verify, frames / verify);
    return 0;
}
