// settings.ini: one table of keys, each with its comment, its reader and its writer.
#include "app/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>

#include "engine/file/atomic_write.h"

namespace app {

namespace {

// A settings file is a few hundred bytes; anything larger than this is not one.
constexpr long kMaxFileBytes = 1 << 20;
// The largest window side SDL creates; a larger remembered size would stop every start.
constexpr long kMaxWindowSide = 16384;

struct Key {
    const char* name;
    const char* comment;
    // Takes a value; false when it is not one this key accepts (the default is then kept).
    std::function<bool(const std::string&, Settings*)> read;
    std::function<std::string(const Settings&)> write;
    const char* expects;  // for the warning
};

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool ReadBool(const std::string& v, bool* out) {
    if (v == "yes" || v == "true" || v == "on" || v == "1") return *out = true, true;
    if (v == "no" || v == "false" || v == "off" || v == "0") return *out = false, true;
    return false;
}

bool ReadInt(const std::string& v, long lo, long hi, int* out) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || errno != 0 || n < lo || n > hi) return false;
    *out = int(n);
    return true;
}

std::string YesNo(bool b) { return b ? "yes" : "no"; }

Key Bool(const char* name, const char* comment, bool Settings::*field) {
    return {name, comment, [field](const std::string& v, Settings* s) { return ReadBool(v, &(s->*field)); },
            [field](const Settings& s) { return YesNo(s.*field); }, "yes or no"};
}

Key OptionBool(const char* name, const char* comment, bool platform::Options::*field) {
    return {name, comment,
            [field](const std::string& v, Settings* s) { return ReadBool(v, &(s->options.*field)); },
            [field](const Settings& s) { return YesNo(s.options.*field); }, "yes or no"};
}

Key Percent(const char* name, const char* comment, int Settings::*field) {
    return {name, comment,
            [field](const std::string& v, Settings* s) { return ReadInt(v, 0, 100, &(s->*field)); },
            [field](const Settings& s) { return std::to_string(s.*field); }, "a whole number from 0 to 100"};
}

Key OptionInt(const char* name, const char* comment, int platform::Options::*field, long lo, long hi,
              const char* expects) {
    return {name, comment,
            [field, lo, hi](const std::string& v, Settings* s) {
                return ReadInt(v, lo, hi, &(s->options.*field));
            },
            [field](const Settings& s) { return std::to_string(s.options.*field); }, expects};
}

// A window position: a number, or "centred".
Key Position(const char* name, const char* comment, int platform::Options::*field) {
    return {name, comment,
            [field](const std::string& v, Settings* s) {
                if (v == "centred" || v == "centered")
                    return s->options.*field = platform::kWindowCentred, true;
                return ReadInt(v, -32768, 32767, &(s->options.*field));
            },
            [field](const Settings& s) {
                const int p = s.options.*field;
                return p == platform::kWindowCentred ? std::string("centred") : std::to_string(p);
            },
            "a whole number or centred"};
}

// keys_ACTION = up to two key names, pad_ACTION = a controller button's name ("none" for nothing).
void AddBindingKeys(std::vector<Key>* keys) {
    for (int a = 0; a < engine::kActionCount; ++a) {
        const auto action = engine::Action(a);
        static std::deque<std::string> names, comments;  // where the names live (a deque never moves them)
        names.push_back(std::string("keys_") + engine::ActionName(action));
        comments.push_back(a == 0 ? "Keys of each action (up to two: LeftCtrl RightCtrl, F1, Space, none)."
                                  : "");
        keys->push_back(
            {names.back().c_str(), comments.back().c_str(),
             [a](const std::string& v, Settings* s) { return engine::KeysFromText(v, s->bindings.keys[a]); },
             [a](const Settings& s) { return engine::KeysText(s.bindings.keys[a]); },
             "up to two key names, or none"});
    }
    for (int a = 0; a < engine::kActionCount; ++a) {
        const auto action = engine::Action(a);
        static std::deque<std::string> names, comments;
        names.push_back(std::string("pad_") + engine::ActionName(action));
        comments.push_back(a == 0 ? "The game controller's button of each action (A, B, X, Y, Start, Back, "
                                    "DpadLeft, LeftShoulder, ..., none)."
                                  : "");
        keys->push_back({names.back().c_str(), comments.back().c_str(),
                         [a](const std::string& v, Settings* s) {
                             int button = -1;
                             if (!engine::PadButtonFromName(v, &button)) return false;
                             s->bindings.pads[a] = int16_t(button);
                             return true;
                         },
                         [a](const Settings& s) { return engine::PadButtonName(s.bindings.pads[a]); },
                         "a controller button's name, or none"});
    }
}

