// Engine lifecycle: InitEngine, the screen mode, the message pump, presentation and EndEngine.
#include "engine/frame/frame.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <filesystem>

#include "engine/file/file_access.h"
#include "engine/frame/engine_state.h"
#include "engine/frame/overlays.h"
#include "engine/frame/pause.h"
#include "engine/frame/screen.h"
#include "engine/image/draw_state.h"
#include "engine/image/image.h"
#include "engine/input/controls.h"
#include "engine/input/input.h"
#include "engine/input/recorder.h"
#include "engine/platform.h"
#include "engine/sound/sound_system.h"

namespace engine {

EngineState& Engine() {
    static EngineState state;
    return state;
}

uint32_t BackgroundColour() { return Engine().background; }

namespace {

platform::WindowSettings Settings() {
    const EngineState& e = Engine();
    platform::WindowSettings w;
    w.title = e.title;
    w.windowed = e.windowed;
    w.resizable = e.resizable;
    w.keepAspect = e.keepAspect;
    w.width = e.screenWidth;
    w.height = e.screenHeight;
    return w;
}

std::string CurrentFolder() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    return ec ? std::string() : p.string();
}

bool Fail(const std::string& why) {
    Engine().lastError = why;
    LogMessage("InitEngine failed: " + why + "\n");
    return false;
}

}  // namespace

int SetWindowTitle(const std::string& title) {
    Engine().title = title;
    if (Engine().initialised) platform::Current()->SetTitle(title);
    return 0;
}

int ChangeWindowMode(int windowed) {
    EngineState& e = Engine();
    const bool want = windowed != 0;
    if (!e.initialised) {
        e.windowed = want;
        return 0;
    }
    if (want == e.windowed) return 0;
    if (!platform::Current()->SetWindowed(want)) return -1;
    e.windowed = want;
    return 0;
}

int SetWindowResizable(int resizable, int keepAspect) {
    EngineState& e = Engine();
    const bool r = resizable != 0;
    if (e.initialised && r == e.resizable) return 0;
    e.resizable = r;
    e.keepAspect = keepAspect == 1;
    if (e.initialised && e.windowed) platform::Current()->SetResizable(e.resizable, e.keepAspect);
    return 0;
}

int SetLogEnabled(int enabled) {
    Engine().logDisabled = enabled == 0;
    return 0;
}

int InitEngine() {
    EngineState& e = Engine();
    if (e.initialised) return 0;
    platform::Platform* p = platform::Current();
    e.lastError.clear();
    if (!p) return Fail("no platform back-end"), -1;

    ResetFileAccess();
    e.savedWorkingFolder = CurrentFolder();
    if (e.logFolder.empty()) e.logFolder = e.savedWorkingFolder;
    if (!e.logDisabled) {
        std::FILE* f = std::fopen((e.logFolder + "/Log.txt").c_str(), "wb");
        if (f) std::fclose(f);
    }
    e.startTime = GetMilliseconds();
    e.logAtLineStart = true;
    LogMessage("Starting the engine\n");

    uint32_t seed = uint32_t(GetMilliseconds());
    p->RandomSeedOverride(&seed);
    SeedRandom(seed);
    NoteStart(seed, e.startTime);

    // One copy at a time: the lock is named after the window title, like the window class was.
    if (!p->AcquireInstanceLock(e.title.empty() ? std::string("velmoran") : e.title))
        return Fail("another copy of the game is already running"), -1;

    std::string error;
    if (!p->OpenWindow(Settings(), &error)) return Fail(error), -1;
    if (!StartSoundSystem()) {
        p->CloseWindow();
        return Fail("the sound system could not start"), -1;
    }
    AllocateScreens(e.screenWidth, e.screenHeight);
    ResetDrawState(e.screenWidth, e.screenHeight);
    e.initialised = true;
    e.quitRequested = false;
    e.framesPumped = 0;
    SetDrawTarget(kBackScreen);
    SetDrawTarget(kFrontScreen);
    LogMessage("Engine started\n");
    return 0;
}

int SetScreenMode(int width, int height, int colourDepth, int refreshRate) {
    EngineState& e = Engine();
    if (width <= 0 || height <= 0) return -1;
    if (colourDepth != 8 && colourDepth != 16 && colourDepth != 32) return -1;
    if (!e.initialised) {
        e.screenWidth = width;
        e.screenHeight = height;
        e.colourDepth = colourDepth;
        e.refreshRate = refreshRate;
        return 0;
    }
    if (width == e.screenWidth && height == e.screenHeight && colourDepth == e.colourDepth &&
        refreshRate == e.refreshRate)
        return 0;
    // Our back screens are memory: a new mode is new memory and a window of the new picture size.
    // A mode the window cannot take falls back to the previous one, then to 640 x 480 at 16 bits.
    const int target = DrawTarget();
    std::string error;
    auto tryMode = [&e, &error](int w, int h, int depth, int rate) {
        e.screenWidth = w;
        e.screenHeight = h;
        e.colourDepth = depth;
        e.refreshRate = rate;
        AllocateScreens(w, h);
        platform::Current()->CloseWindow();
        return platform::Current()->OpenWindow(Settings(), &error);
    };
    const int oldWidth = e.screenWidth, oldHeight = e.screenHeight, oldDepth = e.colourDepth,
              oldRate = e.refreshRate;
    int result = 0;
    if (!tryMode(width, height, colourDepth, refreshRate)) {
        e.lastError = error;
        result = -1;
        if (!tryMode(oldWidth, oldHeight, oldDepth, oldRate)) {
            result = -2;
            if (!tryMode(640, 480, 16, EngineState().refreshRate)) {
                // No display at all: the game is told to quit at its next message pump, and draws
                // into the memory screens until then.
                e.quitRequested = true;
                result = -1;
            }
        }
    }
    ResetDrawState(e.screenWidth, e.screenHeight);
    SetDrawTarget(target == kBackScreen ? kBackScreen : kFrontScreen);
    return result;
}

