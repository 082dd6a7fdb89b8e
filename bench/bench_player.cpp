// Speed where the player feels it: the CPU from start-up to the title's first frame, the first frame
// of every screen (each stage, the results, the title after a game) and the resident memory of a long
// game, each as the median and p90 over repeated runs.
//
// Usage: bench_player [--runs N] [--frames N] [--window-frames N] [--no-memory] [--program PATH]
//   Start-up and memory run the built program itself (getrusage of the child: CPU, peak resident
//   memory). Under a display (xvfb-run -a) the window's figures are added; a window runs in real
//   time, so --window-frames (default 20000, 333 s) sets the length of its memory game. --program
//   times another build of the program (a copy of an older build, to compare in one sitting).
//   The first frames run the game in a forked child of this program on the same back-end, engine and
//   game code, timing each frame from its observer: the main thread's CPU (what delays the frame on
//   any machine), the process's CPU (draw threads and the picture prefetch as well) and the wall time
//   (the headless clock is virtual, so wall time is work and waits for other threads only).
//   Scenarios: START clicked at the first possible frame by the autopilot, START clicked late
//   (frame 120), and the golden games (the stage select straight away, a game to its results).
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/autopilot.h"
#include "engine/input/controls.h"
#include "engine/platform.h"
#include "game/services/frame_rhythm.h"
#include "game/services/user_folder.h"
#include "game/shell/main_loop.h"
#include "game/shell/records.h"
#include "game/shell/reset_all.h"
#include "game/stage/stage_loader.h"
#include "game/state.h"
#include "platform/common/input_script.h"
#include "platform/headless/headless_platform.h"

namespace {

namespace fs = std::filesystem;

struct Figures {
    std::vector<double> values;
    void Add(double v) { values.push_back(v); }
    double At(double p) const {
        if (values.empty()) return 0;
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
    }
};

void Print(const char* what, const Figures& f, const char* unit, double scale = 1) {
    if (f.values.empty()) return;
    std::printf("  %-44s median %8.2f %s  p90 %8.2f %s  (n=%zu)\n", what, f.At(0.5) * scale, unit,
                f.At(0.9) * scale, unit, f.values.size());
}

// ---- The built program, as a child process ----

struct ChildUse {
    bool ok = false;
    double cpuSeconds = 0;  // user + system, the child's threads together
    double peakMib = 0;     // the resident high-water mark
};

ChildUse RunProgram(const std::vector<std::string>& args) {
    ChildUse use;
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) return use;
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (!std::freopen("/dev/null", "w", stdout)) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) != pid) return use;
    use.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    use.cpuSeconds = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                     double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    use.peakMib = double(ru.ru_maxrss) / 1024.0;
    return use;
}

// ---- The game in a forked child, timed frame by frame ----

