// The score table's sender, on libcurl.
#include "app/score_upload.h"

#define CURL_DISABLE_TYPECHECK  // the calls go through pointers to the library's functions
#include <curl/curl.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "engine/file/atomic_write.h"
#include "engine/input/recorder.h"

namespace app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRunPrefix = "run-";
constexpr const char* kGameSuffix = ".rec";
constexpr size_t kAnswerCap = 4096;  // what a server may say back that we keep

size_t KeepAnswer(char* data, size_t size, size_t count, void* user) {
    auto* answer = static_cast<std::string*>(user);
    const size_t n = size * count;
    if (answer->size() < kAnswerCap) answer->append(data, std::min(n, kAnswerCap - answer->size()));
    return n;
}

// libcurl and the TLS and other libraries it brings cost some 5 MB resident, and only a player who
// sends games to a table needs them: they are loaded with the first sender, not with the game.
struct CurlLibrary {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_escape) easyEscape = nullptr;
    decltype(&curl_free) free = nullptr;
    decltype(&curl_slist_append) slistAppend = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
};

template <typename F>
bool Find(void* library, const char* name, F* out) {
    *out = reinterpret_cast<F>(dlsym(library, name));
    return *out != nullptr;
}

// Null, said once, when libcurl cannot be loaded: the games then wait in the Unsent folder.
const CurlLibrary* Curl() {
    static const CurlLibrary* const loaded = []() -> const CurlLibrary* {
        void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        static CurlLibrary c;
        if (library && Find(library, "curl_global_init", &c.globalInit) &&
            Find(library, "curl_easy_init", &c.easyInit) &&
            Find(library, "curl_easy_escape", &c.easyEscape) && Find(library, "curl_free", &c.free) &&
            Find(library, "curl_slist_append", &c.slistAppend) &&
            Find(library, "curl_slist_free_all", &c.slistFreeAll) &&
            Find(library, "curl_easy_setopt", &c.easySetopt) &&
            Find(library, "curl_easy_perform", &c.easyPerform) &&
            Find(library, "curl_easy_getinfo", &c.easyGetinfo) &&
            Find(library, "curl_easy_cleanup", &c.easyCleanup))
            return &c;
        const char* why = dlerror();
        std::fprintf(stderr,
                     "velmoran: games cannot be sent to the score table without libcurl (%s); they wait to "
                     "be sent later\n",
                     why ? why : "libcurl.so.4 lacks a function");
        return nullptr;
    }();
    return loaded;
}

bool ProcessRuns(long pid) {
    return pid > 0 && (pid == getpid() || kill(pid_t(pid), 0) == 0 || errno != ESRCH);
}

}  // namespace

ScoreUploader::ScoreUploader(std::string url, std::string name, std::string folder)
    : url_(std::move(url)), name_(std::move(name)), folder_(std::move(folder)) {
    if (const CurlLibrary* curl = Curl())
        curl->globalInit(CURL_GLOBAL_DEFAULT);  // before any thread: it is not thread-safe
    std::error_code ec;
    fs::create_directories(folder_, ec);
    fs::permissions(folder_, fs::perms::owner_all, ec);
    // A run that ended without its clean-up (a crash) left its unfinished recording.
    for (auto it = fs::directory_iterator(folder_, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.rfind(kRunPrefix, 0) != 0 || file.find(".part-") == std::string::npos) continue;
        if (!ProcessRuns(std::atol(file.c_str() + std::char_traits<char>::length(kRunPrefix))))
            fs::remove(it->path(), ec);
    }
    thread_ = std::thread([this] { Run(); });
}

ScoreUploader::~ScoreUploader() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::string ScoreUploader::RunRecordingPath() const {
    return (fs::path(folder_) / (kRunPrefix + std::to_string(getpid()) + ".rec")).string();
}

void ScoreUploader::GameEnded() {
    std::string part;
    Copy copy;
    if (!engine::FlushRecording(&part, &copy.bytes)) return;
    // Opened now, so that the copy is the file as it is now, even once the run renames it.
    copy.from = std::make_unique<std::ifstream>(part, std::ios::binary);
    if (!*copy.from) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        copies_.push_back(std::move(copy));
    }
    wake_.notify_all();
}

int ScoreUploader::Sent() const {
    std::lock_guard<std::mutex> guard(lock_);
    return sent_;
}

