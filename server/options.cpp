#include "server/options.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace scores {

namespace {

bool Number(const std::string& text, long long lo, long long hi, long long* out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
    *out = v;
    return true;
}

struct Option {
    const char* name;
    const char* value;
    const char* help;
    std::function<std::string(const std::string&, ServerOptions*)> apply;
};

// An option taking a whole number from lo to hi, stored through set.
Option Whole(const char* name, const char* help, long long lo, long long hi,
             std::function<void(long long, ServerOptions*)> set) {
    return {name, "N", help, [=](const std::string& v, ServerOptions* o) {
                long long n = 0;
                if (!Number(v, lo, hi, &n))
                    return std::string(name) + " takes a whole number from " + std::to_string(lo) + " to " +
                           std::to_string(hi);
                set(n, o);
                return std::string();
            }};
}

Option Text(const char* name, const char* value, const char* help, std::string ServerOptions::*field) {
    return {name, value, help, [=](const std::string& v, ServerOptions* o) {
                if (v.empty()) return std::string(name) + " takes " + value;
                o->*field = v;
                return std::string();
            }};
}

const std::vector<Option>& Options() {
    static const std::vector<Option> table = {
        Text("--listen", "ADDRESS", "the address to listen on (default 127.0.0.1)", &ServerOptions::listen),
        Whole("--port", "the port (default 8080; 0: a free one)", 0, 65535,
              [](long long n, ServerOptions* o) { o->port = static_cast<int>(n); }),
        Text("--port-file", "FILE", "write the port listened on to FILE once listening",
             &ServerOptions::portFile),
        Text("--db", "FILE", "the SQLite file of the table (default velmoran-scores.db)",
             &ServerOptions::sqlitePath),
        Text("--postgres", "CONNINFO", "keep the table in PostgreSQL instead (a libpq connection string)",
             &ServerOptions::postgres),
        Text("--game", "FILE",
             "the game that verifies recordings (default: the velmoran beside this program)",
             &ServerOptions::game),
        Text("--scratch-dir", "DIR",
             "where verifications make their private folders (default $TMPDIR or /tmp)",
             &ServerOptions::scratchRoot),
        Whole("--max-body-mib", "the largest recording accepted, MiB (default 32)", 1, 512,
              [](long long n, ServerOptions* o) { o->maxBodyBytes = static_cast<uint64_t>(n) << 20; }),
        Whole("--verifiers", "verifications at once (default: the number of cores)", 1, 256,
              [](long long n, ServerOptions* o) { o->verifiers = static_cast<int>(n); }),
        Whole("--submissions-per-minute", "per client address (default 10; 0: no limit)", 0, 1000000,
              [](long long n, ServerOptions* o) { o->submissionsPerMinute = static_cast<int>(n); }),
        Whole("--verify-seconds", "wall time one verification may take (default 180)", 1, 86400,
              [](long long n, ServerOptions* o) { o->verifySeconds = static_cast<int>(n); }),
        Whole("--verify-cpu-seconds", "processor time one verification may take (default 120)", 1, 86400,
              [](long long n, ServerOptions* o) { o->verifyCpuSeconds = static_cast<int>(n); }),
        // 0: no limit, for a game built with AddressSanitizer, whose shadow memory is reserved up front.
        Whole("--verify-memory-mib", "address space of one verification, MiB (default 1024; 0: no limit)", 0,
              1 << 20,
              [](long long n, ServerOptions* o) {
                  o->verifyMemoryBytes = n == 0 ? 0 : static_cast<uint64_t>(std::max(n, 64LL)) << 20;
              }),
    };
    return table;
}

void Help() {
    std::puts(
        "Usage: velmoran-scores [options]\n"
        "The score server: recordings are played again by the game before their score counts.");
    for (const Option& o : Options()) {
        std::string left = std::string("  ") + o.name + " " + o.value;
        left.resize(std::max<size_t>(left.size() + 1, 32), ' ');
        std::printf("%s%s\n", left.c_str(), o.help);
    }
    std::puts("  -h, --help                    show this text");
}

}  // namespace

ParseResult ParseServerOptions(int argc, char** argv, ServerOptions* out) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            Help();
            return ParseResult::kExitOk;
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
        std::string error;
        if (!found) {
            error = "unknown option \"" + arg + "\"";
        } else if (!inlineValue && i + 1 >= argc) {
            error = std::string(found->name) + " takes " + found->value;
        } else {
            if (!inlineValue) value = argv[++i];
            error = found->apply(value, out);
        }
        if (!error.empty()) {
            std::fprintf(stderr, "velmoran-scores: %s (try --help)\n", error.c_str());
            return ParseResult::kUsageError;
        }
    }
    if (!out->postgres.empty() && !out->sqlitePath.empty()) {
        std::fprintf(stderr, "velmoran-scores: --db and --postgres name two tables; give one (try --help)\n");
        return ParseResult::kUsageError;
    }
    if (out->postgres.empty() && out->sqlitePath.empty()) out->sqlitePath = "velmoran-scores.db";
    return ParseResult::kRun;
}

}  // namespace scores
