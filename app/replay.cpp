// Replays: digests written with a recording every 60 frames, and checked frame by frame on playback.
#include "app/replay.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include "engine/frame/frame.h"
#include "engine/input/recorder.h"
#include "game/services/user_folder.h"
#include "game/shell/digest.h"
#include "game/shell/records.h"
#include "game/state.h"
#include "platform/common/private_folder.h"

namespace app {

namespace {
constexpr int64_t kDigestEvery = 60;
}  // namespace

void AddRecordFilesToRecording() {
    // Read as the game reads them (regular files only, so a pipe in their place cannot hang the start).
    for (const char* name : {"score.dat", "start.dat"}) {
        int32_t value = 0;
        if (game::ReadRecordFile(game::UserPath(std::string("Option/") + name), &value))
            engine::AddRecordingHeader(std::string("record ") + name + " " + std::to_string(value));
    }
}

namespace {

constexpr const char* kScratchPrefix = "replay-";

// The folders to remove should a signal end the run, and the lock that keeps the signal thread from
// removing a folder while it is made or removed by the main thread.
std::mutex& CleanUpLock() {
    static std::mutex lock;
    return lock;
}
std::vector<std::string>& FoldersToRemove() {
    static std::vector<std::string> folders;
    return folders;
}

bool WriteRecord(const std::filesystem::path& file, long long value) {
    std::FILE* f = std::fopen(file.c_str(), "wbx");  // a fresh folder: nothing may be there yet
    if (!f) return false;
    const bool written = std::fprintf(f, "%lld\r\n", value) > 0;
    return std::fclose(f) == 0 && written;
}

}  // namespace

ScratchFolder::ScratchFolder(const std::vector<scripted::ScriptRecord>& records) {
    namespace fs = std::filesystem;
    std::string base = platform::ScratchBase(&error_);
    std::lock_guard<std::mutex> guard(CleanUpLock());
    if (!base.empty()) {
        RemoveStaleScratchFolders(base);
        std::random_device random;
        for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
            const fs::path candidate =
                fs::path(base) / (kScratchPrefix + std::to_string(getpid()) + "-" + std::to_string(random()));
            if (mkdir(candidate.c_str(), 0700) == 0) folder_ = candidate.string();
        }
    } else {
        // Another user may hold the private folder's name in /tmp: a fresh folder of a name nobody
        // can have taken beforehand (made with mode 700 and refused if the name exists) serves as well.
        const char* tmp = std::getenv("TMPDIR");
        base = tmp && tmp[0] == '/' ? tmp : "/tmp";
        std::string name = base + "/velmoran-" + kScratchPrefix + std::to_string(getpid()) + "-XXXXXX";
        if (mkdtemp(name.data())) folder_ = name;
    }
    if (folder_.empty()) {
        error_ = "no folder could be made in " + base + (error_.empty() ? "" : " (" + error_ + ")");
        return;
    }
    error_.clear();
    FoldersToRemove().push_back(folder_);
    const fs::path folder = folder_;
    if (mkdir((folder / "Option").c_str(), 0700) != 0 || mkdir((folder / "ScreenShots").c_str(), 0700) != 0) {
        error_ = folder_ + " could not be filled";
        return;
    }
    for (const scripted::ScriptRecord& r : records)
        if (!WriteRecord(folder / "Option" / r.file, r.value)) {
            error_ = (folder / "Option" / r.file).string() + " could not be written";
            return;
        }
    ok_ = true;
}

ScratchFolder::~ScratchFolder() {
    if (folder_.empty()) return;
    std::lock_guard<std::mutex> guard(CleanUpLock());
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    auto& folders = FoldersToRemove();
    folders.erase(std::remove(folders.begin(), folders.end(), folder_), folders.end());
}

int RemoveStaleScratchFolders(const std::string& base) {
    namespace fs = std::filesystem;
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(kScratchPrefix, 0) != 0) continue;
        // "replay-PID-N": stale when no process of that number runs any more.
        const long long pid = std::atoll(name.c_str() + std::strlen(kScratchPrefix));
        if (pid <= 0 || pid == getpid() || kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
        struct stat st {};
        if (lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) continue;
        std::error_code removeError;
        if (fs::remove_all(it->path(), removeError) > 0 && !removeError) ++removed;
    }
    return removed;
}

void CleanUpForAnEndNow() {
    // Held to the end: the main thread can neither make nor remove a folder meanwhile. Not waited for
    // when the main thread itself holds it (the display lost in the middle of making one).
    if (!CleanUpLock().try_lock()) return;
    std::error_code ec;
    for (const std::string& folder : FoldersToRemove()) std::filesystem::remove_all(folder, ec);
    engine::AbandonRecording();
}

