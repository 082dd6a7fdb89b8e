// velmoran-scores: a score table where every entry is a recording that the game has played again.
#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "server/options.h"
#include "server/queue.h"
#include "server/score_server.h"
#include "server/store.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "velmoran-scores: %s\n", message.c_str());
    return 1;
}

std::string DefaultGame() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("velmoran") : (self.parent_path() / "velmoran").string();
}

// Written to a fresh file beside it and renamed into place, so that a reader never sees half of it
// and a link already at its name is replaced, not followed.
bool WritePortFile(const std::string& path, int port) {
    const std::string part = path + ".part-" + std::to_string(getpid());
    const int fd = open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const std::string text = std::to_string(port) + "\n";
    const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (close(fd) != 0 || !ok || rename(part.c_str(), path.c_str()) != 0) {
        unlink(part.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    scores::ServerOptions options;
    switch (scores::ParseServerOptions(argc, argv, &options)) {
        case scores::ParseResult::kRun:
            break;
        case scores::ParseResult::kExitOk:
            return 0;
        case scores::ParseResult::kUsageError:
            return 2;
    }
    // A client gone mid-answer is an error of that write, not the end of the server.
    signal(SIGPIPE, SIG_IGN);
    // SIGTERM and SIGINT stop the server in order, from a thread of its own (stop() is not for a
    // signal handler). Blocked before any thread starts, so that every thread inherits the mask.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    scores::ServiceSettings settings;
    settings.maxBodyBytes = options.maxBodyBytes;
    settings.submissionsPerMinute = options.submissionsPerMinute;
    settings.verifiers = options.verifiers > 0
                             ? options.verifiers
                             : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    scores::VerifierSettings& verifier = settings.verifier;
    // Absolute: the verifier starts in its scratch folder.
    verifier.game = options.game.empty() ? DefaultGame() : std::filesystem::absolute(options.game).string();
    verifier.wallSeconds = options.verifySeconds;
    verifier.cpuSeconds = options.verifyCpuSeconds;
    verifier.addressSpaceBytes = options.verifyMemoryBytes;
    // Absolute too: the verifier's summary goes there, and it runs in a folder of its own.
    verifier.scratchRoot =
        options.scratchRoot.empty() ? std::string() : std::filesystem::absolute(options.scratchRoot).string();
    if (verifier.scratchRoot.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        verifier.scratchRoot = tmp && *tmp == '/' ? tmp : "/tmp";
    }
    struct stat st {};
    if (stat(verifier.game.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        access(verifier.game.c_str(), X_OK) != 0)
        return Fail("the game " + verifier.game + " cannot be run (--game names the verifier)");
    if (stat(verifier.scratchRoot.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Fail("the scratch folder " + verifier.scratchRoot + " is not a folder");

    std::string error;
    std::unique_ptr<scores::ScoreStore> store = options.postgres.empty()
                                                    ? scores::OpenSqliteStore(options.sqlitePath, &error)
                                                    : scores::OpenPostgresStore(options.postgres, &error);
    if (!store)
        return Fail(options.postgres.empty()
                        ? "the table " + options.sqlitePath + " cannot be opened: " + error
                        : "PostgreSQL: " + error);

    // On PostgreSQL, submissions go through the queue that every server on the database shares.
    std::unique_ptr<scores::VerifyQueue> queue;
    if (!options.postgres.empty() && !(queue = scores::OpenPostgresQueue(options.postgres, &error)))
        return Fail("PostgreSQL: the verification queue: " + error);

    scores::ScoreService service(store.get(), settings, queue.get());
    httplib::Server server;
    service.Mount(&server);
    const int port = options.port == 0
                         ? server.bind_to_any_port(options.listen)
                         : (server.bind_to_port(options.listen, options.port) ? options.port : -1);
    if (port <= 0)
        return Fail("cannot listen on " + options.listen + " port " + std::to_string(options.port) + ": " +
                    std::strerror(errno));
    if (!options.portFile.empty() && !WritePortFile(options.portFile, port))
        return Fail("the port file " + options.portFile + " cannot be written");
    std::thread([&server, endSignals] {
        int signal = 0;
        while (sigwait(&endSignals, &signal) != 0) {
        }
        server.stop();
    }).detach();
    std::fprintf(stderr, "velmoran-scores: listening on http://%s:%d/ (%s)\n", options.listen.c_str(), port,
                 options.postgres.empty() ? options.sqlitePath.c_str() : "PostgreSQL");
    const bool listened = server.listen_after_bind();
    return listened ? 0 : Fail("the server stopped listening");
}
