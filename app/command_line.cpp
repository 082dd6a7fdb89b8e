// The command line: "--name value", "--name=value" and "-h"; files named here are made absolute,
// because the program then moves into its own folder.
#include "app/command_line.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <utility>
#include <vector>

namespace app {

namespace {

struct Option {
    const char* name;
    const char* value;  // the value's name in the help text; nullptr for a switch
    const char* help;
    // Applies the option; returns an error message, empty when it took.
    std::function<std::string(const std::string& value, CommandLine* out)> apply;
};

bool ParseNumber(const std::string& text, long long lo, long long hi, long long* out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
    *out = v;
    return true;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? path : p.string();
}

// A file the run will write at its end must be writable now: finding out after a whole run that
// nothing could be written is too late. Only checked, never opened: a usage error later on the line
// (or the same file given as the replay to read) must not find it emptied.
std::string CheckWritable(const char* option, const std::string& path, std::string* out) {
    if (path.empty()) return std::string(option) + " takes a file name";
    *out = Absolute(path);
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(*out, ec);
    bool ok = false;
    if (fs::exists(status))
        ok = fs::is_regular_file(status) && access(out->c_str(), W_OK) == 0;
    else
        ok = access(fs::path(*out).parent_path().c_str(), W_OK | X_OK) == 0;
    if (!ok)
        return std::string(option) + ": " + path + " cannot be written" +
               (fs::exists(status) && !fs::is_regular_file(status) ? " (not a plain file)" : "");
    return "";
}

// Two options naming one file would have the run overwrite what it reads or writes elsewhere.
std::string SameFileTwice(const CommandLine& c) {
    const std::pair<const char*, const std::string*> files[] = {
        {c.verify ? "--verify" : "--input", &c.options.inputScript},
        {"--record", &c.recordPath},
        {"--summary", &c.summaryPath},
        {"--digest", &c.digestPath},
        {"--audio-capture", &c.options.audioCapture},
    };
    for (size_t i = 0; i < std::size(files); ++i)
        for (size_t j = i + 1; j < std::size(files); ++j) {
            const std::string& a = *files[i].second;
            const std::string& b = *files[j].second;
            if (a.empty() || b.empty()) continue;
            std::error_code ec;
            if (a == b || std::filesystem::equivalent(a, b, ec))
                return std::string(files[i].first) + " and " + files[j].first + " name the same file, " + b;
        }
    return "";
}

const std::vector<Option>& Options() {
    static const std::vector<Option> table = {
        {"--window", nullptr, "play in a window (skips the start-up question)",
         [](const std::string&, CommandLine* c) {
             c->choice = game::ScreenChoice::kWindow;
             return std::string();
         }},
        {"--fullscreen", nullptr, "play full screen (skips the start-up question)",
         [](const std::string&, CommandLine* c) {
             c->choice = game::ScreenChoice::kFullScreen;
             return std::string();
         }},
        {"--headless", nullptr, "no window and no sound card: memory screen, virtual clock",
         [](const std::string&, CommandLine* c) {
             c->headless = true;
             return std::string();
         }},
        {"--frames", "N", "end normally after N frames",
         [](const std::string& v, CommandLine* c) {
             long long n = 0;
             if (!ParseNumber(v, 1, 1ll << 40, &n))
                 return std::string("--frames takes a whole number of frames, 1 or more");
             c->options.frameLimit = n;
             return std::string();
         }},
        {"--input", "FILE",
         "drive the inputs from an input script, headless or in a window (docs/input-script.md)",
         [](const std::string& v, CommandLine* c) {
             if (v.empty()) return std::string("--input takes a file name");
             c->options.inputScript = Absolute(v);
             return std::string();
         }},
        {"--mouse-mode", "MODE", "relative (default) or warp: how steering reads the mouse",
         [](const std::string& v, CommandLine* c) {
             if (v != "relative" && v != "warp") return std::string("--mouse-mode takes relative or warp");
             c->options.mouseMode = v == "warp" ? platform::MouseMode::kWarp : platform::MouseMode::kRelative;
             return std::string();
         }},
        {"--mouse-sensitivity", "X", "scale the steering motion (default 1.0)",
         [](const std::string& v, CommandLine* c) {
             char* end = nullptr;
             const double s = std::strtod(v.c_str(), &end);
             if (v.empty() || *end != '\0' || !(s > 0.0 && s <= 100.0))
                 return std::string("--mouse-sensitivity takes a number above 0 and at most 100");
             c->options.mouseSensitivity = s;
             return std::string();
         }},
        {"--integer-scale", nullptr, "scale the picture by whole steps only",
         [](const std::string&, CommandLine* c) {
             c->options.integerScale = true;
             return std::string();
         }},
        {"--nosound", nullptr, "play silently",
         [](const std::string&, CommandLine* c) {
             c->options.noSound = true;
             return std::string();
         }},
        {"--audio-capture", "FILE", "headless: write everything the mixer played to a WAV file",
         [](const std::string& v, CommandLine* c) {
             return CheckWritable("--audio-capture", v, &c->options.audioCapture);
         }},
        {"--summary", "FILE", "at the end, write a short text summary of the run (for tests)",
         [](const std::string& v, CommandLine* c) { return CheckWritable("--summary", v, &c->summaryPath); }},
        {"--user-dir", "DIR", "keep records, screenshots and settings.ini in DIR",
         [](const std::string& v, CommandLine* c) {
             c->userDir = v;
             return std::string(v.empty() ? "--user-dir takes a folder" : "");
         }},
        {"--data-dir", "DIR", "read the game's data from DIR (the folder holding data/)",
         [](const std::string& v, CommandLine* c) {
             c->dataDir = v;
             return std::string(v.empty() ? "--data-dir takes a folder" : "");
         }},
        {"--set", "KEY=VALUE", "use VALUE for a settings.ini key in this run only",
         [](const std::string& v, CommandLine* c) {
             if (v.find('=') == std::string::npos) return std::string("--set takes key=value");
             c->settings.push_back(v);
             return std::string();
         }},
        {"--verbose", nullptr, "say which folders the game uses",
         [](const std::string&, CommandLine* c) {
             c->verbose = true;
             return std::string();
         }},
        {"--digest", "FILE", "write the frame number and the game's state digest after every frame",
         [](const std::string& v, CommandLine* c) { return CheckWritable("--digest", v, &c->digestPath); }},
        {"--record", "FILE", "record the inputs the game read, replayable with --input or --verify",
         [](const std::string& v, CommandLine* c) { return CheckWritable("--record", v, &c->recordPath); }},
        {"--verify", "FILE", "replay a recording headless, as fast as possible, and check its digests",
         [](const std::string& v, CommandLine* c) {
             if (v.empty()) return std::string("--verify takes a file name");
             c->options.inputScript = Absolute(v);
             c->headless = c->verify = c->options.noSound = true;
             return std::string();
         }},
        {"--autoplay", nullptr, "the autopilot plays (with --input: the stages only, the script the menus)",
         [](const std::string&, CommandLine* c) {
             c->autoplay = true;
             return std::string();
         }},
    };
    return table;
}

void Usage(const std::string& message) {
    std::fprintf(stderr, "velmoran: %s (try --help)\n", message.c_str());
}

}  // namespace

std::string HelpText() {
    std::string text = "Usage: velmoran [options]\n";
    auto line = [&text](const std::string& left, const char* help) {
        std::string l = "  " + left;
        if (l.size() < 24)
            l.resize(24, ' ');
        else
            l += ' ';
        text += l + help + "\n";
    };
    for (const Option& o : Options())
        line(std::string(o.name) + (o.value ? std::string(" ") + o.value : ""), o.help);
    line("-h, --help", "show this text");
    line("--version", "show the version");
    return text;
}

ParseOutcome ParseCommandLine(int argc, char** argv, CommandLine* out) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(HelpText().c_str(), stdout);
            return ParseOutcome::kExitOk;
        }
        if (arg == "--version") {
            std::printf("velmoran %s\n", VELMORAN_VERSION);
            return ParseOutcome::kExitOk;
        }
        std::string value;
        bool inlineValue = false;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            inlineValue = true;
        }
        const Option* found = nullptr;
        for (const Option& o : Options())
            if (arg == o.name) found = &o;
        if (!found) {
            Usage("unknown option \"" + arg + "\"");
            return ParseOutcome::kUsageError;
        }
        if (found->value && !inlineValue) {
            if (i + 1 >= argc) {
                Usage(std::string(found->name) + " takes " + found->value);
                return ParseOutcome::kUsageError;
            }
            value = argv[++i];
        } else if (!found->value && inlineValue) {
            Usage(std::string(found->name) + " takes no value");
            return ParseOutcome::kUsageError;
        }
        if (const std::string error = found->apply(value, out); !error.empty()) {
            Usage(error);
            return ParseOutcome::kUsageError;
        }
    }
    if (const std::string error = SameFileTwice(*out); !error.empty()) {
        Usage(error);
        return ParseOutcome::kUsageError;
    }
    return ParseOutcome::kRun;
}

}  // namespace app
