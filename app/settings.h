// settings.ini: the player's lasting choices, "key = value" lines with # comments, read and rewritten.
#pragma once

#include <string>
#include <vector>

#include "engine/input/bindings.h"
#include "engine/platform.h"

namespace app {

struct Settings {
    platform::Options options;  // mouse, display, sound device and steering choices
    bool askAtStart = true;     // ask "full screen?" at start, as the game always did
    bool fullScreen = true;     // the stored answer when not asking; Alt+Enter updates it
    int effectsVolume = 100;    // percent
    int musicVolume = 100;      // percent
    bool mute = false;
    bool muteWhenInactive = false;
    engine::Bindings bindings = engine::DefaultBindings();  // keys_* and pad_*
    std::string scoresUrl;   // a score table to send finished games to; empty: none
    std::string playerName;  // the name on that table; empty: the login name
};

// A settings file as read: the values, and its lines for writing it back with comments and
// unknown keys kept.
struct SettingsFile {
    Settings settings;
    std::vector<std::string> lines;
    // False when the file is there but could not be read whole (unreadable, not a regular file, too
    // large): its values are the defaults, and SaveSettings refuses to write over it.
    bool readWhole = true;
};

// Reads settings text. A bad value keeps the default and adds one message to `warnings` (with the
// line number); unknown keys are kept and ignored. Never fails.
// `base` gives the values of keys the text does not name.
SettingsFile ParseSettings(const std::string& text, std::vector<std::string>* warnings,
                           const Settings& base = {});
// True for a key this version knows.
bool IsSettingKey(const std::string& name);

// The text for `settings`: the file's own lines with the known keys' values replaced, and every
// known key missing from it added at the end with its comment.
std::string FormatSettings(const SettingsFile& file, const Settings& settings);

// Reads `path` (a missing file gives the defaults); warnings go to stderr, one line each. A file that
// cannot be read whole (or is a link, a folder, a pipe, or over 1 MiB) gives the defaults and one line,
// and is marked so that it is never rewritten.
SettingsFile LoadSettings(const std::string& path);
// Writes through a new temporary file of its own and a rename, so a crash never leaves half a file.
// False (and one line on stderr) when it cannot be written or `file` was not read whole.
bool SaveSettings(const std::string& path, const SettingsFile& file, const Settings& settings);

// True when the values that are kept in the file differ.
bool SameSettings(const Settings& a, const Settings& b);

}  // namespace app
