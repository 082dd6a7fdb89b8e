// Window benchmark: what showing the game in a real window costs the processor, under Xvfb.
// Usage: bench_window [--frames N] [--seconds S] [--runs R] [--no-game]
// Without a display it starts itself again under xvfb-run -a -s "-screen 0 1024x768x24".
// Prints, as median and p90:
//  - presenting a 640 x 480 frame through the SDL back-end in this process (N frames, 600 by
//    default): frames that change every time, then the same frame again, in a window of the
//    picture's size and in one stretched to 960 x 720; wall time and thread CPU time of Present;
//  - the real program in a window (SDL_AUDIODRIVER=dummy): its share of a core while the autopilot
//    plays and while it idles at the title, from /proc/PID/stat over R spans of S seconds (5 of 4 s
//    by default), after 3 s to settle.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform.h"
#include "platform/sdl2/sdl_platform.h"

namespace {

struct Figures {
    double median = 0, p90 = 0;
};
Figures Summarise(std::vector<double> v) {
    if (v.empty()) return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 9 / 10)]};
}

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A frame that looks like the game's: a dark field with a scattering of bright sprites, moved by
// `f`, and a steady panel on the right.
void MakeFrame(std::vector<uint32_t>& px, int f) {
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            uint32_t v = 0xFF000000u;
            if (x >= 480) {
                v |= 0x203040u + uint32_t((x * 7 + y * 3) & 0x1F);
            } else {
                const uint32_t h = uint32_t((x + f * 3) * 73856093) ^ uint32_t((y + f) * 19349663);
                v |= (h % 11 == 0) ? (h & 0xFFFFFFu) : 0x000010u + uint32_t(y / 4);
            }
            px[size_t(y) * 640 + size_t(x)] = v;
        }
}

// Present timed over `frames` frames in a window of `w` x `h` (0: the picture's size).
void TimePresent(int frames, int w, int h) {
    platform::Options options;
    options.noSound = true;
    options.gamepad = false;
    options.windowWidth = w, options.windowHeight = h;
    auto p = sdl::MakeSdlPlatform(options);
    platform::WindowSettings settings;
    settings.title = "VELMORAN bench";
    settings.windowed = true;
    settings.resizable = true;
    settings.keepAspect = true;
    std::string error;
    // A display server under load now and then refuses a connection at once: one more try.
    if (!p->OpenWindow(settings, &error)) usleep(1000000);
    if (!error.empty() && !p->OpenWindow(settings, &error)) {
        std::printf("bench_window: no window (%s)\n", error.c_str());
        return;
    }
    std::vector<uint32_t> a(640 * 480), b(640 * 480);
    MakeFrame(a, 0);
    for (int f = 0; f < 30; ++f) {  // the window maps and settles
        p->PumpEvents(true);
        MakeFrame(b, f);
        p->Present(b.data(), 640, 480);
        usleep(5000);
    }
    for (const bool changing : {true, false}) {
        std::vector<double> wall, cpu;
        for (int f = 0; f < frames; ++f) {
            p->PumpEvents(true);
            std::vector<uint32_t>& frame = changing ? (f & 1 ? a : b) : a;
            if (changing) MakeFrame(frame, f);
            const double t = ThreadSeconds(), s = WallSeconds();
            p->Present(frame.data(), 640, 480);
            cpu.push_back((ThreadSeconds() - t) * 1e3);
            wall.push_back((WallSeconds() - s) * 1e3);
        }
        const Figures fw = Summarise(wall), fc = Summarise(cpu);
        std::printf(
            "present, window %s, %s: wall median %.3f ms, p90 %.3f ms; thread CPU median %.3f ms, p90 %.3f "
            "ms "
            "(%d frames)\n",
            w ? "960 x 720 (stretched)" : "640 x 480", changing ? "a new frame each time" : "the same frame",
            fw.median, fw.p90, fc.median, fc.p90, frames);
    }
    p->CloseWindow();
}

// User and system CPU seconds of a process, all its threads.
double ProcessCpu(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::atoll(field.c_str());
        if (i == 15) stime = std::atoll(field.c_str());
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// The real program in a window for settle + runs x seconds: its CPU share per span, in percent.
void ShareOfACore(const char* what, const std::vector<std::string>& extra, int runs, double seconds) {
    char folder[] = "/tmp/bench_window.XXXXXX";
    if (!mkdtemp(folder)) {
        std::printf("bench_window: no scratch folder\n");
        return;
    }
    std::vector<std::string> args = {VELMORAN_BUILD_DIR "/velmoran", "--window", "--user-dir", folder};
    args.insert(args.end(), extra.begin(), extra.end());
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::vector<double> shares;
    bool ended = false;
    if (pid > 0) {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        for (int r = 0; r < runs && !ended; ++r) {
            const double c0 = ProcessCpu(pid), w0 = WallSeconds();
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            const double c1 = ProcessCpu(pid), w1 = WallSeconds();
            ended = c0 < 0 || c1 < 0 || waitpid(pid, nullptr, WNOHANG) == pid;
            if (!ended) shares.push_back((c1 - c0) / (w1 - w0) * 100);
        }
        if (!ended) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (shares.empty()) {
        std::printf("bench_window: the game did not run (%s)\n", what);
        return;
    }
    const Figures f = Summarise(shares);
    std::printf("the game in a window, %s: %.2f %% of a core median, p90 %.2f %% (%zu spans of %.0f s)\n",
                what, f.median, f.p90, shares.size(), seconds);
}

}  // namespace

int main(int argc, char** argv) {
    int frames = 600, runs = 5;
    double seconds = 4;
    bool game = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--frames") && i + 1 < argc)
            frames = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::max(0.5, std::atof(argv[++i]));
        else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--no-game"))
            game = false;
    }
    if (!std::getenv("DISPLAY")) {
        std::vector<char*> again = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                                    const_cast<char*>("-s"), const_cast<char*>("-screen 0 1024x768x24")};
        for (int i = 0; i < argc; ++i) again.push_back(argv[i]);
        again.push_back(nullptr);
        execvp("xvfb-run", again.data());
        std::fprintf(stderr, "bench_window: no display, and xvfb-run could not start\n");
        return 1;
    }
    TimePresent(frames, 0, 0);
    TimePresent(frames, 960, 720);
    if (game) {
        ShareOfACore("autopilot playing", {"--autoplay"}, runs, seconds);
        ShareOfACore("idle at the title", {}, runs, seconds);
    }
    return 0;
}
