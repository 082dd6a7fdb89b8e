#include "server/score_server.h"

#include <httplib.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "server/names.h"
#include "server/text.h"

namespace scores {

namespace {

constexpr int kDefaultLimit = 10;
constexpr int kMaxLimit = 1000;
constexpr int kPageRows = 100;

int64_t WallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Utc(int64_t ms) {
    const time_t seconds = static_cast<time_t>(ms / 1000);
    tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string ErrorJson(const std::string& message) { return "{\"error\":" + JsonString(message) + "}"; }

std::string EntryJson(const ScoreEntry& e) {
    return "{\"id\":" + std::to_string(e.id) + ",\"name\":" + JsonString(e.name) +
           ",\"score\":" + std::to_string(e.score) + ",\"stage\":" + std::to_string(e.stage) +
           ",\"frames\":" + std::to_string(e.frames) + ",\"digests\":" + std::to_string(e.digests) +
           ",\"submitted\":" + JsonString(Utc(e.submittedMs)) +
           ",\"recording\":" + JsonString("/api/scores/" + std::to_string(e.id) + "/recording") + "}";
}

// The whole number of a path's or query's digits; false past the ids a table can hold.
bool ParseWhole(const std::string& text, int64_t lo, int64_t hi, int64_t* out) {
    if (text.empty() || text.size() > 18) return false;
    int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return false;
    *out = v;
    return true;
}

void SendJson(httplib::Response& res, int status, const std::string& json) {
    res.status = status;
    res.set_content(json, "application/json; charset=utf-8");
}

void StoreFailed(httplib::Response& res, const std::string& error) {
    std::fprintf(stderr, "velmoran-scores: the table could not be read: %s\n", error.c_str());
    SendJson(res, 500, ErrorJson("the table could not be read"));
}

std::string Page(const std::vector<ScoreEntry>& entries) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>VELMORAN scores</title>\n"
        "<style>body{font-family:sans-serif;margin:2em}table{border-collapse:collapse}"
        "td,th{padding:.3em .8em;border-bottom:1px solid #ccc}td.n{text-align:right}</style></head>\n"
        "<body><h1>VELMORAN scores</h1>\n<p>Every score here was played again by the game from its recording "
        "before it "
        "counted.</p>\n<table><tr><th>#</th><th>name</th><th>score</th><th>stage</th><th>frames</th>"
        "<th>submitted</th><th>recording</th></tr>\n";
    int rank = 0;
    for (const ScoreEntry& e : entries) {
        const std::string id = std::to_string(e.id);
        html += "<tr><td class=\"n\">" + std::to_string(++rank) + "</td><td>" + HtmlEscape(e.name) +
                "</td><td class=\"n\">" + std::to_string(e.score) + "</td><td class=\"n\">" +
                std::to_string(e.stage) + "</td><td class=\"n\">" + std::to_string(e.frames) + "</td><td>" +
                Utc(e.submittedMs) + "</td><td><a href=\"/api/scores/" + id + "/recording\">velmoran-" + id +
                ".rec</a></td></tr>\n";
    }
    if (entries.empty()) html += "<tr><td colspan=\"7\">No scores yet.</td></tr>\n";
    return html + "</table></body></html>\n";
}

}  // namespace

ScoreService::ScoreService(ScoreStore* store, const ServiceSettings& settings, VerifyQueue* queue)
    : store_(store),
      queue_(queue),
      settings_(settings),
      limiter_(settings.submissionsPerMinute),
      slots_(std::clamp(settings.verifiers, 1, 1024)) {
    if (queue_)
        for (int i = 0; i < std::clamp(settings.verifiers, 1, 1024); ++i)
            verifiers_.emplace_back([this] { Verifier(); });
}

ScoreService::~ScoreService() {
    {
        const std::lock_guard<std::mutex> hold(queueLock_);
        stopping_ = true;
    }
    wakeVerifiers_.notify_all();
    for (std::thread& t : verifiers_) t.join();
}

ScoreService::Reply ScoreService::Submit(const std::string& address, const std::string& rawName,
                                         const std::string& body) {
    const auto refuse = [](int status, const std::string& message) {
        return Reply{status, ErrorJson(message), 0};
    };
    if (!limiter_.Allow(address, SteadyMs()))
        return refuse(429, "too many submissions from this address: " +
                               std::to_string(settings_.submissionsPerMinute) + " a minute");
    std::string name;
    if (const std::string bad = CleanPlayerName(rawName, &name); !bad.empty()) return refuse(400, bad);
    if (body.size() > settings_.maxBodyBytes)
        return refuse(413,
                      "the recording is larger than " + std::to_string(settings_.maxBodyBytes) + " bytes");
    if (RecordingVersion(body) < 2)
        return refuse(400, "not a recording: the first line must be \"velmoran-input 2\" or a later version");

    const std::string hash = RecordingHash(body);
    bool known = false;
    std::string error;
    if (!store_->Contains(hash, &known, &error)) {
        std::fprintf(stderr, "velmoran-scores: the table could not be read: %s\n", error.c_str());
        return refuse(500, "the table could not be read");
    }
    if (known) return refuse(409, "this recording is already in the table");
    {
        const std::lock_guard<std::mutex> hold(verifyingLock_);
        if (!verifying_.insert(hash).second) return refuse(409, "this recording is being verified already");
    }
    struct Done {
        ScoreService* service;
        const std::string& hash;
        ~Done() {
            const std::lock_guard<std::mutex> hold(service->verifyingLock_);
            service->verifying_.erase(hash);
        }
    } done{this, hash};
    return queue_ ? VerifyQueued(name, hash, body) : VerifyHere(address, name, hash, body);
}

ScoreService::Reply ScoreService::VerifyHere(const std::string& address, const std::string& name,
                                             const std::string& hash, const std::string& body) {
    // A queue no longer than one verification's time: past that the server is too busy to answer.
    if (!slots_.Acquire(std::chrono::seconds(settings_.verifier.wallSeconds)))
        return Reply{503, ErrorJson("the server is busy verifying other recordings; try again later"), 0};
    const Verification v = VerifyRecording(body, settings_.verifier);
    slots_.Release();
    return Judge(address, name, hash, v,
                 [&](ScoreEntry* e, std::string* error) { return store_->Insert(e, body, error); });
}

ScoreService::Reply ScoreService::VerifyQueued(const std::string& name, const std::string& hash,
                                               const std::string& body) {
    int64_t id = 0;
    std::string error;
    switch (queue_->Add(name, hash, body, &id, &error)) {
        case Queued::kQueued:
            break;
        case Queued::kDuplicate:
            return Reply{409, ErrorJson("this recording is being verified already"), 0};
        case Queued::kFailed:
            std::fprintf(stderr, "velmoran-scores: a recording could not be queued: %s\n", error.c_str());
            return Reply{500, ErrorJson("the recording could not be queued; try again later"), 0};
    }
    {
        const std::lock_guard<std::mutex> hold(queueLock_);
        ++queued_;
    }
    wakeVerifiers_.notify_one();
    // As on one process: an entry no verifier has begun within one verification's time is taken
    // back (the servers are too busy); one begun has its own time limit, and a margin for its answer.
    const int64_t wall = static_cast<int64_t>(settings_.verifier.wallSeconds) * 1000;
    const int64_t busyAt = SteadyMs() + wall, giveUpAt = busyAt + wall + 30000;
    bool begun = false, unread = false;
    for (;;) {
        uint64_t seen = 0;
        {
            const std::lock_guard<std::mutex> hold(queueLock_);
            seen = answered_;
        }
        std::optional<QueueAnswer> answer;
        if (!queue_->TakeAnswer(id, &answer, &error)) {
            if (!unread)  // once, not at every look
                std::fprintf(stderr, "velmoran-scores: the queue could not be read: %s\n", error.c_str());
            unread = true;
        } else if (answer) {
            return Reply{answer->status, answer->json, answer->entryId};
        }
        const int64_t now = SteadyMs();
        if (!begun && now >= busyAt) {
            bool withdrawn = false;
            if (queue_->Withdraw(id, &withdrawn, &error) && withdrawn)
                return Reply{503, ErrorJson("the server is busy verifying other recordings; try again later"),
                             0};
            begun = true;
        }
        if (now >= giveUpAt) {
            std::fprintf(stderr, "velmoran-scores: queue entry %" PRId64 " got no answer in time\n", id);
            return Reply{
                500, ErrorJson("the recording could not be verified (the server's fault); try again later"),
                0};
        }
        // An answer given here wakes the request at once; one given by another process is seen at
        // the next look.
        std::unique_lock<std::mutex> hold(queueLock_);
        wakeRequests_.wait_for(hold, std::chrono::milliseconds(100), [&] { return answered_ != seen; });
    }
}

void ScoreService::Verifier() {
    std::unique_ptr<QueueVerifier> verifier;
    bool down = false;
    // Until the time is up, the server stops, or (when woken is set) an entry is queued here.
    const auto pause = [this](std::chrono::milliseconds time, const uint64_t* woken) {
        std::unique_lock<std::mutex> hold(queueLock_);
        wakeVerifiers_.wait_for(hold, time, [&] { return stopping_ || (woken && queued_ != *woken); });
    };
    for (;;) {
        uint64_t seen = 0;
        {
            const std::lock_guard<std::mutex> hold(queueLock_);
            if (stopping_) return;
            seen = queued_;
        }
        std::string error;
        if (!verifier && !(verifier = queue_->OpenVerifier(&error))) {
            if (!down)  // once for each time the database goes away
                std::fprintf(stderr, "velmoran-scores: a verifier could not reach the queue: %s\n",
                             error.c_str());
            down = true;
            pause(std::chrono::seconds(2), nullptr);
            continue;
        }
        std::optional<QueuedRecording> entry;
        if (!verifier->Take(&entry, &error)) {
            if (!down)
                std::fprintf(stderr, "velmoran-scores: the queue could not be read: %s\n", error.c_str());
            down = true;
            verifier.reset();
            pause(std::chrono::seconds(2), nullptr);
            continue;
        }
        down = false;
        // Nothing waits: entries queued here wake a verifier; those of other processes are seen at the
        // next look.
        if (!entry) {
            pause(std::chrono::milliseconds(250), &seen);
            continue;
        }
        const Verification v = VerifyRecording(entry->recording, settings_.verifier);
        const Reply reply =
            Judge("queue entry " + std::to_string(entry->id), entry->name, entry->hash, v,
                  [&](ScoreEntry* e, std::string* failed) { return verifier->Store(e, failed); });
        // Not finished: the entry is back in the queue, nothing of it stored, for the next verifier.
        if (!verifier->Finish(QueueAnswer{reply.status, reply.json, reply.id}, &error)) {
            std::fprintf(stderr, "velmoran-scores: queue entry %" PRId64 " was not answered (not kept): %s\n",
                         entry->id, error.c_str());
            verifier.reset();
            continue;
        }
        {
            const std::lock_guard<std::mutex> hold(queueLock_);
            ++answered_;
        }
        wakeRequests_.notify_all();
    }
}

ScoreService::Reply ScoreService::Judge(const std::string& from, const std::string& name,
                                        const std::string& hash, const Verification& v,
                                        const Insert& insert) {
    switch (v.outcome) {
        case Verification::Outcome::kAgreed:
            break;
        case Verification::Outcome::kRefused:
            std::fprintf(stderr, "velmoran-scores: refused a recording from %s: %s\n", from.c_str(),
                         v.message.c_str());
            return Reply{422, ErrorJson("the recording did not verify: " + v.message), 0};
        case Verification::Outcome::kFailed:
            std::fprintf(stderr, "velmoran-scores: a recording could not be verified: %s\n",
                         v.message.c_str());
            return Reply{
                500, ErrorJson("the recording could not be verified (the server's fault); try again later"),
                0};
    }
    ScoreEntry e;
    e.name = name;
    e.score = v.score;
    e.stage = v.stage;
    e.frames = v.frames;
    e.digests = v.digests;
    e.hash = hash;
    e.submittedMs = WallMs();
    std::string error;
    switch (insert(&e, &error)) {
        case Stored::kStored:
            std::fprintf(stderr,
                         "velmoran-scores: entry %" PRId64 ": %s, score %" PRId64 ", %" PRId64 " frames\n",
                         e.id, e.name.c_str(), e.score, e.frames);
            return Reply{201, EntryJson(e), e.id};
        case Stored::kDuplicate:
            return Reply{409, ErrorJson("this recording is already in the table"), 0};
        case Stored::kFailed:
            break;
    }
    std::fprintf(stderr, "velmoran-scores: an entry could not be stored: %s\n", error.c_str());
    return Reply{500, ErrorJson("the entry could not be stored; try again later"), 0};
}

void ScoreService::Mount(httplib::Server* server) {
    server->set_payload_max_length(settings_.maxBodyBytes);
    server->set_read_timeout(10, 0);
    server->set_write_timeout(10, 0);
    // Requests the pool cannot take yet wait for a thread; verifications wait for a slot of their own,
    // so the table stays readable while they run.
    const size_t threads = static_cast<size_t>(settings_.verifiers) + 8;
    server->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server->set_default_headers({{"X-Content-Type-Options", "nosniff"}, {"Cache-Control", "no-store"}});
    // Errors the library answers by itself (a body over the cap, an unknown path) in JSON too.
    server->set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return;
        const char* what = res.status == 413   ? "the request is larger than this server accepts"
                           : res.status == 404 ? "no such page"
                                               : "the request was refused";
        res.set_content(ErrorJson(what), "application/json; charset=utf-8");
    });

    // The body is read here, whatever type it says it is: `curl --data-binary` calls a recording
    // form-encoded, and the library would otherwise parse such a body as fields and refuse it past
    // 8 KiB.
    server->Post("/api/scores", [this](const httplib::Request& req, httplib::Response& res,
                                       const httplib::ContentReader& content) {
        if (req.is_multipart_form_data())
            return SendJson(res, 415, ErrorJson("send the recording as the request's body, not as a form"));
        std::string body;
        const bool whole = content([&](const char* data, size_t size) {
            if (size > settings_.maxBodyBytes - body.size()) return false;
            body.append(data, size);
            return true;
        });
        if (!whole)
            return SendJson(res, 413,
                            ErrorJson("the recording is larger than " +
                                      std::to_string(settings_.maxBodyBytes) + " bytes"));
        // The name from the query only: a form-encoded body is the recording, never a parameter.
        httplib::Params query;
        if (const size_t mark = req.target.find('?'); mark != std::string::npos)
            httplib::detail::parse_query_text(req.target.substr(mark + 1), query);
        const auto name = query.find("name");
        const Reply reply = Submit(req.remote_addr, name == query.end() ? "" : name->second, body);
        if (reply.id > 0) res.set_header("Location", "/api/scores/" + std::to_string(reply.id));
        if (reply.status == 429) res.set_header("Retry-After", "60");
        SendJson(res, reply.status, reply.json);
    });
    server->Get("/api/scores", [this](const httplib::Request& req, httplib::Response& res) {
        int64_t limit = kDefaultLimit;
        if (req.has_param("limit") && !ParseWhole(req.get_param_value("limit"), 1, kMaxLimit, &limit))
            return SendJson(res, 400, ErrorJson("limit takes a whole number from 1 to 1000"));
        std::vector<ScoreEntry> entries;
        std::string error;
        if (!store_->Top(static_cast<int>(limit), &entries, &error)) return StoreFailed(res, error);
        std::string json = "{\"scores\":[";
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i > 0) json += ',';
            json += EntryJson(entries[i]);
        }
        SendJson(res, 200, json + "]}");
    });
    server->Get(R"(/api/scores/(\d{1,18}))", [this](const httplib::Request& req, httplib::Response& res) {
        int64_t id = 0;
        std::optional<ScoreEntry> entry;
        std::string error;
        if (!ParseWhole(req.matches[1], 1, INT64_MAX, &id))
            return SendJson(res, 404, ErrorJson("no such entry"));
        if (!store_->Find(id, &entry, &error)) return StoreFailed(res, error);
        if (!entry) return SendJson(res, 404, ErrorJson("no such entry"));
        SendJson(res, 200, EntryJson(*entry));
    });
    server->Get(R"(/api/scores/(\d{1,18})/recording)",
                [this](const httplib::Request& req, httplib::Response& res) {
                    int64_t id = 0;
                    std::optional<std::string> recording;
                    std::string error;
                    if (!ParseWhole(req.matches[1], 1, INT64_MAX, &id))
                        return SendJson(res, 404, ErrorJson("no such entry"));
                    if (!store_->FindRecording(id, &recording, &error)) return StoreFailed(res, error);
                    if (!recording) return SendJson(res, 404, ErrorJson("no such entry"));
                    res.set_header("Content-Disposition",
                                   "attachment; filename=\"velmoran-" + std::to_string(id) + ".rec\"");
                    res.set_content(std::move(*recording), "application/octet-stream");
                });
    server->Get("/", [this](const httplib::Request&, httplib::Response& res) {
        std::vector<ScoreEntry> entries;
        std::string error;
        if (!store_->Top(kPageRows, &entries, &error)) return StoreFailed(res, error);
        res.set_header("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'");
        res.set_content(Page(entries), "text/html; charset=utf-8");
    });
}

}  // namespace scores