const std::vector<Key>& Keys() {
    static const std::vector<Key> keys = [] {
        std::vector<Key> k = {
            Bool("ask_at_start",
                 "Ask \"full screen?\" at every start (yes), or use the stored choice below (no).",
                 &Settings::askAtStart),
            Bool("fullscreen", "Full screen (yes) or a window (no) when not asking; Alt+Enter changes it.",
                 &Settings::fullScreen),
            {"mouse_mode", "How steering reads the mouse: relative, or warp (moves the system pointer back).",
             [](const std::string& v, Settings* s) {
                 if (v != "relative" && v != "warp") return false;
                 s->options.mouseMode =
                     v == "warp" ? platform::MouseMode::kWarp : platform::MouseMode::kRelative;
                 return true;
             },
             [](const Settings& s) {
                 return std::string(s.options.mouseMode == platform::MouseMode::kWarp ? "warp" : "relative");
             },
             "relative or warp"},
            {"mouse_sensitivity", "Steering speed of the mouse, keys and gamepad (1.0 as the game was made).",
             [](const std::string& v, Settings* s) {
                 char* end = nullptr;
                 const double x = std::strtod(v.c_str(), &end);
                 if (v.empty() || *end != '\0' || !(x > 0.0 && x <= 100.0)) return false;
                 s->options.mouseSensitivity = x;
                 return true;
             },
             [](const Settings& s) {
                 char text[32];
                 std::snprintf(text, sizeof text, "%g", s.options.mouseSensitivity);
                 std::string t = text;
                 if (t.find_first_of(".e") == std::string::npos) t += ".0";
                 return t;
             },
             "a number above 0 and at most 100"},
            OptionBool("keyboard_steering", "Arrow keys steer, Ctrl fires.",
                       &platform::Options::keyboardSteering),
            OptionBool("gamepad",
                       "A game controller steers (stick or pad) and fires (A); Start abandons, Back quits.",
                       &platform::Options::gamepad),
            OptionBool("integer_scale",
                       "Scale the picture by whole steps only (sharper, with wider borders).",
                       &platform::Options::integerScale),
            OptionBool("vsync", "Wait for the display's refresh when showing a frame.",
                       &platform::Options::vsync),
            OptionInt("display", "The display to play on, 0 the first.", &platform::Options::display, 0, 63,
                      "a display number from 0 to 63"),
            OptionInt("window_width", "The window's inner size; 0 for the picture's own 640 x 480.",
                      &platform::Options::windowWidth, 0, kMaxWindowSide, "a whole number from 0 to 16384"),
            OptionInt("window_height", "", &platform::Options::windowHeight, 0, kMaxWindowSide,
                      "a whole number from 0 to 16384"),
            Position("window_x", "The window's position on the desktop, or centred.",
                     &platform::Options::windowX),
            Position("window_y", "", &platform::Options::windowY),
            Percent("effects_volume", "Volume of the sound effects, 0 to 100.", &Settings::effectsVolume),
            Percent("music_volume", "Volume of the music, 0 to 100.", &Settings::musicVolume),
            Bool("mute", "All sound off; the M key switches it.", &Settings::mute),
            Bool("mute_when_inactive", "Silence while another window has the focus.",
                 &Settings::muteWhenInactive),
            {"audio_device", "The sound device by name (as the system lists it); empty for the default.",
             [](const std::string& v, Settings* s) {
                 s->options.audioDevice = v;
                 return true;
             },
             [](const Settings& s) {
                 const std::string& d = s.options.audioDevice;
                 const bool quote = !d.empty() && (d.find('#') != std::string::npos || d.front() == '"' ||
                                                   d != Trim(d) || d.front() == ' ' || d.back() == ' ');
                 return quote ? "\"" + d + "\"" : d;
             },
             "a device name"},
            {"scores_url",
             "A score table (velmoran-scores) that finished games are sent to, e.g. "
             "http://scores.example:8080; "
             "empty: none.",
             [](const std::string& v, Settings* s) {
                 if (!v.empty() && v.rfind("http://", 0) != 0 && v.rfind("https://", 0) != 0) return false;
                 s->scoresUrl = v;
                 return true;
             },
             [](const Settings& s) { return s.scoresUrl; }, "an http:// or https:// address, or nothing"},
            {"player_name", "Your name on that table (1 to 24 characters); empty: your login name.",
             [](const std::string& v, Settings* s) {
                 if (v.size() > 96) return false;
                 s->playerName = v;
                 return true;
             },
             [](const Settings& s) { return s.playerName; }, "a name"},
        };
        AddBindingKeys(&k);
        return k;
    }();
    return keys;
}

// Splits "key = value # comment"; false for blank and comment lines and lines without '='.
bool SplitLine(const std::string& line, std::string* key, std::string* value) {
    const std::string t = Trim(line);
    if (t.empty() || t[0] == '#' || t[0] == ';') return false;
    const size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    *key = Trim(t.substr(0, eq));
    std::string v = Trim(t.substr(eq + 1));
    // "Quoted": everything up to the last quote, for a device name with " #" or spaces at its ends.
    if (v.size() >= 2 && v[0] == '"') {
        const size_t close = v.rfind('"');
        if (close > 0) {
            *value = v.substr(1, close - 1);
            return true;
        }
    }
    // A comment after a value needs white space before it, so a device name may hold '#'.
    for (size_t i = 1; i < v.size(); ++i)
        if (v[i] == '#' && (v[i - 1] == ' ' || v[i - 1] == '\t')) {
            v.resize(i);
            break;
        }
    *value = Trim(v);
    return true;
}

