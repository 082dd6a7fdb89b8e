// Replays: recording digests into a recording, checking a replay's digests, and the run's report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/input_script.h"

namespace app {

// Puts what the game's record files hold now (high score, highest stage) into the recording.
void AddRecordFilesToRecording();

// A folder of its own for a replay, holding the recorded record files (none: empty records), where
// the replay's records and screenshots go, so that a replay never touches the player's files. It lives
// in this user's private scratch folder (never one another user could have planted) and is removed when
// destroyed, or by EndSignalsCleanUp when the run is ended by a signal.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::vector<scripted::ScriptRecord>& records);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool Ok() const { return ok_; }
    const std::string& Path() const { return folder_; }
    const std::string& Error() const { return error_; }

private:
    std::string folder_, error_;
    bool ok_ = false;
};

// Removes the scratch folders in `base` left by replays of this user that were killed; the number
// removed.
int RemoveStaleScratchFolders(const std::string& base);

// Hands SIGTERM, SIGHUP and SIGINT to a thread of their own, which removes the replay's scratch folder
// and abandons an unfinished recording before the signal ends the program. Called before any other
// thread starts, so that every thread inherits the blocked signals.
void EndSignalsCleanUp();
// A plain game: SIGTERM, SIGHUP and SIGINT ask the game to end in order, at its next frame, as the
// window's close button does (records and settings kept); a game that has not ended 5 seconds later,
// or a second signal, ends at once as EndSignalsCleanUp does. Called before any other thread starts.
void EndSignalsQuitInOrder();
// What must not outlive a run that ends at once (the display gone, a signal): the scratch folder is
// removed and an unfinished recording abandoned. Safe from any thread; never waits for the main thread.
void CleanUpForAnEndNow();

// Called after every frame: every 60th frame's digest goes into the recording.
void RecordFrameDigest();
// This frame's digest into the recording, unless it has it already (the end of a game to send).
void RecordDigestNow();
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

// The lines of a run's report: frames, stage, score, lives, the bunny's health, records, the score a
// score table may take (the last game's, unless it began from the stage select), the last stage
// played, digest.
std::string RunReport(int result);
// Notes the stage being played, after each frame: once a game is over its stage reads 0, and a
// score table shows the stage the game reached.
void FollowStage();

}  // namespace app
