// What the player's keys and controller buttons are for: each of the game's actions has up to two
// keys and one controller button, with names for settings.ini and the options screen.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

enum Action {
    kActionFire,
    kActionTurnLeft,
    kActionTurnRight,
    kActionUp,  // the pointer in the menus
    kActionDown,
    kActionAbandon,     // the game reads it as Space
    kActionQuit,        // ... as Escape
    kActionScreenshot,  // ... as P
    kActionMute,
    kActionPause,
    kActionCount
};

struct Bindings {
    uint8_t keys[kActionCount][2] = {};  // scan codes; 0 none
    int16_t pads[kActionCount] = {};     // platform::PadButton; -1 none
    bool operator==(const Bindings&) const = default;
};

// The keys and buttons the game was made with.
Bindings DefaultBindings();

// The action's name in settings.ini ("fire", "turn_left", ...) and for the player ("Fire").
const char* ActionName(Action action);
const char* ActionCaption(Action action);
// The action a key code that the game reads stands for (Space, Escape, P); -1 for any other.
int ActionOfGameKey(int keyCode);

// Key and button names: "LeftCtrl", "A", "F1"; "none" for 0 / -1. Parsing accepts any case; false for
// a name it does not know.
std::string KeyName(int keyCode);
bool KeyFromName(const std::string& name, int* keyCode);
std::string PadButtonName(int button);
bool PadButtonFromName(const std::string& name, int* button);

// "LeftCtrl RightCtrl" / "none", for settings.ini.
std::string KeysText(const uint8_t keys[2]);
bool KeysFromText(const std::string& text, uint8_t keys[2]);

}  // namespace engine
