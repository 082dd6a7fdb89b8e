// Reads input scripts: a version line, then "frame command arguments" lines.
#include "platform/common/input_script.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace scripted {

namespace {

constexpr int kNewestVersion = 2;  // engine::kInputScriptVersion, what recordings write

bool ParseInt(const std::string& word, long long lo, long long hi, long long* out) {
    if (word.empty()) return false;
    size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(word, &used, 0);
    } catch (...) {
        return false;
    }
    if (used != word.size() || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool UpDown(const std::string& w, int* out) {
    if (w == "down") return *out = 1, true;
    if (w == "up") return *out = 0, true;
    return false;
}

}  // namespace

int64_t ApplyingPump(const ScriptEvent& e) {
    if (e.kind == ScriptEvent::Kind::kWork) return e.frame;
    return e.frame > 0 ? e.frame - 1 : 0;
}

bool ParseInputScript(const std::string& text, const std::string& name, InputScript* out,
                      std::string* error) {
    *out = InputScript{};
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    bool sawVersion = false;
    auto fail = [&](const std::string& why) {
        *error = name + ":" + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty()) continue;
        long long v = 0, v2 = 0;
        if (!sawVersion) {
            if (w.size() != 2 || w[0] != "velmoran-input")
                return fail("the first line must be \"velmoran-input VERSION\"");
            if (!ParseInt(w[1], 1, kNewestVersion, &v))
                return fail("input script version " + w[1] +
                            " is unknown to this build, which reads versions 1 to " +
                            std::to_string(kNewestVersion));
            out->version = int(v);
            sawVersion = true;
            continue;
        }
        if (w[0] == "seed") {
            if (w.size() != 2 || !ParseInt(w[1], 0, 0xFFFFFFFFll, &v))
                return fail("seed takes one number 0..4294967295");
            out->hasSeed = true;
            out->seed = uint32_t(v);
            continue;
        }
        if (w[0] == "clock") {
            if (w.size() != 2 || !ParseInt(w[1], 0, 0x7FFFFFFFll, &v))
                return fail("clock takes milliseconds 0..2147483647");
            out->hasClock = true;
            out->clockMillis = uint64_t(v);
            continue;
        }
        if (w[0] == "record" && out->version >= 2) {
            if (w.size() != 3 || (w[1] != "score.dat" && w[1] != "start.dat") ||
                !ParseInt(w[2], -0x80000000ll, 0x7FFFFFFFll, &v))
                return fail("record score.dat|start.dat NUMBER");
            out->records.push_back({w[1], v});
            continue;
        }
        ScriptEvent e;
        if (!ParseInt(w[0], 0, 1ll << 40, &v))
            return fail("a line starts with a frame number, seed or clock");
        e.frame = v;
        if (w.size() < 2) return fail("a command follows the frame number");
        const std::string& c = w[1];
        const size_t n = w.size() - 2;
        if (c == "key") {
            if (n != 2 || !ParseInt(w[2], 0, 255, &v) || !UpDown(w[3], &e.b)) return fail("key CODE down|up");
            e.kind = ScriptEvent::Kind::kKey;
            e.a = int(v);
        } else if (c == "button") {
            static const char* names[] = {"left", "right", "middle"};
            auto it = std::find(std::begin(names), std::end(names), w.size() > 2 ? w[2] : "");
            if (n != 2 || it == std::end(names) || !UpDown(w[3], &e.b))
                return fail("button left|right|middle down|up");
            e.kind = ScriptEvent::Kind::kButton;
            e.a = 1 << int(it - std::begin(names));
        } else if (c == "move" || c == "rel") {
            if (n != 2 || !ParseInt(w[2], -100000, 100000, &v) || !ParseInt(w[3], -100000, 100000, &v2))
                return fail(c + " X Y");
            e.kind = c == "move" ? ScriptEvent::Kind::kMove : ScriptEvent::Kind::kRelative;
            e.a = int(v);
            e.b = int(v2);
        } else if (c == "close") {
            if (n != 0) return fail("close takes no arguments");
            e.kind = ScriptEvent::Kind::kClose;
        } else if (c == "focus") {
            if (n != 1 || (w[2] != "on" && w[2] != "off")) return fail("focus on|off");
            e.kind = ScriptEvent::Kind::kFocus;
            e.a = w[2] == "on";
        } else if ((c == "digest" || c == "end") && out->version >= 2) {
            uint64_t d = 0;
            if (n != 1 || w[2].size() != 16 || !std::all_of(w[2].begin(), w[2].end(), [](unsigned char ch) {
                    return std::isxdigit(ch) != 0;
                }))
                return fail(c + " takes 16 hexadecimal digits");
            std::sscanf(w[2].c_str(), "%16" SCNx64, &d);
            if (!out->digests.empty() && (out->digests.back().atEnd || out->digests.back().frame > e.frame ||
                                          (c == "digest" && out->digests.back().frame == e.frame)))
                return fail("digest lines come in rising frame order, and the end line last");
            out->digests.push_back({e.frame, d, c == "end"});
            continue;
        } else if (c == "work") {
            if (n != 1 || !ParseInt(w[2], 0, 600000, &v)) return fail("work MILLISECONDS");
            e.kind = ScriptEvent::Kind::kWork;
            e.a = int(v);
        } else {
            return fail("unknown command \"" + c + "\"");
        }
        out->events.push_back(e);
    }
    if (!sawVersion) return fail("empty script: the first line must be \"velmoran-input VERSION\"");
    std::stable_sort(out->events.begin(), out->events.end(), [](const ScriptEvent& x, const ScriptEvent& y) {
        return ApplyingPump(x) < ApplyingPump(y);
    });
    return true;
}

bool LoadInputScript(const std::string& path, InputScript* out, std::string* error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        *error = path + ": cannot be read";
        return false;
    }
    std::ostringstream all;
    all << f.rdbuf();
    return ParseInputScript(all.str(), path, out, error);
}

}  // namespace scripted
