// The input script: per frame, what the player and the window system did (docs/input-script.md).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scripted {

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

// Parses a script; on a bad line returns false with "file:line: reason" in `error`.
bool ParseInputScript(const std::string& text, const std::string& name, InputScript* out, std::string* error);
bool LoadInputScript(const std::string& path, InputScript* out, std::string* error);

}  // namespace scripted