const Key* FindKey(const std::string& name) {
    for (const Key& k : Keys())
        if (name == k.name) return &k;
    return nullptr;
}

}  // namespace

bool IsSettingKey(const std::string& name) { return FindKey(Trim(name)) != nullptr; }

SettingsFile ParseSettings(const std::string& text, std::vector<std::string>* warnings,
                           const Settings& base) {
    SettingsFile file;
    file.settings = base;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        file.lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    const Settings defaults;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        std::string key, value;
        if (!SplitLine(file.lines[i], &key, &value)) continue;
        const Key* k = FindKey(key);
        if (!k) continue;  // kept as it is, for a newer version of the game
        Settings tried = file.settings;
        if (k->read(value, &tried)) {
            file.settings = tried;
        } else if (warnings) {
            std::string shown = value.substr(0, 40);
            for (char& c : shown)
                if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
            warnings->push_back("line " + std::to_string(i + 1) + ": " + k->name + " takes " + k->expects +
                                ", not \"" + shown + "\"; using " + k->write(defaults));
        }
    }
    return file;
}

std::string FormatSettings(const SettingsFile& file, const Settings& settings) {
    std::string out;
    std::vector<bool> written(Keys().size(), false);
    for (const std::string& line : file.lines) {
        std::string key, value;
        const Key* k = SplitLine(line, &key, &value) ? FindKey(key) : nullptr;
        if (!k) {
            out += line + "\n";
            continue;
        }
        const size_t index = size_t(k - Keys().data());
        if (written[index]) continue;  // a repeated key: the last one was read, one is written
        written[index] = true;
        out += std::string(k->name) + " = " + k->write(settings) + "\n";
    }
    if (file.lines.empty()) out += "# VELMORAN settings: \"key = value\" lines; # starts a comment.\n";
    for (size_t i = 0; i < Keys().size(); ++i) {
        if (written[i]) continue;
        const Key& k = Keys()[i];
        if (*k.comment) out += std::string("\n# ") + k.comment + "\n";
        out += std::string(k.name) + " = " + k.write(settings) + "\n";
    }
    return out;
}

namespace {

// Reads the whole of `path` into *text. True for a regular file read whole and for a missing one (no
// text); false, with the reason, for anything else.
bool ReadSettingsText(const std::string& path, std::string* text, std::string* reason) {
    // A link is read where it leads (players keep their settings with their other dotfiles), but
    // only to a regular file: a pipe in its place must not hold up the start.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) return true;
        *reason = std::strerror(error);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        *reason = std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        *reason = "it is a folder";
    } else if (!S_ISREG(st.st_mode)) {
        *reason = "it is not a regular file";
    } else if (st.st_size > kMaxFileBytes) {
        *reason = "it is larger than 1 MiB";
    } else {
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                *reason = std::strerror(errno);
                break;
            }
            if (n == 0) {
                close(fd);
                return true;
            }
            text->append(buffer, size_t(n));
            if (text->size() > size_t(kMaxFileBytes)) {  // grew while being read
                *reason = "it is larger than 1 MiB";
                break;
            }
        }
    }
    close(fd);
    text->clear();
    return false;
}

}  // namespace

SettingsFile LoadSettings(const std::string& path) {
    std::string text, reason;
    if (!ReadSettingsText(path, &text, &reason)) {
        std::fprintf(stderr,
                     "velmoran: %s could not be read (%s); using the defaults, and it will not be changed\n",
                     path.c_str(), reason.c_str());
        SettingsFile unread;
        unread.readWhole = false;
        return unread;
    }
    std::vector<std::string> warnings;
    SettingsFile file = ParseSettings(text, &warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "velmoran: %s %s\n", path.c_str(), w.c_str());
    return file;
}

bool SaveSettings(const std::string& path, const SettingsFile& file, const Settings& settings) {
    std::string reason = "it could not be read at start";
    // A settings.ini that is the player's link to their own file is kept a link: the file it leads to
    // is the one replaced.
    std::error_code ec, none;
    std::string target = path;
    if (std::filesystem::is_symlink(path, none)) target = std::filesystem::canonical(path, ec).string();
    if (ec) reason = "it is a link that leads nowhere: " + ec.message();
    if (file.readWhole && !ec && engine::ReplaceFile(target, FormatSettings(file, settings), &reason))
        return true;
    std::fprintf(stderr, "velmoran: %s is not written (%s); the settings changed in this run are not kept\n",
                 path.c_str(), reason.c_str());
    return false;
}

bool SameSettings(const Settings& a, const Settings& b) {
    for (const Key& k : Keys())
        if (k.write(a) != k.write(b)) return false;
    return true;
}

}  // namespace app