double Clock(clockid_t id) {
    timespec t{};
    clock_gettime(id, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;  // milliseconds
}

struct FrameTimes {
    std::string screen;
    double thread = 0, process = 0, wall = 0;  // ms since the previous frame's end
};

std::vector<FrameTimes>* frames = nullptr;
double lastThread = 0, lastProcess = 0, lastWall = 0;

// The screen a frame belongs to; a stage is named by the number it began with (its last frame
// may already hold the next stage's, or 0).
std::string Screen() {
    static int stage = 0;
    const game::GameState& gs = game::gameState;
    if (!game::StageLoaded()) return gs.gameEnded ? "results" : "title";
    if (gs.frameCount == 1) stage = gs.stage;
    return "stage " + std::to_string(stage);
}

void Observe() {
    const double t = Clock(CLOCK_THREAD_CPUTIME_ID), p = Clock(CLOCK_PROCESS_CPUTIME_ID),
                 w = Clock(CLOCK_MONOTONIC);
    frames->push_back({Screen(), t - lastThread, p - lastProcess, w - lastWall});
    lastThread = t, lastProcess = p, lastWall = w;
}

struct Scenario {
    std::string name;
    std::string script;  // an input script (empty: none)
    int autopilot = 0;   // 0 none, 1 plays the stages, 2 also clicks through the menus
    long frames = 0;
};

// Plays the scenario in this (forked) process and writes one line a screen change to `out`:
// the screen, then the first frame's thread, process and wall milliseconds, then the median of the
// frames that follow on the same screen; a last line "peak MiB".
void PlayScenario(const Scenario& s, const fs::path& userDir, std::FILE* out) {
    scripted::InputScript script;
    std::string error;
    if (!s.script.empty() && !scripted::LoadInputScript(s.script, &script, &error)) {
        std::fprintf(stderr, "bench_player: %s\n", error.c_str());
        _exit(3);
    }
    fs::create_directories(userDir / "Option");
    for (const scripted::ScriptRecord& r : script.records)
        game::WriteRecordFile((userDir / "Option" / r.file).string(), int32_t(r.value));
    platform::Options options;
    options.noSound = true;
    options.frameLimit = s.frames;
    options.inputScript = s.script;
    platform::Install(std::make_unique<headless::HeadlessPlatform>(options, std::move(script)));
    engine::SetControls(engine::Controls{});
    std::unique_ptr<engine::InputSource> pilot;
    if (s.autopilot) {
        pilot = app::MakeAutopilot(s.autopilot == 2);
        engine::SetInputSource(pilot.get());
    }
    if (chdir(VELMORAN_BUILD_DIR) != 0) _exit(3);
    game::SetUserFolder(userDir.string());
    std::vector<FrameTimes> times;
    frames = &times;
    game::ResetAll();
    game::SetFrameObserver(Observe);
    game::RunGame(game::ScreenChoice::kWindow);
    engine::SetInputSource(nullptr);
    platform::Install(nullptr);
    size_t i = 0;
    while (i < times.size()) {
        size_t j = i + 1;
        std::vector<double> rest;
        while (j < times.size() && times[j].screen == times[i].screen) rest.push_back(times[j++].thread);
        std::sort(rest.begin(), rest.end());
        std::fprintf(out, "%s|%.4f %.4f %.4f %.4f\n", times[i].screen.c_str(), times[i].thread,
                     times[i].process, times[i].wall, rest.empty() ? 0.0 : rest[rest.size() / 2]);
        i = j;
    }
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            std::fprintf(out, "peak|%.1f\n", std::atof(line.c_str() + 6) / 1024);
}

struct ScreenStart {
    std::string screen;
    double thread = 0, process = 0, wall = 0, steady = 0;
};

// Runs the scenario in a child; the screen starts in order, and the peak.
bool RunScenario(const Scenario& s, const fs::path& work, std::vector<ScreenStart>* starts, double* peak) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        close(fds[0]);
        if (!std::freopen("/dev/null", "w", stdout)) _exit(3);
        std::FILE* out = fdopen(fds[1], "w");
        PlayScenario(s, work / ("user-" + std::to_string(getpid())), out);
        std::fclose(out);
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t bar = line.find('|');
        if (bar == std::string::npos) continue;
        const std::string screen = line.substr(0, bar);
        std::istringstream values(line.substr(bar + 1));
        if (screen == "peak") {
            values >> *peak;
            continue;
        }
        ScreenStart st;
        st.screen = screen;
        values >> st.thread >> st.process >> st.wall >> st.steady;
        starts->push_back(st);
    }
    return true;
}

