// Keyboard and mouse polling, the pointer, and the millisecond clock.
#include "engine/input/input.h"

#include <algorithm>

#include "engine/frame/engine_state.h"
#include "engine/input/controls.h"
#include "engine/input/recorder.h"
#include "engine/platform.h"

namespace engine {

void ResetRandomToUnseeded();

namespace {
struct InputMemory {
    int lastRefresh = -1;  // GetMilliseconds of the last keyboard refresh
    bool cursorVisible = true;
    uint32_t seenPresses[8] = {};  // the back-end's press counts as the last button poll saw them
};
InputMemory& M() {
    static InputMemory m;
    return m;
}
InputSource* source = nullptr;  // set by the program, kept across engine resets

// The keyboard state is refreshed at most once per millisecond of the clock.
void RefreshIfDue() {
    platform::Platform* p = platform::Current();
    const int now = GetMilliseconds();
    if (now == M().lastRefresh) return;
    M().lastRefresh = now;
    p->PumpEvents(false);
    NotePump(false);
    if (p->Input().closeRequested) Engine().quitRequested = true;
}
}  // namespace

int IsKeyDown(int keyCode) {
    platform::Platform* p = platform::Current();
    if (!p || !Engine().initialised || keyCode < 0 || keyCode > 255) return 0;
    WaitWhileInactive();
    RefreshIfDue();
    int down = ReadKey(p->Input(), keyCode) ? 1 : 0;
    if (source) down = source->Key(keyCode, down) ? 1 : 0;
    NoteKeyRead(keyCode, down);
    return down;
}

int GetMouseButtons() {
    platform::Platform* p = platform::Current();
    if (!p || !Engine().initialised) return 0;
    WaitWhileInactive();
    // A press is latched until one poll has seen it, so a tap whose press and release both fall
    // between two polls still counts once.
    const platform::InputState& in = p->Input();
    uint32_t buttons = in.mouseButtons;
    for (int bit = 0; bit < 8; ++bit) {
        if (in.buttonPresses[bit] != M().seenPresses[bit]) buttons |= 1u << bit;
        M().seenPresses[bit] = in.buttonPresses[bit];
    }
    buttons = AddFireButtons(in, buttons);
    int read = int(buttons & 0xFFu);
    if (source) read = source->Buttons(read) & 0xFF;
    NoteButtonsRead(read);
    return read;
}

int GetMousePosition(int* x, int* y) {
    platform::Platform* p = platform::Current();
    int px = 0, py = 0;
    if (p && Engine().initialised) {
        WaitWhileInactive();
        p->GetPointer(&px, &py);
        if (source) source->Pointer(&px, &py);
        NotePointerRead(px, py);
    }
    if (x) *x = px;
    if (y) *y = py;
    return 0;
}

int SetMousePosition(int x, int y) {
    platform::Platform* p = platform::Current();
    if (!p || !Engine().initialised) return 0;
    const EngineState& e = Engine();
    x = std::clamp(x, 0, e.screenWidth), y = std::clamp(y, 0, e.screenHeight);
    p->SetPointer(x, y);
    NoteGameSetPointer();
    NotePointerSet(x, y);
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

void SetInputSource(InputSource* s) { source = s; }

void ForgetPendingPresses() {
    platform::Platform* p = platform::Current();
    if (!p) return;
    for (int bit = 0; bit < 8; ++bit) M().seenPresses[bit] = p->Input().buttonPresses[bit];
    ForgetControlPresses(p->Input());
}

void ResetInputAndTime() {
    M() = InputMemory{};
    ResetControlsMemory();
    ResetRandomToUnseeded();
}

}  // namespace engine
