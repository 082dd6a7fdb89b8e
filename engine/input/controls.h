// What the keyboard and game controllers mean to the game, by the player's bindings (the arrow keys
// and the stick steer as the mouse does, Ctrl and A fire as the left button does, Start and Back stand
// for Space and Escape, unless rebound). The back-ends only report the devices; these decisions are
// the same in every one of them.
#pragma once

#include <cstdint>

#include "engine/input/bindings.h"

namespace platform {
struct InputState;
}

namespace engine {

struct Controls {
    bool keys = true;          // the keys of fire and steering are read (keyboard_steering)
    bool pads = true;          // game controllers are read
    double sensitivity = 1.0;  // scales the steering speed, as it scales the mouse's
    Bindings bindings = DefaultBindings();
};

// Kept across engine resets, like the input source: the program sets them once, the options screen
// changes them.
void SetControls(const Controls& controls);
const Controls& CurrentControls();

// Steering speed of a held key or a full stick, in picture pixels of pointer motion per frame.
inline constexpr double kSteerPixelsPerFrame = 8.0;
inline constexpr int kStickDeadZone = 8000;

// An action's keys and button as a press count, for noticing presses between two looks.
struct ActionPresses {
    uint8_t keys[2] = {};
    uint32_t pad = 0;
};
// True when a key or the button bound to `action` is held.
bool ActionHeld(const platform::InputState& in, int action);
// True when one of them was pressed since `seen` was taken; `seen` is then brought up to date.
bool ActionPressed(const platform::InputState& in, int action, ActionPresses* seen);

// A key as the game reads it: the keys and button bound to the action it stands for (Space, Escape,
// P), held, or pressed since the last read of it (a tap between two reads counts once, as a click
// does); another key as it is.
bool ReadKey(const platform::InputState& in, int keyCode);
// The mouse buttons with the fire keys and button added to the left one (bit 0). A tap whose press and
// release both fall between two polls counts once, as a mouse click does.
uint32_t AddFireButtons(const platform::InputState& in, uint32_t buttons);
// Presses not yet seen by a read are dropped.
void ForgetControlPresses(const platform::InputState& in);

// The game put the pointer back this frame (it is steering): held keys and sticks then turn the ship.
void NoteGameSetPointer();
// After each frame pump: held turning keys, sticks and d-pads move the pointer, only sideways while
// the game steers, both ways and inside the picture in the menus (so a player without a mouse can pick).
void SteerByKeysAndPads(int screenWidth, int screenHeight);
// Back to start-up (no press latched, no steering pending); for engine resets.
void ResetControlsMemory();

}  // namespace engine