std::string Arg(int argc, char** argv, const char* name, const char* fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    return fallback;
}
bool Flag(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = std::max(1, std::atoi(Arg(argc, argv, "--runs", "7").c_str()));
    const long gameFrames = std::max(1L, std::atol(Arg(argc, argv, "--frames", "20000").c_str()));
    const long windowFrames = std::max(1L, std::atol(Arg(argc, argv, "--window-frames", "20000").c_str()));
    const bool memory = !Flag(argc, argv, "--no-memory");
    const bool window = std::getenv("DISPLAY") && *std::getenv("DISPLAY");
    const fs::path build = VELMORAN_BUILD_DIR, source = VELMORAN_SOURCE_DIR;
    const fs::path work = fs::temp_directory_path() / ("velmoran-bench-player-" + std::to_string(getpid()));
    fs::create_directories(work);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string exe = Arg(argc, argv, "--program", (build / "velmoran").c_str()),
                      user = (work / "user").string();
    fs::create_directories(user);

    std::printf("bench_player: %d runs\n", runs);
    std::printf("start-up to the title's first frame (the program, --frames 1: start-up and end)\n");
    Figures headlessCpu, windowCpu, verifyCpu;
    const std::string lastShip = (source / "tests/e2e/goldens/last_ship.rec").string();
    for (int r = 0; r < runs; ++r) {
        const ChildUse h = RunProgram({exe, "--headless", "--nosound", "--frames", "1", "--user-dir", user});
        if (h.ok) headlessCpu.Add(h.cpuSeconds);
        if (window) {
            const ChildUse w =
                RunProgram({exe, "--window", "--nosound", "--frames", "1", "--user-dir", user});
            if (w.ok) windowCpu.Add(w.cpuSeconds);
        }
        const ChildUse v = RunProgram({exe, "--verify", lastShip});
        if (v.ok) verifyCpu.Add(v.cpuSeconds);
    }
    Print("CPU, headless", headlessCpu, "s");
    Print("CPU, window", windowCpu, "s");
    Print("CPU, --verify last_ship.rec (1500 frames)", verifyCpu, "s");

    const fs::path late = work / "late.input";
    std::ofstream(late) << "velmoran-input 2\nseed 7\n120 button left down\n121 button left up\n";
    const std::vector<Scenario> scenarios = {
        {"START at once (autopilot)", "", 2, gameFrames},
        {"START at frame 120", late.string(), 1, 600},
        {"stage select 2 (golden)", (source / "tests/e2e/goldens/stage_select_2.rec").string(), 0, 0},
        {"stage select 3 (golden)", (source / "tests/e2e/goldens/stage_select_3.rec").string(), 0, 0},
        {"stage select 4 (golden)", (source / "tests/e2e/goldens/stage_select_4.rec").string(), 0, 0},
        {"last ship: results, title (golden)", lastShip, 0, 0},
    };
    std::printf("first frame of each screen (ms since the frame before ended; the game in a child)\n");
    Figures inProcessPeak;
    for (const Scenario& s : scenarios) {
        std::map<std::string, Figures> thread, process, wall, steady;
        std::vector<std::string> order;
        for (int r = 0; r < runs; ++r) {
            std::vector<ScreenStart> starts;
            double peak = 0;
            if (!RunScenario(s, work, &starts, &peak)) {
                std::fprintf(stderr, "bench_player: the scenario \"%s\" failed\n", s.name.c_str());
                continue;
            }
            if (s.frames == gameFrames) inProcessPeak.Add(peak);
            std::map<std::string, int> seen;
            for (size_t i = 0; i < starts.size(); ++i) {
                std::string key = i == 0 ? "title (start-up)" : starts[i].screen;
                if (++seen[key] > 1) key += " #" + std::to_string(seen[key]);
                if (!thread.count(key)) order.push_back(key);
                thread[key].Add(starts[i].thread);
                process[key].Add(starts[i].process);
                wall[key].Add(starts[i].wall);
                steady[key].Add(starts[i].steady);
            }
        }
        std::printf(" %s\n", s.name.c_str());
        for (const std::string& key : order) {
            if (key == "title (start-up)") {
                Print((key + ": process CPU to it").c_str(), process[key], "ms");
                continue;
            }
            Print((key + ": main thread CPU").c_str(), thread[key], "ms");
            Print((key + ": process CPU").c_str(), process[key], "ms");
            Print((key + ": wall").c_str(), wall[key], "ms");
            Print((key + ": later frames, main thread").c_str(), steady[key], "ms");
        }
    }

    if (memory) {
        std::printf("resident memory at its peak (the program, an autopilot game)\n");
        Figures headlessPeak, windowPeak;
        const int memoryRuns = std::max(1, runs / 2);
        for (int r = 0; r < memoryRuns; ++r) {
            const ChildUse h = RunProgram({exe, "--headless", "--nosound", "--autoplay", "--frames",
                                           std::to_string(gameFrames), "--user-dir", user});
            if (h.ok) headlessPeak.Add(h.peakMib);
        }
        Print(("headless, " + std::to_string(gameFrames) + " frames").c_str(), headlessPeak, "MiB");
        Print("in the child above (VmHWM)", inProcessPeak, "MiB");
        if (window) {
            const ChildUse w = RunProgram({exe, "--window", "--nosound", "--autoplay", "--frames",
                                           std::to_string(windowFrames), "--user-dir", user});
            if (w.ok) windowPeak.Add(w.peakMib);
            Print(("window, " + std::to_string(windowFrames) + " frames").c_str(), windowPeak, "MiB");
        }
    }
    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
