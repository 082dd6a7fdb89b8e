// Reads input scripts: a version line, then "frame command arguments" lines.
#include "platform/common/input_script.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

namespace scripted {

namespace {

constexpr int kNewestVersion = 2;  // engine::kInputScriptVersion, what recordings write
constexpr long long kPointerLimit = kScriptPointerLimit;

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

namespace {

// One line at a time from a stream, the comment dropped as it is read: a comment costs no memory
// whatever its length, and the size limit is checked as the bytes come in.
class LineReader {
public:
    LineReader(std::streambuf* in, const ScriptLimits& limits) : in_(in), limits_(limits) {}

    enum class Result { kLine, kEnd, kTooLong, kTooBig };
    Result Next(std::string* line) {
        line->clear();
        bool comment = false, any = false;
        for (int c; (c = in_->sbumpc()) != std::char_traits<char>::eof();) {
            any = true;
            if (++bytes_ > limits_.bytes) return Result::kTooBig;
            if (c == '\n') return Result::kLine;
            if (c == '#') comment = true;
            if (comment) continue;
            if (line->size() >= size_t(limits_.lineChars)) return Result::kTooLong;
            line->push_back(char(c));
        }
        return any ? Result::kLine : Result::kEnd;
    }

private:
    std::streambuf* in_;
    const ScriptLimits& limits_;
    int64_t bytes_ = 0;
};

// The words of a line, split at the blanks a stream would skip, with no stream built for each line: a
// script of empty lines reads at the speed of the disk.
void SplitWords(const std::string& line, std::vector<std::string>* words) {
    words->clear();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
    for (size_t i = 0; i < line.size();) {
        if (blank(line[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < line.size() && !blank(line[i])) ++i;
        words->emplace_back(line, start, i - start);
    }
}

bool Parse(std::streambuf* in, const std::string& name, InputScript* out, std::string* error,
           const ScriptLimits& limits) {
    *out = InputScript{};
    LineReader reader(in, limits);
    std::string line;
    std::vector<std::string> w;
    int64_t lineNo = 0;
    bool sawVersion = false;
    int64_t workMillis = 0;
    auto fail = [&](const std::string& why) {
        *error = name + ":" + std::to_string(lineNo) + ": " + why;
        return false;
    };
    for (;;) {
        const LineReader::Result got = reader.Next(&line);
        if (got == LineReader::Result::kEnd) break;
        ++lineNo;
        if (got == LineReader::Result::kTooBig) {
            *error = name + ": larger than " + std::to_string(limits.bytes) +
                     " bytes, the limit for an input script";
            return false;
        }
        if (got == LineReader::Result::kTooLong)
            return fail("longer than " + std::to_string(limits.lineChars) +
                        " characters before its comment, the limit for a line");
        SplitWords(line, &w);
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
            // A recording holds each record file once; more would only cost time before play.
            for (const ScriptRecord& r : out->records)
                if (r.file == w[1]) return fail("a second record line for " + w[1]);
            out->records.push_back({w[1], v});
            continue;
        }
        ScriptEvent e;
        if (!ParseInt(w[0], 0, std::numeric_limits<long long>::max(), &v))
            return fail("a line starts with a frame number, seed or clock");
        if (v > limits.frame)
            return fail("frame " + w[0] + " is past " + std::to_string(limits.frame) +
                        ", the limit for an input script");
        e.frame = v;
        if (w.size() < 2) return fail("a command follows the frame number");
        if (int64_t(out->events.size() + out->digests.size()) >= limits.events)
            return fail("more than " + std::to_string(limits.events) +
                        " events and digests, the limit for an input script");
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
            if (n != 2 || !ParseInt(w[2], -kPointerLimit, kPointerLimit, &v) ||
                !ParseInt(w[3], -kPointerLimit, kPointerLimit, &v2))
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
            // Virtual time is not free: the sound is mixed for all of it.
            workMillis += v;
            if (workMillis > limits.workMillis)
                return fail("the work lines add up to more than " + std::to_string(limits.workMillis) +
                            " ms, the limit for an input script");
            e.kind = ScriptEvent::Kind::kWork;
            e.a = int(v);
        } else {
            return fail("unknown command \"" + c + "\"");
        }
        out->events.push_back(e);
    }
    if (!sawVersion) return fail("empty script: the first line must be \"velmoran-input VERSION\"");
    auto byPump = [](const ScriptEvent& x, const ScriptEvent& y) {
        return ApplyingPump(x) < ApplyingPump(y);
    };
    // Recordings come in order; sorting them anyway would cost half their size again in memory.
    if (!std::is_sorted(out->events.begin(), out->events.end(), byPump))
        std::stable_sort(out->events.begin(), out->events.end(), byPump);
    return true;
}

}  // namespace

bool ParseInputScript(const std::string& text, const std::string& name, InputScript* out, std::string* error,
                      const ScriptLimits& limits) {
    std::stringbuf in(text, std::ios::in);
    return Parse(&in, name, out, error, limits);
}

bool LoadInputScript(const std::string& path, InputScript* out, std::string* error,
                     const ScriptLimits& limits) {
    std::filebuf in;
    if (!in.open(path, std::ios::in | std::ios::binary)) {
        *error = path + ": cannot be read";
        return false;
    }
    return Parse(&in, path, out, error, limits);
}

int64_t LastScriptedPump(const InputScript& script) {
    int64_t last = 0;
    for (const ScriptEvent& e : script.events) last = std::max(last, ApplyingPump(e));
    if (!script.digests.empty()) last = std::max(last, script.digests.back().frame);
    return last;
}

int64_t VerifyFrameLimit(const InputScript& script) {
    if (!script.digests.empty() && script.digests.back().atEnd) return script.digests.back().frame + 1;
    return LastScriptedPump(script) + kVerifyExtraFrames;
}

}  // namespace scripted
