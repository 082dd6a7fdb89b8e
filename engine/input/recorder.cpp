// The recorder keeps a model of what the headless back-end would answer after the events written so
// far, and writes an event only where a real read differs from the model's answer.
#include "engine/input/recorder.h"

#include <cinttypes>
#include <cstdio>

#include "engine/platform.h"

namespace engine {

namespace {

struct Recorder {
    std::FILE* file = nullptr;
    bool started = false;
    bool failed = false;
    bool warned = false;
    int64_t pumps = 0;
    // The model: what a playback would read now.
    uint8_t keys[256] = {};
    int buttons = 0;
    int pointerX = 0, pointerY = 0;
    bool active = true;
    bool closed = false;
    int64_t pointerSetInFrame = -1;  // frame of the last SetMousePosition
    std::string header;
};

Recorder& R() {
    static Recorder r;
    return r;
}

bool Writing() { return R().file && R().started; }

void Line(int64_t frame, const char* text) {
    if (std::fprintf(R().file, "%" PRId64 " %s\n", frame, text) < 0) R().failed = true;
}

// Input for the frame now running: playback applies it with the pump that ended the frame before.
int64_t CurrentFrame() { return R().pumps + 1; }

}  // namespace

bool StartRecording(const std::string& path) {
    StopRecording();
    R() = Recorder{};
    R().file = std::fopen(path.c_str(), "w");
    return R().file != nullptr;
}

void AddRecordingHeader(const std::string& line) { R().header += line + "\n"; }

bool StopRecording() {
    Recorder& r = R();
    if (!r.file) return true;
    const bool ok = std::fclose(r.file) == 0 && !r.failed;
    r.file = nullptr;
    return ok;
}

bool IsRecording() { return R().file != nullptr; }

void RecordDigest(uint64_t digest, bool atEnd) {
    if (!Writing()) return;
    char text[48];
    std::snprintf(text, sizeof text, "%s %016" PRIx64, atEnd ? "end" : "digest", digest);
    Line(R().pumps, text);
    std::fflush(R().file);  // a recording cut short by a crash keeps everything up to here
}

int64_t FramePumps() { return R().pumps; }

void NoteStart(uint32_t seed, int clockMillis) {
    Recorder& r = R();
    r.pumps = 0;
    if (!r.file || r.started) return;
    r.started = true;
    if (std::fprintf(r.file, "velmoran-input %d\n# recorded at the engine's input reads\nclock %d\nseed %u\n",
                     kInputScriptVersion, clockMillis, unsigned(seed)) < 0 ||
        std::fputs(r.header.c_str(), r.file) < 0)
        r.failed = true;
}

void NotePump(bool frame) {
    Recorder& r = R();
    if (frame) ++r.pumps;
    if (!Writing()) return;
    const platform::Platform* p = platform::Current();
    if (!p) return;
    const platform::InputState& in = p->Input();
    // A focus change between frames pauses playback from the frame it arrived in; the game's state
    // cannot change before a read waits for the focus, so the pause may start at the frame's start.
    if (in.active != r.active) {
        r.active = in.active;
        Line(CurrentFrame(), in.active ? "focus on" : "focus off");
    }
    // A close seen inside a frame lets that frame finish: playback closes at its end.
    if (in.closeRequested && !r.closed) {
        r.closed = true;
        Line(frame ? CurrentFrame() : CurrentFrame() + 1, "close");
    }
}

void NoteKeyRead(int code, int value) {
    Recorder& r = R();
    if (!Writing() || code < 0 || code > 255 || (value != 0) == (r.keys[code] != 0)) return;
    r.keys[code] = value != 0;
    char text[32];
    std::snprintf(text, sizeof text, "key %d %s", code, value ? "down" : "up");
    Line(CurrentFrame(), text);
}

void NoteButtonsRead(int buttons) {
    Recorder& r = R();
    if (!Writing()) return;
    static const char* names[] = {"left", "right", "middle"};  // the game reads no other button
    for (int bit = 0; bit < 3; ++bit) {
        const int now = buttons >> bit & 1;
        if (now == (r.buttons >> bit & 1)) continue;
        r.buttons ^= 1 << bit;
        char text[32];
        std::snprintf(text, sizeof text, "button %s %s", names[bit], now ? "down" : "up");
        Line(CurrentFrame(), text);
    }
}

void NotePointerRead(int x, int y) {
    Recorder& r = R();
    if (!Writing() || (x == r.pointerX && y == r.pointerY)) return;
    // Playback moves the pointer when the frame starts; a set earlier in this frame would undo it.
    if (r.pointerSetInFrame == CurrentFrame() && !r.warned) {
        r.warned = true;
        std::fprintf(stderr,
                     "velmoran: the recording may not replay: the pointer moved after the game set it\n");
    }
    r.pointerX = x, r.pointerY = y;
    char text[48];
    std::snprintf(text, sizeof text, "move %d %d", x, y);
    Line(CurrentFrame(), text);
}

void NotePointerSet(int x, int y) {
    Recorder& r = R();
    r.pointerX = x, r.pointerY = y;
    r.pointerSetInFrame = CurrentFrame();
}

}  // namespace engine
