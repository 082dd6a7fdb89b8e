// Keyboard and mouse polling, the pointer, and the millisecond clock.
#include "engine/input/input.h"

#include <algorithm>

#include "engine/frame/engine_state.h"
#include "engine/platform.h"

namespace engine {

void ResetRandomToUnseeded();

namespace {
struct InputMemory {
    int lastRefresh = -1;  // GetMilliseconds of the last keyboard refresh
    bool cursorVisible = true;
};
InputMemory& M() {
    static InputMemory m;
    return m;
}

// The keyboard state is refreshed at most once per millisecond of the clock.
void RefreshIfDue() {
    platform::Platform* p = platform::Current();
    const int now = GetMilliseconds();
    if (now == M().lastRefresh) return;
    M().lastRefresh = now;
    p->PumpEvents(false);
    if (p->Input().closeRequested) Engine().quitRequested = true;
}
}  // namespace

int IsKeyDown(int keyCode) {
    platform::Platform* p = platform::Current();
    if (!p || !Engine().initialised || keyCode < 0 || keyCode > 255) return 0;
    WaitWhileInactive();
    RefreshIfDue();
    return p->Input().keys[keyCode] ? 1 : 0;
}

int GetMouseButtons() {
    platform::Platform* p = platform::Current();
    if (!p || !Engine().initialised) return 0;
    WaitWhileInactive();
    return int(p->Input().mouseButtons & 0xFFu);
}

int GetMousePosition(int* x, int* y) {
    platform::Platform* p = platform::Current();
    int px = 0, py = 0;
    if (p && Engine().initialised) {
        WaitWhileInactive();
        p->GetPointer(&px, &py);
    }
    if (x) *x = px;
    if (y) *y = py;
    return 0;
}

int SetMousePosition(int x, int y) {
    platform::Platform* p = platform::Current();
    if (!p || !Engine().initialised) return 0;
    const EngineState& e = Engine();
    p->SetPointer(std::clamp(x, 0, e.screenWidth), std::clamp(y, 0, e.screenHeight));
    return 0;
}

int SetCursorVisible(int visible) {
    if (visible != -1) M().cursorVisible = visible != 0;
    if (platform::Platform* p = platform::Current(); p && Engine().initialised)
        p->SetCursorVisible(M().cursorVisible);
    return 0;
}

int GetMilliseconds() {
    platform::Platform* p = platform::Current();
    if (!p) return 0;
    return int((p->NowMicros() / 1000u) & 0x7FFFFFFFu);
}

void WaitUntilElapsed(int stamp, int ms) {
    platform::Platform* p = platform::Current();
    if (!p) return;
    for (;;) {
        // Differences are taken modulo 2^31, so the wait ends normally across the clock's wrap.
        const uint64_t nowMicros = p->NowMicros();
        const int now = int((nowMicros / 1000u) & 0x7FFFFFFFu);
        const int elapsed = int(uint32_t(now - stamp) & 0x7FFFFFFFu);
        if (elapsed >= ms) return;
        // Sleep to the start of the millisecond in which the clock reads stamp + ms.
        p->SleepUntilMicros((nowMicros / 1000u + uint64_t(ms - elapsed)) * 1000u);
    }
}

void ResetInputAndTime() {
    M() = InputMemory{};
    ResetRandomToUnseeded();
}

}  // namespace engine