namespace {

std::atomic<bool> quitAsked{false};

// A frame's pump of the input: the events, the pause keys, steering by keys and controllers, and the
// recording's note of it.
void PumpFrameInput(EngineState& e, platform::Platform* p) {
    p->PumpEvents(true);
    const bool wasPaused = GamePaused();
    FollowWindowKeys();
    FollowPauseKeys();
    if (GamePaused()) FollowPauseMenu();
    if (wasPaused && !GamePaused()) {
        // What was pressed during the pause was meant for the pause, not for the game; the pointer is
        // the game's again.
        ForgetPendingPresses();
        SetCursorVisible(-1);
    }
    if (!GamePaused()) SteerByKeysAndPads(e.screenWidth, e.screenHeight);
    NotePump(true);
    if (p->Input().closeRequested || quitAsked.load()) e.quitRequested = true;
}

bool Held(platform::Platform* p) { return !p->Input().active || GamePaused(); }

// The screen's pixels last presented, by ScreenVersion: a frame that is the same, under the same
// overlays, is on the screen already, and the back-end is told so.
uint64_t presentedVersion = 0;

void PresentFront(EngineState& e) {
    const Surface& front = FrontScreen();
    const uint64_t version = ScreenVersion(front.pixels);
    const bool same =
        version != 0 && version == presentedVersion && OverlayGeneration() == e.presentedOverlays;
    presentedVersion = version;
    e.presentedOverlays = OverlayGeneration();
    if (same)
        platform::Current()->PresentUnchanged(WithOverlays(front), front.width, front.height);
    else
        platform::Current()->Present(WithOverlays(front), front.width, front.height);
}

// Shows the frame on the screen again when what lies over it has changed (the pause began, a notice
// came or went) while the game draws nothing.
void RepaintOverlays(EngineState& e) {
    if (PixelsSkipped() || OverlayGeneration() == e.presentedOverlays) return;
    PresentFront(e);
}

}  // namespace

void WaitWhileInactive() {
    EngineState& e = Engine();
    platform::Platform* p = platform::Current();
    if (!e.initialised || !p) return;
    while (Held(p) && !e.quitRequested) {
        RepaintOverlays(e);
        p->SleepUntilMicros(p->NowMicros() + 1000);
        PumpFrameInput(e, p);
        FeedSoundStreams();
        if (!Held(p) || e.quitRequested) break;
        p->SleepUntilMicros(p->NowMicros() + 24000);
    }
}

int PumpMessages() {
    EngineState& e = Engine();
    platform::Platform* p = platform::Current();
    if (!e.initialised || !p) return -1;
    PumpFrameInput(e, p);
    ++e.framesPumped;
    WaitWhileInactive();
    FeedSoundStreams();
    return e.quitRequested ? -1 : 0;
}

int PresentScreen() {
    EngineState& e = Engine();
    if (!e.initialised || e.quitRequested) return -1;
    // Swapping instead of copying: the game clears the back screen right after presenting.
    SwapScreens();
    if (PixelsSkipped()) return 0;
    PresentFront(e);
    return 0;
}

int EndEngine() {
    EngineState& e = Engine();
    if (!e.initialised) return 0;
    LogMessage("Ending the engine\n");
    DeleteAllImages();
    EndSoundSystem();
    platform::Current()->CloseWindow();
    ReleaseScreens();
    if (!e.savedWorkingFolder.empty()) {
        std::error_code ec;
        std::filesystem::current_path(e.savedWorkingFolder, ec);
    }
    e.initialised = false;
    e.quitRequested = false;
    return 0;
}

void RequestQuit() { quitAsked = true; }

void ResetEngine() {
    quitAsked = false;
    EndEngine();
    Engine() = EngineState{};
    presentedVersion = 0;
    ResetNotice();
    ResetPause();
    ResetInputAndTime();
    ResetDrawState(Engine().screenWidth, Engine().screenHeight);
}

int AskYesNo(const std::string& text, const std::string& caption) {
    platform::Platform* p = platform::Current();
    return p ? p->AskYesNo(text, caption) : -1;
}

void ShowMessage(const std::string& text, const std::string& caption) {
    if (platform::Platform* p = platform::Current()) p->ShowMessage(text, caption);
}

const std::string& LastEngineError() { return Engine().lastError; }
int ScreenColourDepth() { return Engine().colourDepth; }
bool EngineInitialised() { return Engine().initialised; }
int64_t FramesPumped() { return Engine().framesPumped; }

void LogMessage(const std::string& message) {
    EngineState& e = Engine();
    if (e.logDisabled || e.logFolder.empty()) return;
    std::FILE* f = std::fopen((e.logFolder + "/Log.txt").c_str(), "ab");
    if (!f) return;
    for (char c : message) {
        if (e.logAtLineStart) {
            std::fprintf(f, "%d:", GetMilliseconds() - e.startTime);
            for (int i = 0; i < e.logIndent; ++i) std::fputc('\t', f);
            e.logAtLineStart = false;
        }
        if (c == '\n') {
            std::fputs("\r\n", f);
            e.logAtLineStart = true;
        } else {
            std::fputc(c, f);
        }
    }
    std::fclose(f);
}

}  // namespace engine
