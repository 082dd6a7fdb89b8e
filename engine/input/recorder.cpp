// The recorder keeps a model of what the headless back-end would answer after the events written so
// far, and writes an event only where a real read differs from the model's answer.
#include "engine/input/recorder.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <mutex>
#include <random>

#include "engine/frame/pause.h"
#include "engine/platform.h"

namespace engine {

namespace {

struct Recorder {
    std::FILE* file = nullptr;
    std::string path;      // where the recording goes when the run is over
    std::string partPath;  // where it is written until then
    bool wanted = false;   // started and neither stopped nor abandoned yet
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

// Guards the file: a signal's thread may abandon the recording while the game writes it.
std::mutex& FileLock() {
    static std::mutex lock;
    return lock;
}

// Whether the file is open, for the game's thread to look at without the lock.
std::atomic<bool> fileOpen{false};

// A program that ends without StopRecording (an error, a usage mistake) leaves no partial file.
struct AbandonAtExit {
    ~AbandonAtExit() { AbandonRecording(); }
};

void CloseAndRemove(Recorder& r) {
    if (!r.file) return;
    std::fclose(r.file);
    r.file = nullptr;
    fileOpen = false;
    std::remove(r.partPath.c_str());
}

bool Writing() { return fileOpen && R().started; }

// A write that failed (a full disk, a file-size limit) ends the recording at once: the partial file
// goes, so that it neither takes the disk's last space nor is ever mistaken for the whole game.
void CheckWrite(Recorder& r, bool ok) {
    if (ok && r.file && std::ferror(r.file) == 0) return;
    r.failed = true;
    CloseAndRemove(r);
}

void Line(int64_t frame, const char* text) {
    std::lock_guard<std::mutex> guard(FileLock());
    Recorder& r = R();
    if (!r.file) return;
    CheckWrite(r, std::fprintf(r.file, "%" PRId64 " %s\n", frame, text) >= 0);
}

// A name nobody else is likely to pick: the file is created exclusively, so a planted file or link
// of that name is never written through, only skipped.
std::string PartName(const std::string& path, int attempt) {
    uint64_t token =
        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) + uint64_t(attempt);
    try {
        std::random_device random;
        token = (token << 32) ^ random();
    } catch (...) {
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".part-%08x", unsigned(token ^ token >> 32));
    return path + suffix;
}

// Input for the frame now running: playback applies it with the pump that ended the frame before.
int64_t CurrentFrame() { return R().pumps + 1; }

}  // namespace

bool StartRecording(const std::string& path) {
    StopRecording();
    static AbandonAtExit abandonAtExit;
    std::lock_guard<std::mutex> guard(FileLock());
    Recorder& r = R();
    r = Recorder{};
    r.path = path;
    r.wanted = true;
    for (int attempt = 0; attempt < 100 && !r.file; ++attempt) {
        r.partPath = PartName(path, attempt);
        errno = 0;
        r.file = std::fopen(r.partPath.c_str(), "wbx");
        if (!r.file && errno != EEXIST) break;
    }
    fileOpen = r.file != nullptr;
    return fileOpen;
}

void AddRecordingHeader(const std::string& line) { R().header += line + "\n"; }

bool StopRecording() {
    std::lock_guard<std::mutex> guard(FileLock());
    Recorder& r = R();
    if (!r.wanted) return true;
    r.wanted = false;
    if (!r.file) return false;  // never started, or a write failed and the file is gone
    // A write error may surface only when the buffer goes out, so the flush and the close count too.
    bool ok = std::fflush(r.file) == 0 && std::ferror(r.file) == 0 && !r.failed;
    ok = std::fclose(r.file) == 0 && ok;
    r.file = nullptr;
    fileOpen = false;
    if (ok && std::rename(r.partPath.c_str(), r.path.c_str()) == 0) return true;
    std::remove(r.partPath.c_str());
    return false;
}

void AbandonRecording() {
    std::lock_guard<std::mutex> guard(FileLock());
    Recorder& r = R();
    r.wanted = false;
    CloseAndRemove(r);
}

bool IsRecording() { return fileOpen; }

void RecordDigest(uint64_t digest, bool atEnd) {
    if (!Writing()) return;
    char text[48];
    std::snprintf(text, sizeof text, "%s %016" PRIx64, atEnd ? "end" : "digest", digest);
    Line(R().pumps, text);
    // A run that crashes leaves its partial file with everything up to here.
    std::lock_guard<std::mutex> guard(FileLock());
    if (R().file) CheckWrite(R(), std::fflush(R().file) == 0);
}

bool FlushRecording(std::string* partPath, long* bytes) {
    std::lock_guard<std::mutex> guard(FileLock());
    Recorder& r = R();
    if (!r.file || std::fflush(r.file) != 0) return false;
    const long at = std::ftell(r.file);
    if (at < 0) return false;
    *partPath = r.partPath;
    *bytes = at;
    return true;
}

int64_t FramePumps() { return R().pumps; }

void NoteStart(uint32_t seed, int clockMillis) {
    Recorder& r = R();
    r.pumps = 0;
    if (!fileOpen || r.started) return;
    r.started = true;
    std::lock_guard<std::mutex> guard(FileLock());
    if (!r.file) return;
    CheckWrite(
        r,
        std::fprintf(r.file, "velmoran-input %d\n# recorded at the engine's input reads\nclock %d\nseed %u\n",
                     kInputScriptVersion, clockMillis, unsigned(seed)) >= 0 &&
            std::fputs(r.header.c_str(), r.file) >= 0);
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
    // The pause holds the game as a lost focus does, and is replayed as one.
    const bool running = in.active && !GamePaused();
    if (running != r.active) {
        r.active = running;
        Line(CurrentFrame(), running ? "focus on" : "focus off");
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
