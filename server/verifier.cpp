#include "server/verifier.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

namespace scores {

namespace {

constexpr size_t kOutputRead = 64 * 1024;  // what is read of the child's output and summary

// The scratch folder and everything the child left in it go when the verification is over.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& root) {
        std::string pattern = root + "/velmoran-scores-XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;  // made afresh, mode 700
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);  // removes links, never follows them
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

int CreateFile(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The start of a file the child wrote (never through a link).
std::string ReadStart(const std::string& path) {
    const Fd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    std::string text;
    if (fd.Get() < 0) return text;
    text.resize(kOutputRead);
    size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = read(fd.Get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    return text;
}

std::string FirstLine(std::string_view text, std::string_view startingWith = {}) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.substr(0, startingWith.size()) == startingWith) return std::string(line);
        at = end + 1;
    }
    return "";
}

// The verifier names its file; the client knows it only as its recording.
std::string WithoutPath(std::string line, const std::string& path) {
    for (size_t at = line.find(path); at != std::string::npos; at = line.find(path, at))
        line.replace(at, path.size(), "recording");
    return line;
}

int64_t NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Waits for the child until the deadline; true when it ended (status set), false when it is still
// running.
bool WaitUntil(pid_t pid, int64_t deadlineMs, int* status) {
    const Fd pidfd(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    for (;;) {
        const pid_t done = waitpid(pid, status, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) return true;  // not ours to wait for: nothing more to do
        const int64_t left = deadlineMs - NowMs();
        if (left <= 0) return false;
        if (pidfd.Get() >= 0) {
            pollfd p{pidfd.Get(), POLLIN, 0};
            poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1000)));
        } else {
            usleep(2000);  // no pidfd (an old kernel): look again shortly
        }
    }
}

struct Child {
    std::vector<std::string> argv;
    std::vector<std::string> env;
    std::string folder;
    int in = -1, out = -1, err = -1;
};

// Runs in the forked child: only async-signal-safe calls until execve.
[[noreturn]] void StartChild(const VerifierSettings& s, pid_t parent, char* const argv[], char* const envp[],
                             const Child& c) {
    setpgid(0, 0);                     // its own group, so that a wall-time kill takes whatever it started
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // a server killed outright takes its verifications with it
    if (getppid() != parent) _exit(127);
    const auto limit = [](int resource, rlim_t value) {
        const rlimit r{value, value};
        return setrlimit(resource, &r) == 0;
    };
    // The CPU limit's soft end (SIGXCPU) comes a second before the hard one.
    const rlimit cpu{static_cast<rlim_t>(s.cpuSeconds), static_cast<rlim_t>(s.cpuSeconds) + 1};
    if ((s.addressSpaceBytes > 0 && !limit(RLIMIT_AS, s.addressSpaceBytes)) ||
        setrlimit(RLIMIT_CPU, &cpu) != 0 || !limit(RLIMIT_FSIZE, s.fileSizeBytes) || !limit(RLIMIT_CORE, 0) ||
        !limit(RLIMIT_NOFILE, 256))
        _exit(126);
    if (chdir(c.folder.c_str()) != 0) _exit(126);
    if (dup2(c.in, 0) < 0 || dup2(c.out, 1) < 0 || dup2(c.err, 2) < 0) _exit(126);
    syscall(SYS_close_range, 3u, ~0u, 0u);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);  // the server ignores it; ignored signals would outlive execve
    execve(argv[0], argv, envp);
    _exit(127);
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

Verification Failed(std::string message) {
    Verification v;
    v.outcome = Verification::Outcome::kFailed;
    v.message = std::move(message);
    return v;
}

Verification Refused(std::string message) {
    Verification v;
    v.outcome = Verification::Outcome::kRefused;
    v.message = std::move(message);
    return v;
}

bool NumberAfter(std::string_view text, std::string_view key, int64_t* out) {
    const std::string line = FirstLine(text, std::string(key) + " ");
    if (line.empty()) return false;
    const std::string value = line.substr(key.size() + 1);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno != 0) return false;
    *out = v;
    return true;
}

}  // namespace

