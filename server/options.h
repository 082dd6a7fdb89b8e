// velmoran-scores' command line.
#pragma once

#include <cstdint>
#include <string>

namespace scores {

struct ServerOptions {
    std::string listen = "127.0.0.1";
    int port = 8080;  // 0: any free port (--port-file tells which)
    std::string portFile;
    std::string sqlitePath;   // empty: velmoran-scores.db, unless --postgres is given
    std::string postgres;     // a libpq connection string: PostgreSQL instead of SQLite
    std::string game;         // the verifier; empty: the velmoran beside the server
    std::string scratchRoot;  // empty: $TMPDIR or /tmp
    uint64_t maxBodyBytes = 32ull << 20;
    int verifiers = 0;  // 0: the number of cores
    int submissionsPerMinute = 10;
    int verifySeconds = 180;
    int verifyCpuSeconds = 120;
    uint64_t verifyMemoryBytes = 1ull << 30;
};

enum class ParseResult { kRun, kExitOk, kUsageError };

// Prints the help or one line for a usage error (to stdout and stderr respectively).
ParseResult ParseServerOptions(int argc, char** argv, ServerOptions* out);

}  // namespace scores