int ScoreUploader::Waiting() const {
    std::lock_guard<std::mutex> guard(lock_);
    return waiting_;
}

bool ScoreUploader::TakeNews(int* sent, int* kept) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!news_) return false;
    news_ = false;
    *sent = newsSent_;
    *kept = newsKept_;
    return true;
}

void ScoreUploader::Run() {
    SendWaiting();
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stop_ || !copies_.empty(); });
        if (copies_.empty()) return;  // stopping, nothing more to keep
        Copy copy = std::move(copies_.front());
        copies_.pop_front();
        guard.unlock();
        SaveCopy(copy);
        if (!stop_) SendWaiting();
        guard.lock();
    }
}

void ScoreUploader::SaveCopy(Copy& copy) {
    std::string body(size_t(copy.bytes), '\0');
    copy.from->read(body.data(), copy.bytes);
    if (copy.from->gcount() != copy.bytes) return;
    char name[96];
    std::snprintf(
        name, sizeof name, "game-%lld-%ld-%d%s",
        static_cast<long long>(std::chrono::system_clock::now().time_since_epoch() / std::chrono::seconds(1)),
        long(getpid()), ++copiesMade_, kGameSuffix);
    std::string error;
    if (!engine::ReplaceFile((fs::path(folder_) / name).string(), body, &error))
        std::fprintf(stderr, "velmoran: the game to send could not be kept in %s (%s)\n", folder_.c_str(),
                     error.c_str());
}

void ScoreUploader::SendWaiting() {
    std::vector<fs::path> games;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder_, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.rfind("game-", 0) == 0 && it->path().extension() == kGameSuffix && it->is_regular_file(ec))
            games.push_back(it->path());
    }
    std::sort(games.begin(), games.end());
    int waiting = 0, sent = 0;
    for (const fs::path& game : games) {
        std::ifstream in(game, std::ios::binary);
        std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string answer;
        const int outcome = in ? Send(body, &answer) : 0;
        if (outcome == 0) {
            ++waiting;
            continue;
        }
        if (outcome < 0)
            std::fprintf(stderr, "velmoran: the score table refused %s: %s\n", game.filename().c_str(),
                         answer.c_str());
        fs::remove(game, ec);
        if (outcome > 0) {
            std::lock_guard<std::mutex> guard(lock_);
            ++sent_;
            ++sent;
        }
    }
    std::lock_guard<std::mutex> guard(lock_);
    waiting_ = waiting;
    if (sent > 0 || waiting > 0) {
        news_ = true;
        newsSent_ = sent;
        newsKept_ = waiting;
    }
}

int ScoreUploader::Send(const std::string& body, std::string* answer) {
    const CurlLibrary* lib = Curl();
    CURL* curl = lib ? lib->easyInit() : nullptr;
    if (!curl) return 0;
    char* name = lib->easyEscape(curl, name_.c_str(), int(name_.size()));
    std::string url = url_;
    while (!url.empty() && url.back() == '/') url.pop_back();
    url += "/api/scores?name=" + std::string(name ? name : "");
    lib->free(name);
    curl_slist* headers = lib->slistAppend(nullptr, "Content-Type: application/octet-stream");
    lib->easySetopt(curl, CURLOPT_URL, url.c_str());
    lib->easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    lib->easySetopt(curl, CURLOPT_HTTPHEADER, headers);
    lib->easySetopt(curl, CURLOPT_POSTFIELDS, body.data());
    lib->easySetopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    lib->easySetopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
    lib->easySetopt(curl, CURLOPT_TIMEOUT, 300L);  // the server plays the game again first
    lib->easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
    lib->easySetopt(curl, CURLOPT_WRITEFUNCTION, KeepAnswer);
    lib->easySetopt(curl, CURLOPT_WRITEDATA, answer);
    const CURLcode result = lib->easyPerform(curl);
    long status = 0;
    lib->easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    lib->slistFreeAll(headers);
    lib->easyCleanup(curl);
    if (result != CURLE_OK) return 0;
    if (status == 201 || status == 409) return 1;  // on the table, now or already
    // Refused for what it is (not verified, malformed, too large): sending again changes nothing.
    if (status >= 400 && status < 500 && status != 408 && status != 429) return -1;
    return 0;
}

}  // namespace app