bool ReadVerifierReport(std::string_view summary, std::string_view report, Verification* out) {
    int64_t score = 0, frames = 0, stage = 0, digests = 0;
    const std::string verified = FirstLine(report, "verified ");
    char* end = nullptr;
    if (verified.empty()) return false;
    digests = std::strtoll(verified.c_str() + 9, &end, 10);
    if (std::strcmp(end, " digests") != 0 || digests < 0 || digests > 1000000000) return false;
    // The last game's score, unless it began from the stage select, whose stages the recording's own
    // records open.
    if (!NumberAfter(summary, "countedScore", &score) || !NumberAfter(summary, "frames", &frames) ||
        !NumberAfter(summary, "reachedStage", &stage) || stage < 0 || stage > 100000)
        return false;
    out->score = score;
    out->frames = frames;
    out->stage = static_cast<int>(stage);
    out->digests = static_cast<int>(digests);
    return true;
}

Verification VerifyRecording(std::string_view recording, const VerifierSettings& s) {
    const ScratchFolder scratch(s.scratchRoot);
    if (scratch.Path().empty())
        return Failed("no scratch folder could be made in " + s.scratchRoot + ": " + std::strerror(errno));
    const std::string& dir = scratch.Path();
    const std::string recordingPath = dir + "/recording.rec";
    const std::string summaryPath = dir + "/summary.txt";
    {
        const Fd fd(CreateFile(recordingPath));
        if (fd.Get() < 0 || !WriteAll(fd.Get(), recording))
            return Failed("the recording could not be written to " + dir + ": " + std::strerror(errno));
    }
    const Fd in(open("/dev/null", O_RDONLY | O_CLOEXEC));
    const Fd out(CreateFile(dir + "/out.txt"));
    const Fd err(CreateFile(dir + "/err.txt"));
    if (in.Get() < 0 || out.Get() < 0 || err.Get() < 0)
        return Failed("the verifier's output files could not be made in " + dir);

    Child c;
    c.folder = dir;
    c.in = in.Get(), c.out = out.Get(), c.err = err.Get();
    c.argv = {s.game, "--verify", recordingPath, "--summary", summaryPath};
    // Nothing of the server's environment: the child's home, temporary and XDG folders are its own
    // scratch folder, and it draws on one thread (the pool of verifications uses the cores).
    c.env = {"HOME=" + dir,
             "TMPDIR=" + dir,
             "XDG_DATA_HOME=" + dir + "/data-home",
             "XDG_CONFIG_HOME=" + dir + "/config-home",
             "XDG_CACHE_HOME=" + dir + "/cache-home",
             "PATH=/usr/bin:/bin",
             "LC_ALL=C",
             "VELMORAN_DRAW_THREADS=1"};
    std::vector<char*> argv = Pointers(c.argv);
    std::vector<char*> envp = Pointers(c.env);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return Failed(std::string("the verifier could not be started: ") + std::strerror(errno));
    if (pid == 0) StartChild(s, parent, argv.data(), envp.data(), c);
    setpgid(pid, pid);  // also here, so that the group is there whichever of the two runs first

    int status = 0;
    if (!WaitUntil(pid, NowMs() + static_cast<int64_t>(s.wallSeconds) * 1000, &status)) {
        kill(-pid, SIGKILL);
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return Refused("the recording took longer than " + std::to_string(s.wallSeconds) + " s to verify");
    }

    const std::string report = ReadStart(dir + "/out.txt");
    const std::string errors = ReadStart(dir + "/err.txt");
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        if (sig == SIGXCPU || sig == SIGKILL)
            return Refused("the recording took more than " + std::to_string(s.cpuSeconds) +
                           " s of processor time to verify");
        return Refused("the verifier stopped on signal " + std::to_string(sig) +
                       (sig == SIGABRT || sig == SIGSEGV ? " (past its memory limit?)" : ""));
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 126 || code == 127)
        return Failed("the verifier " + s.game + " could not be started (exit " + std::to_string(code) + ")");
    if (code == 0) {
        Verification v;
        if (!ReadVerifierReport(ReadStart(summaryPath), report, &v))
            return Failed("the verifier's report could not be read: " + FirstLine(report));
        if (v.digests == 0) return Refused("the recording holds no digest to check");
        v.outcome = Verification::Outcome::kAgreed;
        return v;
    }
    // Exit 1 with a differing digest, or 2 for a script refused before it plays (a limit, a
    // malformed line): the recording's fault. Any other exit 1 is the server's (no data, no folder).
    if (const std::string differs = FirstLine(report, "replay differs"); !differs.empty())
        return Refused(differs);
    const std::string said = WithoutPath(FirstLine(errors), recordingPath);
    if (code == 2) return Refused(said.empty() ? "the verifier refused the recording" : said);
    return Failed("the verifier exited " + std::to_string(code) + (said.empty() ? "" : ": " + said));
}

}  // namespace scores
