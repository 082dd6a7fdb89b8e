// The input script: per frame, what the player and the window system did (docs/input-script.md).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scripted {

// `move` places the pointer at most this far from the picture's corner either way, and `rel` no further.
inline constexpr int kScriptPointerLimit = 100000;

struct ScriptEvent {
    enum class Kind { kKey, kButton, kMove, kRelative, kClose, kFocus, kWork };
    int64_t frame = 0;  // the frame whose input it is (1 = the first frame)
    Kind kind = Kind::kKey;
    int a = 0;  // key code, button bit, x, dx, focus flag, milliseconds
    int b = 0;  // down flag, y, dy
};

// A state digest written with a recording: the game's state after the frame ended by pump `frame`.
struct ScriptDigest {
    int64_t frame = 0;
    uint64_t digest = 0;
    bool atEnd = false;  // "end": the state when the run was over, after its last frame
};

// A record file's content at the start of a recording (version 2: "record score.dat 1234").
struct ScriptRecord {
    std::string file;
    long long value = 0;
};

struct InputScript {
    int version = 1;
    std::vector<ScriptRecord> records;
    std::vector<ScriptEvent> events;    // in frame order
    std::vector<ScriptDigest> digests;  // in frame order
    bool hasSeed = false;
    uint32_t seed = 0;
    bool hasClock = false;
    uint64_t clockMillis = 0;
};

// The frame pump that applies an event: input for frame N is in place when frame N polls, so it
// arrives with the pump that ends frame N - 1 (or before the first frame); a frame's work time is
// spent before its own end-of-frame wait, so it arrives with the pump that ends frame N.
int64_t ApplyingPump(const ScriptEvent& e);

// What a script may cost, chosen from what a recording writes (docs/input-script.md, "Limits"): a
// whole 600-stage game is about 5.4 million frames, and a recording writes under two events a frame
// and a digest every 60 frames.
struct ScriptLimits {
    int64_t bytes = 512ll << 20;  // the file's size
    int64_t frame = 12000000;     // the highest frame of an event or digest (about 57 hours)
    int64_t events = 24000000;    // events and digests together
    int64_t workMillis = 600000;  // all `work` lines added up
    int lineChars = 4096;         // a line's length before its comment
};

// Parses a script; on a bad line returns false with "file:line: reason" in `error`, and on a script
// over a limit with one naming the limit.
bool ParseInputScript(const std::string& text, const std::string& name, InputScript* out, std::string* error,
                      const ScriptLimits& limits = {});
// Reads the file as it parses it, line by line, so that what it costs stays within the limits.
bool LoadInputScript(const std::string& path, InputScript* out, std::string* error,
                     const ScriptLimits& limits = {});

// The last frame pump that a script's events and digests need (0 for none): a replay that runs on
// past it, with no input left to come and nothing left to check, runs on only as the game does.
int64_t LastScriptedPump(const InputScript& script);
// The frame limit for --verify: a recording with an end line stops just after that line; one
// without (cut short, or written by hand) stops kVerifyExtraFrames after its last event or digest, so
// that a replay with no end still finishes.
inline constexpr int64_t kVerifyExtraFrames = 3600;
int64_t VerifyFrameLimit(const InputScript& script);

}  // namespace scripted
