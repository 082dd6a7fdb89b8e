// Frame pacing in a real window: CPU used by an idle game and the spread of frame intervals.
// Run under a display (e.g. xvfb-run -a build/bench_pacing); prints one figure per line.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/input/input.h"
#include "engine/platform.h"
#include "game/services/frame_rhythm.h"
#include "game/shell/reset_all.h"
#include "game/state.h"
#include "platform/sdl2/sdl_platform.h"

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main() {
    platform::Options options;
    options.noSound = true;
    platform::Install(sdl::MakeSdlPlatform(options));
    platform::Platform* p = platform::Current();
    game::ResetAll();
    engine::SetWindowTitle("VELMORAN pacing");
    engine::ChangeWindowMode(1);
    engine::SetLogEnabled(0);
    if (engine::InitEngine() != 0) {
        std::fprintf(stderr, "bench_pacing: %s\n", engine::LastEngineError().c_str());
        return 1;
    }
    engine::SetScreenMode(640, 480, 32, 60);
    constexpr int kFrames = 600;
    std::vector<double> intervals;
    for (int i = 0; i < 30; ++i) game::EndFrame();  // settle
    const double cpu0 = CpuSeconds();
    uint64_t last = p->NowMicros();
    const uint64_t start = last;
    for (int i = 0; i < kFrames; ++i) {
        game::PollInput();
        game::EndFrame();
        const uint64_t now = p->NowMicros();
        intervals.push_back(double(now - last) / 1000.0);
        last = now;
    }
    const double wall = double(last - start) / 1e6;
    const double cpu = CpuSeconds() - cpu0;
    engine::EndEngine();
    platform::Install(nullptr);

    std::vector<double> sorted = intervals;
    std::sort(sorted.begin(), sorted.end());
    double mean = 0;
    for (double v : intervals) mean += v;
    mean /= double(intervals.size());
    std::printf("frames: %d over %.2f s\n", kFrames, wall);
    std::printf("frame interval mean: %.3f ms\n", mean);
    std::printf("frame interval p50: %.3f ms, p99: %.3f ms, max: %.3f ms, min: %.3f ms\n",
                sorted[sorted.size() / 2], sorted[size_t(double(sorted.size()) * 0.99)], sorted.back(),
                sorted.front());
    std::printf("idle CPU: %.2f %% of one core\n", 100.0 * cpu / wall);
    return 0;
}
