// Score server load benchmark, on 127.0.0.1 only: records distinct autopilot games, times the bare
// `velmoran --verify` of all of them (one per core at a time), then has N clients submit them at once
// to velmoran-scores, on SQLite and (where the PostgreSQL 15 server is installed) on a PostgreSQL
// server of its own, also with two server processes sharing that database's queue. Prints the
// verifications per second per core, p50 and p99 time to accept, and each server's peak memory.
// Usage: bench_scores [--clients N] [--rounds N] [--frames N] [--cores N]
//   clients 1..32 (default 8), rounds 1..10 (default 2): clients x rounds distinct recordings;
//   frames 600..100000 (default 10000) of each recording; cores the verifiers (default: all of them).
#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool Whole(const char* text, long lo, long hi, long* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs jobs (shell commands) `width` at a time; false when one failed.
bool RunAll(const std::vector<std::string>& jobs, int width) {
    std::atomic<size_t> next{0};
    std::atomic<bool> ok{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < width; ++t)
        threads.emplace_back([&] {
            for (size_t i = next++; i < jobs.size(); i = next++)
                if (std::system(jobs[i].c_str()) != 0) ok = false;
        });
    for (std::thread& t : threads) t.join();
    return ok;
}

// A velmoran-scores of the benchmark's, stopped (SIGTERM, then SIGKILL) when it goes.
class Server {
public:
    Server(const std::vector<std::string>& args, const fs::path& log, const fs::path& portFile) {
        std::error_code ec;
        fs::remove(portFile, ec);  // an earlier run's port is not this one's
        std::vector<std::string> argv = args;
        argv.insert(argv.end(), {"--port", "0", "--port-file", portFile.string()});
        std::vector<char*> pointers;
        for (std::string& a : argv) pointers.push_back(a.data());
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (posix_spawn(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 300 && pid_ > 0 && port_ == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            port_ = std::atoi(Slurp(portFile).c_str());
            int status = 0;
            if (port_ == 0 && waitpid(pid_, &status, WNOHANG) == pid_) pid_ = -1;
        }
    }
    ~Server() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int Port() const { return port_; }
    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    // The server process's peak resident memory so far, KiB (its verifiers are children of their own).
    long PeakKiB() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
        return -1;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// A PostgreSQL server in a scratch folder of its own on a free port of 127.0.0.1 (as nobody when the
// benchmark runs as root: the database server refuses root).
class Postgres {
public:
    explicit Postgres(const fs::path& bin) : bin_(bin) {
        char pattern[] = "/tmp/velmoran-bench-pg-XXXXXX";
        if (!mkdtemp(pattern)) return;
        folder_ = pattern;
        if (geteuid() == 0) {
            as_ = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
            if (std::system(("chown nobody:nogroup " + folder_.string()).c_str()) != 0) return;
        }
        const std::string data = (folder_ / "data").string();
        if (std::system((as_ + (bin_ / "initdb").string() + " -D " + data +
                         " -U velmoran --auth=trust -E UTF8 --no-sync >/dev/null 2>&1")
                            .c_str()) != 0)
            return;
        for (int attempt = 0; attempt < 8 && !started_; ++attempt) {
            const int port = 20000 + static_cast<int>(Clock::now().time_since_epoch().count() % 40000);
            const std::string start = as_ + (bin_ / "pg_ctl").string() + " -D " + data + " -l " +
                                      (folder_ / "server.log").string() + " -w -t 60 -o \"-k " +
                                      folder_.string() + " -p " + std::to_string(port) +
                                      " -c listen_addresses=127.0.0.1\" start >/dev/null 2>&1";
            started_ = std::system(start.c_str()) == 0;
            if (started_)
                connection_ =
                    "host=127.0.0.1 port=" + std::to_string(port) + " user=velmoran dbname=postgres";
        }
    }
    ~Postgres() {
        if (started_)
            (void)std::system((as_ + (bin_ / "pg_ctl").string() + " -D " + (folder_ / "data").string() +
                               " -m immediate stop >/dev/null 2>&1")
                                  .c_str());
        std::error_code ec;
        if (!folder_.empty()) fs::remove_all(folder_, ec);
    }
    Postgres(const Postgres&) = delete;
    Postgres& operator=(const Postgres&) = delete;
    const std::string& Connection() const { return connection_; }  // empty: it did not start

private:
    fs::path bin_, folder_;
    std::string as_, connection_;
    bool started_ = false;
};

struct Load {
    int clients = 8;
    int rounds = 2;
    int cores = 2;
};

struct Figures {
    double seconds = 0;
    int accepted = 0;
    int lost = 0;  // answered otherwise than 201, not answered, or not in the table afterwards
    double p50 = 0, p99 = 0, worst = 0;
    std::vector<long> peakKiB;
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    // Nearest rank: with few samples p99 is the slowest one.
    const size_t rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

// Every client submits one recording a round, all of a round at once; client c talks to server
// c % servers.
Figures Submit(const std::vector<std::string>& recordings, const std::vector<const Server*>& servers,
               const Load& load) {
    Figures f;
    std::vector<double> latencies;
    std::mutex lock;
    std::barrier round(load.clients);
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (int c = 0; c < load.clients; ++c)
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", servers[c % servers.size()]->Port());
            client.set_read_timeout(600, 0);
            client.set_write_timeout(60, 0);
            for (int r = 0; r < load.rounds; ++r) {
                round.arrive_and_wait();
                const std::string& body =
                    recordings[static_cast<size_t>(r) * static_cast<size_t>(load.clients) +
                               static_cast<size_t>(c)];
                const std::string path =
                    "/api/scores?name=bench-" + std::to_string(c) + "-" + std::to_string(r);
                const auto sent = Clock::now();
                const httplib::Result answer = client.Post(path, body, "application/octet-stream");
                const double took = Since(sent);
                const std::lock_guard<std::mutex> hold(lock);
                if (answer && answer->status == 201) {
                    ++f.accepted;
                    latencies.push_back(took);
                } else {
                    ++f.lost;
                    std::fprintf(stderr, "bench_scores: a submission got %s\n",
                                 answer ? (std::to_string(answer->status) + " " + answer->body).c_str()
                                        : httplib::to_string(answer.error()).c_str());
                }
            }
        });
    for (std::thread& t : threads) t.join();
    f.seconds = Since(start);
    f.p50 = Percentile(latencies, 50);
    f.p99 = Percentile(latencies, 99);
    f.worst = Percentile(latencies, 100);
    for (const Server* s : servers) f.peakKiB.push_back(s->PeakKiB());
    // What was accepted is in the table, read through the first server.
    httplib::Client client("127.0.0.1", servers[0]->Port());
    const httplib::Result table = client.Get("/api/scores?limit=1000");
    int rows = 0;
    if (table && table->status == 200)
        for (size_t at = table->body.find("\"id\":"); at != std::string::npos;
             at = table->body.find("\"id\":", at + 1))
            ++rows;
    if (rows != f.accepted) {
        std::fprintf(stderr, "bench_scores: %d accepted, %d in the table\n", f.accepted, rows);
        f.lost += std::abs(f.accepted - rows);
    }
    return f;
}

void Print(const char* what, const Figures& f, int count, int cores, double bareRate) {
    const double rate = count / f.seconds / cores;
    std::string peaks;
    for (const long kib : f.peakKiB)
        peaks += (peaks.empty() ? "" : " + ") + std::to_string(kib / 1024) + " MiB";
    std::printf(
        "%-22s %6.2f s  %6.3f verifications/s/core (%3.0f %% of bare)  p50 %.2f s  p99 %.2f s  "
        "lost %d  server peak %s\n",
        what, f.seconds, rate, 100.0 * rate / bareRate, f.p50, f.p99, f.lost, peaks.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as it comes
    Load load;
    load.cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    long frames = 10000;
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        long v = 0;
        const bool has = i + 1 < argc;
        if (option == "--clients" && has && Whole(argv[i + 1], 1, 32, &v)) {
            load.clients = static_cast<int>(v);
        } else if (option == "--rounds" && has && Whole(argv[i + 1], 1, 10, &v)) {
            load.rounds = static_cast<int>(v);
        } else if (option == "--frames" && has && Whole(argv[i + 1], 600, 100000, &v)) {
            frames = v;
        } else if (option == "--cores" && has && Whole(argv[i + 1], 1, 256, &v)) {
            load.cores = static_cast<int>(v);
        } else {
            std::fprintf(stderr,
                         "bench_scores: usage: bench_scores [--clients 1..32] [--rounds 1..10] "
                         "[--frames 600..100000] [--cores N]\n");
            return 2;
        }
    }
    // The game runs in a folder of its own, so the build's records stay as they are.
    const fs::path build = VELMORAN_BUILD_DIR;
    char pattern[] = "/tmp/velmoran-bench-scores-XXXXXX";
    if (!mkdtemp(pattern)) return std::fprintf(stderr, "bench_scores: no scratch folder in /tmp\n"), 1;
    const fs::path work = pattern;
    struct Cleanup {
        fs::path path;
        ~Cleanup() {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    } cleanup{work};
    fs::create_directories(work / "Option");
    fs::create_directories(work / "ScreenShots");
    fs::create_directories(work / "scratch");
    fs::copy_file(build / "velmoran", work / "velmoran");
    fs::create_directory_symlink(build / "data", work / "data");
    const std::string game = (work / "velmoran").string();
    const int count = load.clients * load.rounds;

    // Distinct games: each runs one frame longer than the one before, so no two hash alike.
    std::vector<std::string> record, verify;
    for (int i = 0; i < count; ++i) {
        const std::string rec = (work / ("game" + std::to_string(i) + ".rec")).string();
        record.push_back(game + " --headless --nosound --autoplay --frames " + std::to_string(frames + i) +
                         " --record " + rec + " >/dev/null");
        verify.push_back("VELMORAN_DRAW_THREADS=1 " + game + " --verify " + rec + " >/dev/null");
    }
    const auto start = Clock::now();
    if (!RunAll(record, load.cores))
        return std::fprintf(stderr, "bench_scores: recording a game failed\n"), 1;
    std::printf(
        "%d recordings of %ld+ frames made in %.1f s; %d clients, %d rounds, %d cores; load average %s",
        count, frames, Since(start), load.clients, load.rounds, load.cores, Slurp("/proc/loadavg").c_str());
    std::vector<std::string> recordings;
    for (int i = 0; i < count; ++i) recordings.push_back(Slurp(work / ("game" + std::to_string(i) + ".rec")));

    // The bare rate is taken again before each server's run, so that a machine whose load changes
    // meanwhile compares like with like.
    const auto bareRate = [&]() {
        const auto began = Clock::now();
        if (!RunAll(verify, load.cores)) return -1.0;
        const double seconds = Since(began);
        const double rate = count / seconds / load.cores;
        std::printf("%-22s %6.2f s  %6.3f verifications/s/core\n", "bare --verify", seconds, rate);
        return rate;
    };
    const fs::path server = build / "velmoran-scores";
    const std::vector<std::string> common = {server.string(),
                                             "--game",
                                             game,
                                             "--scratch-dir",
                                             (work / "scratch").string(),
                                             "--submissions-per-minute",
                                             "0"};
    const auto with = [&](std::vector<std::string> extra, int verifiers) {
        std::vector<std::string> args = common;
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {"--verifiers", std::to_string(verifiers)});
        return args;
    };
    int status = 0;
    {
        const Server sqlite(with({"--db", (work / "scores.db").string()}, load.cores), work / "sqlite.log",
                            work / "sqlite.port");
        if (sqlite.Port() == 0) {
            std::fprintf(stderr, "bench_scores: the server did not start:\n%s",
                         Slurp(work / "sqlite.log").c_str());
            return 1;
        }
        const double bare = bareRate();
        if (bare < 0) return std::fprintf(stderr, "bench_scores: --verify failed\n"), 1;
        const Figures f = Submit(recordings, {&sqlite}, load);
        Print("SQLite", f, count, load.cores, bare);
        if (f.lost > 0) status = 1;
    }

    const fs::path pgBin = "/usr/lib/postgresql/15/bin";
    if (!fs::exists(pgBin / "initdb")) {
        std::printf("PostgreSQL               not measured: no PostgreSQL server in %s\n", pgBin.c_str());
        return status;
    }
    for (const int servers : {1, 2}) {
        const Postgres db(pgBin);
        if (db.Connection().empty())
            return std::fprintf(stderr, "bench_scores: PostgreSQL did not start\n"), 1;
        // Two processes share the cores: each gets half of the verifiers.
        std::vector<std::unique_ptr<Server>> running;
        std::vector<const Server*> pointers;
        for (int s = 0; s < servers; ++s) {
            const std::string tag = "pg" + std::to_string(s);
            running.push_back(std::make_unique<Server>(
                with({"--postgres", db.Connection()}, std::max(1, load.cores / servers)),
                work / (tag + ".log"), work / (tag + ".port")));
            if (running.back()->Port() == 0) {
                std::fprintf(stderr, "bench_scores: the server did not start:\n%s",
                             Slurp(work / (tag + ".log")).c_str());
                return 1;
            }
            pointers.push_back(running.back().get());
        }
        const double bare = bareRate();
        if (bare < 0) return std::fprintf(stderr, "bench_scores: --verify failed\n"), 1;
        const Figures f = Submit(recordings, pointers, load);
        for (int s = 0; s < servers; ++s)
            if (!running[static_cast<size_t>(s)]->Running())
                std::fprintf(stderr, "bench_scores: server %d stopped:\n%s", s,
                             Slurp(work / ("pg" + std::to_string(s) + ".log")).c_str());
        Print(servers == 1 ? "PostgreSQL" : "PostgreSQL, 2 servers", f, count, load.cores, bare);
        if (f.lost > 0) status = 1;
    }
    std::printf("load average at the end: %s", Slurp("/proc/loadavg").c_str());
    return status;
}
