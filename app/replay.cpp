// Replays: digests written with a recording every 60 frames, and checked frame by frame on playback.
#include "app/replay.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <random>

#include "engine/frame/frame.h"
#include "engine/input/recorder.h"
#include "game/services/user_folder.h"
#include "game/shell/digest.h"
#include "game/state.h"

namespace app {

namespace {
constexpr int64_t kDigestEvery = 60;
}  // namespace

void AddRecordFilesToRecording() {
    for (const char* name : {"score.dat", "start.dat"}) {
        std::FILE* f = std::fopen(game::UserPath(std::string("Option/") + name).c_str(), "rb");
        if (!f) continue;
        long long value = 0;
        if (std::fscanf(f, "%lld", &value) == 1)
            engine::AddRecordingHeader(std::string("record ") + name + " " + std::to_string(value));
        std::fclose(f);
    }
}

ScratchFolder::ScratchFolder(const std::vector<scripted::ScriptRecord>& records) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path program = fs::current_path(ec);
    if (ec) return;
    previous_ = program.string();
    std::random_device random;
    fs::path folder;
    for (int attempt = 0; attempt < 100 && folder.empty(); ++attempt) {
        fs::path candidate = fs::temp_directory_path(ec) / ("velmoran-verify-" + std::to_string(random()));
        if (!ec && fs::create_directory(candidate, ec) && !ec) folder = candidate;
    }
    if (folder.empty()) return;
    folder_ = folder.string();
    fs::create_directory(folder / "Option", ec);
    fs::create_directory(folder / "ScreenShots", ec);
    fs::create_directory_symlink(program / "data", folder / "data", ec);
    if (ec) return;
    // The pictures and sounds may come from the data archive beside the program.
    if (std::error_code none; fs::is_regular_file(program / "data.ZRA", none)) {
        fs::create_symlink(program / "data.ZRA", folder / "data.ZRA", ec);
        if (ec) return;
    }
    for (const scripted::ScriptRecord& r : records) {
        std::FILE* f = std::fopen((folder / "Option" / r.file).string().c_str(), "wb");
        if (!f) return;
        std::fprintf(f, "%lld\r\n", r.value);
        std::fclose(f);
    }
    fs::current_path(folder, ec);
    ok_ = !ec;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    if (!previous_.empty()) std::filesystem::current_path(previous_, ec);
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
}

void RecordFrameDigest() {
    if (!engine::IsRecording() || engine::FramesPumped() % kDigestEvery != 0) return;
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

std::string RunReport(int result) {
    const game::GameState& gs = game::gameState;
    char text[512];
    std::snprintf(text, sizeof text,
                  "exit %d\nframes %lld\nstage %d\nscore %d\nlives %d\nbunnyHealth %d\nhighScore %d\n"
                  "highestStage %d\nselectedStage %d\ndigest %016llx\n",
                  result, static_cast<long long>(engine::FramesPumped()), gs.stage, gs.score, gs.lives,
                  gs.bunnyHealth, gs.highScore, gs.highestStage, gs.selectedStage,
                  static_cast<unsigned long long>(game::StateDigest()));
    return text;
}

}  // namespace app