// No signal ever reaches a wasm program (node or the browser ends it itself), and there each thread
// holds one of the few workers made at start-up: no watchers.
#ifdef __EMSCRIPTEN__
void EndSignalsCleanUp() {}
void EndSignalsQuitInOrder() {}
#else
namespace {

sigset_t& EndSignals() {
    static sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGHUP, SIGINT}) sigaddset(&set, s);
    return set;
}

int WaitForEndSignal() {
    int signal = 0;
    while (sigwait(&EndSignals(), &signal) != 0) {
    }
    return signal;
}

// The signal ends the program as it would have without the thread that took it.
[[noreturn]] void EndBySignal(int signal) {
    CleanUpForAnEndNow();
    std::signal(signal, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &EndSignals(), nullptr);
    raise(signal);
    _exit(128 + signal);
}

}  // namespace

void EndSignalsCleanUp() {
    if (pthread_sigmask(SIG_BLOCK, &EndSignals(), nullptr) != 0) return;
    std::thread([] { EndBySignal(WaitForEndSignal()); }).detach();
}

void EndSignalsQuitInOrder() {
    if (pthread_sigmask(SIG_BLOCK, &EndSignals(), nullptr) != 0) return;
    std::thread([] {
        const int first = WaitForEndSignal();
        engine::RequestQuit();
        // A second signal, or a game that does not get to its next frame (a dialog open, a stuck
        // device), ends it at once.
        std::thread([] { EndBySignal(WaitForEndSignal()); }).detach();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        std::fprintf(stderr, "velmoran: the game did not end in order after the signal; it ends now\n");
        EndBySignal(first);
    }).detach();
}
#endif

void RecordFrameDigest() {
    if (!engine::IsRecording() || engine::FramesPumped() % kDigestEvery != 0) return;
    engine::RecordDigest(game::StateDigest());
}

void RecordDigestNow() {
    if (!engine::IsRecording() || engine::FramesPumped() % kDigestEvery == 0) return;
    engine::RecordDigest(game::StateDigest());
}

void RecordFinalDigest() { engine::RecordDigest(game::StateDigest(), true); }

void ReplayCheck::AfterFrame() { Check(engine::FramePumps(), false); }

void ReplayCheck::Check(int64_t frame, bool atEnd) {
    while (next_ < digests_.size() && digests_[next_].frame <= frame && (atEnd || !digests_[next_].atEnd)) {
        const scripted::ScriptDigest& d = digests_[next_++];
        if (firstBad_ >= 0) continue;
        const uint64_t now = game::StateDigest();
        if (d.frame == frame && d.atEnd == atEnd && d.digest == now) {
            ++matched_;
            lastGood_ = frame;
            continue;
        }
        // A recorded frame passed without a frame ending on it is as wrong as a different digest.
        firstBad_ = d.frame;
        want_ = d.digest;
        got_ = d.frame == frame && d.atEnd == atEnd ? now : 0;
    }
}

int ReplayCheck::Finish(int result) {
    Check(engine::FramePumps(), true);
    std::fputs(RunReport(result).c_str(), stdout);
    if (firstBad_ >= 0) {
        std::printf("replay differs at frame %" PRId64 ": recorded digest %016" PRIx64
                    ", replayed %016" PRIx64 " (frame %" PRId64 " still agreed)\n",
                    firstBad_, want_, got_, lastGood_);
        return 1;
    }
    if (next_ < digests_.size()) {
        std::printf("replay differs: it ended at frame %" PRId64
                    ", before the digest recorded for frame %" PRId64 " (frame %" PRId64 " still agreed)\n",
                    engine::FramePumps(), digests_[next_].frame, lastGood_);
        return 1;
    }
    std::printf("verified %zu digests\n", matched_);
    return result == 0 ? 0 : 1;
}

namespace {
int reachedStage = 0;
}  // namespace

void FollowStage() {
    if (game::gameState.stage > 0) reachedStage = game::gameState.stage;
}

std::string RunReport(int result) {
    const game::GameState& gs = game::gameState;
    // A game begun from the stage select does not count for a score table: the stages it opens come
    // from the records, and a replay's records are whatever its file says.
    const int counted = gs.fromStageSelect == 0 ? gs.score : 0;
    char text[512];
    std::snprintf(text, sizeof text,
                  "exit %d\nframes %lld\nstage %d\nscore %d\nlives %d\nbunnyHealth %d\nhighScore %d\n"
                  "highestStage %d\nselectedStage %d\ncountedScore %d\nreachedStage %d\ndigest %016llx\n",
                  result, static_cast<long long>(engine::FramesPumped()), gs.stage, gs.score, gs.lives,
                  gs.bunnyHealth, gs.highScore, gs.highestStage, gs.selectedStage, counted, reachedStage,
                  static_cast<unsigned long long>(game::StateDigest()));
    return text;
}

}  // namespace app
