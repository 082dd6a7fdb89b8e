// The actions' default keys and buttons, and the names of keys and buttons.
#include "engine/input/bindings.h"

#include <cctype>
#include <sstream>

#include "engine/input/scan_codes.h"
#include "engine/platform.h"

namespace engine {

namespace {

struct ActionInfo {
    const char* name;
    const char* caption;
    uint8_t key1, key2;
    int16_t pad;
};

const ActionInfo kActions[kActionCount] = {
    {"fire", "Fire", kScanLeftCtrl, kScanRightCtrl, platform::kPadA},
    {"turn_left", "Turn left", kScanLeft, 0, platform::kPadLeft},
    {"turn_right", "Turn right", kScanRight, 0, platform::kPadRight},
    {"up", "Pointer up", kScanUp, 0, platform::kPadUp},
    {"down", "Pointer down", kScanDown, 0, platform::kPadDown},
    {"abandon", "Abandon game", kScanSpace, 0, platform::kPadStart},
    {"quit", "Quit", kScanEscape, 0, platform::kPadBack},
    {"screenshot", "Screenshot", kScanP, 0, -1},
    {"mute", "Mute", kScanM, 0, -1},
    {"pause", "Pause", kScanPause, kScanF1, platform::kPadY},
};

struct KeyNameEntry {
    int code;
    const char* name;
};

// Set-1 scan codes of the keys the back-ends report (+128 for extended keys).
const KeyNameEntry kKeyNames[] = {
    {1, "Escape"},
    {2, "1"},
    {3, "2"},
    {4, "3"},
    {5, "4"},
    {6, "5"},
    {7, "6"},
    {8, "7"},
    {9, "8"},
    {10, "9"},
    {11, "0"},
    {12, "Minus"},
    {13, "Equals"},
    {14, "Backspace"},
    {15, "Tab"},
    {16, "Q"},
    {17, "W"},
    {18, "E"},
    {19, "R"},
    {20, "T"},
    {21, "Y"},
    {22, "U"},
    {23, "I"},
    {24, "O"},
    {25, "P"},
    {26, "LeftBracket"},
    {27, "RightBracket"},
    {28, "Enter"},
    {29, "LeftCtrl"},
    {30, "A"},
    {31, "S"},
    {32, "D"},
    {33, "F"},
    {34, "G"},
    {35, "H"},
    {36, "J"},
    {37, "K"},
    {38, "L"},
    {39, "Semicolon"},
    {40, "Apostrophe"},
    {41, "Grave"},
    {42, "LeftShift"},
    {43, "Backslash"},
    {44, "Z"},
    {45, "X"},
    {46, "C"},
    {47, "V"},
    {48, "B"},
    {49, "N"},
    {50, "M"},
    {51, "Comma"},
    {52, "Period"},
    {53, "Slash"},
    {54, "RightShift"},
    {55, "KeypadMultiply"},
    {56, "LeftAlt"},
    {57, "Space"},
    {58, "CapsLock"},
    {59, "F1"},
    {60, "F2"},
    {61, "F3"},
    {62, "F4"},
    {63, "F5"},
    {64, "F6"},
    {65, "F7"},
    {66, "F8"},
    {67, "F9"},
    {68, "F10"},
    {69, "NumLock"},
    {70, "ScrollLock"},
    {71, "Keypad7"},
    {72, "Keypad8"},
    {73, "Keypad9"},
    {74, "KeypadMinus"},
    {75, "Keypad4"},
    {76, "Keypad5"},
    {77, "Keypad6"},
    {78, "KeypadPlus"},
    {79, "Keypad1"},
    {80, "Keypad2"},
    {81, "Keypad3"},
    {82, "Keypad0"},
    {83, "KeypadPeriod"},
    {87, "F11"},
    {88, "F12"},
    {156, "KeypadEnter"},
    {157, "RightCtrl"},
    {181, "KeypadDivide"},
    {184, "RightAlt"},
    {197, "Pause"},
    {199, "Home"},
    {200, "Up"},
    {201, "PageUp"},
    {203, "Left"},
    {205, "Right"},
    {207, "End"},
    {208, "Down"},
    {209, "PageDown"},
    {210, "Insert"},
    {211, "Delete"},
    {219, "LeftSuper"},
    {220, "RightSuper"},
    {221, "Menu"},
};

const char* const kPadNames[platform::kPadButtonCount] = {
    "A",
    "B",
    "X",
    "Y",
    "Back",
    "Guide",
    "Start",
    "LeftStick",
    "RightStick",
    "LeftShoulder",
    "RightShoulder",
    "DpadUp",
    "DpadDown",
    "DpadLeft",
    "DpadRight",
};

bool SameName(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

}  // namespace

Bindings DefaultBindings() {
    Bindings b;
    for (int a = 0; a < kActionCount; ++a) {
        b.keys[a][0] = kActions[a].key1;
        b.keys[a][1] = kActions[a].key2;
        b.pads[a] = kActions[a].pad;
    }
    return b;
}

const char* ActionName(Action action) { return kActions[action].name; }
const char* ActionCaption(Action action) { return kActions[action].caption; }

int ActionOfGameKey(int keyCode) {
    switch (keyCode) {
        case kScanSpace:
            return kActionAbandon;
        case kScanEscape:
            return kActionQuit;
        case kScanP:
            return kActionScreenshot;
        default:
            return -1;
    }
}

std::string KeyName(int keyCode) {
    for (const KeyNameEntry& k : kKeyNames)
        if (k.code == keyCode) return k.name;
    return keyCode == 0 ? "none" : "Key" + std::to_string(keyCode);
}

bool KeyFromName(const std::string& name, int* keyCode) {
    if (SameName(name, "none")) return *keyCode = 0, true;
    for (const KeyNameEntry& k : kKeyNames)
        if (SameName(name, k.name)) return *keyCode = k.code, true;
    return false;
}

std::string PadButtonName(int button) {
    return button >= 0 && button < platform::kPadButtonCount ? kPadNames[button] : "none";
}

bool PadButtonFromName(const std::string& name, int* button) {
    if (SameName(name, "none")) return *button = -1, true;
    for (int b = 0; b < platform::kPadButtonCount; ++b)
        if (SameName(name, kPadNames[b])) return *button = b, true;
    return false;
}

std::string KeysText(const uint8_t keys[2]) {
    if (!keys[0] && !keys[1]) return "none";
    if (!keys[1]) return KeyName(keys[0]);
    if (!keys[0]) return KeyName(keys[1]);
    return KeyName(keys[0]) + " " + KeyName(keys[1]);
}

bool KeysFromText(const std::string& text, uint8_t keys[2]) {
    std::istringstream in(text);
    std::string word;
    uint8_t found[2] = {};
    int n = 0;
    while (in >> word) {
        int code = 0;
        if (n == 2 || !KeyFromName(word, &code)) return false;
        found[n++] = uint8_t(code);
    }
    if (n == 0) return false;
    keys[0] = found[0], keys[1] = found[1];
    return true;
}

}  // namespace engine
