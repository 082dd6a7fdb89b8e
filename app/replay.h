// Replays: recording digests into a recording, checking a replay's digests, and the run's report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/input_script.h"

namespace app {

// Puts what the game's record files hold now (high score, highest stage) into the recording.
void AddRecordFilesToRecording();

// A folder of its own for a replay, with the recorded record files and the program's data, so that the
// replay plays from the recorded records and never touches the player's. Entered at once, left and
// removed when destroyed.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::vector<scripted::ScriptRecord>& records);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool Ok() const { return ok_; }

private:
    std::string previous_, folder_;
    bool ok_ = false;
};

// Called after every frame: every 60th frame's digest goes into the recording.
void RecordFrameDigest();
// At the end of a recorded run: the digest of the state the run ended in.
void RecordFinalDigest();

// Checks a replay against the digests it carries, after every frame and at the end.
class ReplayCheck {
public:
    explicit ReplayCheck(std::vector<scripted::ScriptDigest> digests) : digests_(std::move(digests)) {}
    void AfterFrame();
    // At the end of the run: checks the final digest, prints the report; returns the exit code.
    int Finish(int result);

private:
    void Check(int64_t frame, bool atEnd);
    std::vector<scripted::ScriptDigest> digests_;
    size_t next_ = 0;
    size_t matched_ = 0;
    int64_t lastGood_ = 0;
    int64_t firstBad_ = -1;
    uint64_t want_ = 0, got_ = 0;
};

// The lines of a run's report: frames, stage, score, lives, the bunny's health, records, digest.
std::string RunReport(int result);

}  // namespace app
