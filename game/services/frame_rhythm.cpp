// Input counters and EndFrame: the screenshot check, messages, presentation and pacing.
#include "game/services/frame_rhythm.h"

#include "engine/frame/frame.h"
#include "engine/input/input.h"
#include "game/services/screenshot.h"
#include "game/state.h"

namespace game {

namespace {
uint32_t keyCounters[256];
int32_t frameStamp = 0;
FrameObserver frameObserver = nullptr;

void Count(int entry, bool held) { keyCounters[entry] = held ? keyCounters[entry] + 1 : 0; }
}  // namespace

void PollInput() {
    Count(kKeyP, engine::IsKeyDown(kKeyP) != 0);
    Count(kKeyEscape, engine::IsKeyDown(kKeyEscape) != 0);
    Count(kKeySpace, engine::IsKeyDown(kKeySpace) != 0);
    Count(kLeftButton, (engine::GetMouseButtons() & 1) != 0);
}

int KeyCount(int code) {
    if (code < 0 || code > 255) return 0;
    if (keyCounters[code] > 255) keyCounters[code] = 255;
    return int(keyCounters[code]);
}

void ResetKeys() {
    for (uint32_t& c : keyCounters) c = 0;
}

void EndFrame() {
    CheckScreenshotKey();
    if (engine::PumpMessages() == -1) {
        gameState.gameOverTimer = 1;
        gameState.running = false;
    }
    engine::PresentScreen();
    engine::SetDrawTarget(engine::kBackScreen);
    engine::ClearScreen();
    // At least 17 ms a frame, never made up: sleep to the deadline instead of spinning.
    engine::WaitUntilElapsed(frameStamp, kFrameMillis);
    frameStamp = engine::GetMilliseconds();
    if (FrameObserver observer = CurrentFrameObserver()) observer();
}

void ResetFrameRhythm() {
    ResetKeys();
    frameStamp = 0;
}

void SetFrameObserver(FrameObserver observer) { frameObserver = observer; }
FrameObserver CurrentFrameObserver() { return frameObserver; }

}  // namespace game
