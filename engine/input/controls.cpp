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
    uint8_t seenKeys[256] = {};  // press counts as the last read of each key saw them
    uint32_t seenStart = 0, seenBack = 0;
    uint8_t seenCtrl[2] = {};  // the fire keys' press counts as the last button poll saw them
    uint32_t seenPadFire = 0;
    bool gameSetPointer = false;  // since the last frame pump
};
ControlsMemory memory;

bool PadHeld(const platform::InputState& in, int button) { return (in.padButtons >> button) & 1u; }
}  // namespace

void SetControls(const Controls& c) { controls = c; }
const Controls& CurrentControls() { return controls; }

bool ReadKey(const platform::InputState& in, int keyCode) {
    ControlsMemory& m = memory;
    bool down = in.keys[keyCode] || in.keyPresses[keyCode] != m.seenKeys[keyCode];
    m.seenKeys[keyCode] = in.keyPresses[keyCode];
    if (!controls.pads) return down;
    // Start abandons a game and Back quits, as Space and Escape do.
    auto pad = [&in, &down](int button, uint32_t* seen) {
        down = down || PadHeld(in, button) || in.padPresses[button] != *seen;
        *seen = in.padPresses[button];
    };
    if (keyCode == kScanSpace) pad(platform::kPadStart, &m.seenStart);
    if (keyCode == kScanEscape) pad(platform::kPadBack, &m.seenBack);
    return down;
}

void ForgetControlPresses(const platform::InputState& in) {
    ControlsMemory& m = memory;
    std::copy(std::begin(in.keyPresses), std::end(in.keyPresses), std::begin(m.seenKeys));
    m.seenStart = in.padPresses[platform::kPadStart];
    m.seenBack = in.padPresses[platform::kPadBack];
    m.seenCtrl[0] = in.keyPresses[kScanLeftCtrl];
    m.seenCtrl[1] = in.keyPresses[kScanRightCtrl];
    m.seenPadFire = in.padPresses[platform::kPadA];
}

uint32_t AddFireButtons(const platform::InputState& in, uint32_t buttons) {
    ControlsMemory& m = memory;
    if (controls.keys) {
        const uint8_t presses[2] = {in.keyPresses[kScanLeftCtrl], in.keyPresses[kScanRightCtrl]};
        if (in.keys[kScanLeftCtrl] || in.keys[kScanRightCtrl] || presses[0] != m.seenCtrl[0] ||
            presses[1] != m.seenCtrl[1])
            buttons |= 1u;
        m.seenCtrl[0] = presses[0], m.seenCtrl[1] = presses[1];
    }
    if (controls.pads) {
        const uint32_t presses = in.padPresses[platform::kPadA];
        if (PadHeld(in, platform::kPadA) || presses != m.seenPadFire) buttons |= 1u;
        m.seenPadFire = presses;
    }
    return buttons;
}

void NoteGameSetPointer() { memory.gameSetPointer = true; }

void SteerByKeysAndPads(int screenWidth, int screenHeight) {
    const bool steering = memory.gameSetPointer;
    memory.gameSetPointer = false;
    platform::Platform* p = platform::Current();
    if (!p) return;
    const platform::InputState& in = p->Input();
    if (!in.active) return;
    double dx = 0, dy = 0;
    if (controls.keys) {
        dx += (in.keys[kScanRight] ? 1.0 : 0.0) - (in.keys[kScanLeft] ? 1.0 : 0.0);
        dy += (in.keys[kScanDown] ? 1.0 : 0.0) - (in.keys[kScanUp] ? 1.0 : 0.0);
    }
    if (controls.pads) {
        if (std::abs(in.padStickX) > kStickDeadZone) dx += double(in.padStickX) / 32767.0;
        if (std::abs(in.padStickY) > kStickDeadZone) dy += double(in.padStickY) / 32767.0;
        dx += (PadHeld(in, platform::kPadRight) ? 1.0 : 0.0) - (PadHeld(in, platform::kPadLeft) ? 1.0 : 0.0);
        dy += (PadHeld(in, platform::kPadDown) ? 1.0 : 0.0) - (PadHeld(in, platform::kPadUp) ? 1.0 : 0.0);
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
