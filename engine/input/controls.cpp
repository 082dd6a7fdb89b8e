// The keyboard and game controllers as the game's steering, fire and keys.
#include "engine/input/controls.h"

#include <algorithm>
#include <cstdlib>

#include "engine/input/scan_codes.h"
#include "engine/platform.h"

namespace engine {

namespace {
Controls controls;  // kept across engine resets

struct ControlsMemory {
    ActionPresses seenReads[kActionCount];  // as the last read of the game key of each action saw them
    uint8_t seenKeys[256] = {};             // as the last read of each other key saw them
    ActionPresses seenFire;                 // as the last button poll saw them
    bool gameSetPointer = false;            // since the last frame pump
};
ControlsMemory memory;

// Fire and steering keys are off without keyboard steering; every button without controllers.
bool KeysRead(int action) {
    const bool steering = action == kActionFire || action == kActionTurnLeft || action == kActionTurnRight ||
                          action == kActionUp || action == kActionDown;
    return controls.keys || !steering;
}

ActionPresses Now(const platform::InputState& in, int action) {
    const Bindings& b = controls.bindings;
    ActionPresses now;
    for (int i = 0; i < 2; ++i) now.keys[i] = in.keyPresses[b.keys[action][i]];
    const int pad = b.pads[action];
    now.pad = pad >= 0 && pad < platform::kPadButtonCount ? in.padPresses[pad] : 0;
    return now;
}

double Axis(const platform::InputState& in, int negative, int positive) {
    return (ActionHeld(in, positive) ? 1.0 : 0.0) - (ActionHeld(in, negative) ? 1.0 : 0.0);
}
}  // namespace

void SetControls(const Controls& c) { controls = c; }
const Controls& CurrentControls() { return controls; }

bool ActionHeld(const platform::InputState& in, int action) {
    const Bindings& b = controls.bindings;
    if (KeysRead(action))
        for (uint8_t key : b.keys[action])
            if (key && in.keys[key]) return true;
    const int pad = b.pads[action];
    return controls.pads && pad >= 0 && pad < platform::kPadButtonCount && ((in.padButtons >> pad) & 1u);
}

bool ActionPressed(const platform::InputState& in, int action, ActionPresses* seen) {
    const ActionPresses now = Now(in, action);
    const Bindings& b = controls.bindings;
    bool pressed = false;
    if (KeysRead(action))
        for (int i = 0; i < 2; ++i) pressed = pressed || (b.keys[action][i] && now.keys[i] != seen->keys[i]);
    pressed = pressed || (controls.pads && b.pads[action] >= 0 && now.pad != seen->pad);
    *seen = now;
    return pressed;
}

bool ReadKey(const platform::InputState& in, int keyCode) {
    ControlsMemory& m = memory;
    const int action = ActionOfGameKey(keyCode);
    if (action < 0) {
        const bool down = in.keys[keyCode] || in.keyPresses[keyCode] != m.seenKeys[keyCode];
        m.seenKeys[keyCode] = in.keyPresses[keyCode];
        return down;
    }
    // Both calls always run: the press counts are brought up to date either way.
    const bool pressed = ActionPressed(in, action, &m.seenReads[action]);
    return ActionHeld(in, action) || pressed;
}

uint32_t AddFireButtons(const platform::InputState& in, uint32_t buttons) {
    const bool pressed = ActionPressed(in, kActionFire, &memory.seenFire);
    if (pressed || ActionHeld(in, kActionFire)) buttons |= 1u;
    return buttons;
}

void ForgetControlPresses(const platform::InputState& in) {
    ControlsMemory& m = memory;
    for (int a = 0; a < kActionCount; ++a) m.seenReads[a] = Now(in, a);
    std::copy(std::begin(in.keyPresses), std::end(in.keyPresses), std::begin(m.seenKeys));
    m.seenFire = Now(in, kActionFire);
}

void NoteGameSetPointer() { memory.gameSetPointer = true; }

void SteerByKeysAndPads(int screenWidth, int screenHeight) {
    const bool steering = memory.gameSetPointer;
    memory.gameSetPointer = false;
    platform::Platform* p = platform::Current();
    if (!p) return;
    const platform::InputState& in = p->Input();
    if (!in.active) return;
    double dx = Axis(in, kActionTurnLeft, kActionTurnRight);
    double dy = Axis(in, kActionUp, kActionDown);
    if (controls.pads) {
        if (std::abs(in.padStickX) > kStickDeadZone) dx += double(in.padStickX) / 32767.0;
        if (std::abs(in.padStickY) > kStickDeadZone) dy += double(in.padStickY) / 32767.0;
    }
    dx = std::clamp(dx, -1.0, 1.0) * kSteerPixelsPerFrame * controls.sensitivity;
    dy = std::clamp(dy, -1.0, 1.0) * kSteerPixelsPerFrame * controls.sensitivity;
    if (dx == 0 && dy == 0) return;
    // The ship turns with sideways motion only.
    if (steering) {
        if (dx != 0) p->MovePointer(dx, 0);
        return;
    }
    int x = 0, y = 0;
    p->GetPointer(&x, &y);
    const double nx = std::clamp(x + dx, 0.0, double(screenWidth - 1));
    const double ny = std::clamp(y + dy, 0.0, double(screenHeight - 1));
    p->MovePointer(nx - x, ny - y);
}

void ResetControlsMemory() { memory = ControlsMemory{}; }

}  // namespace engine
