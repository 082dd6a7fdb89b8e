// Plays a submitted recording again with the game's own verifier (velmoran --verify), as a child
// process in a scratch folder of its own, under resource limits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scores {

struct VerifierSettings {
    std::string game;         // the game's executable
    std::string scratchRoot;  // each verification makes a private folder in it
    uint64_t addressSpaceBytes = 1ull << 30;
    int cpuSeconds = 120;
    int wallSeconds = 180;
    uint64_t fileSizeBytes = 16ull << 20;  // what the child may write into one file
};

struct Verification {
    enum class Outcome {
        kAgreed,   // every digest agreed: the numbers below are the game's
        kRefused,  // the recording is wrong, over a limit or unreadable: message says why
        kFailed,   // the server could not verify it (its own fault): message is for its log
    };
    Outcome outcome = Outcome::kFailed;
    std::string message;
    int64_t score = 0;
    int64_t frames = 0;
    int stage = 0;
    int digests = 0;  // how many recorded digests were checked
};

Verification VerifyRecording(std::string_view recording, const VerifierSettings& settings);

// The numbers of a --summary file and of --verify's report ("verified N digests"); false when one is
// missing.
bool ReadVerifierReport(std::string_view summary, std::string_view report, Verification* out);

}  // namespace scores
