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

ScoreService::ScoreService(ScoreStore* store, const ServiceSettings& settings)
    : store_(store),
      settings_(settings),
      limiter_(settings.submissionsPerMinute),
      slots_(std::clamp(settings.verifiers, 1, 1024)) {}

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

    // A queue no longer than one verification's time: past that the server is too busy to answer.
    if (!slots_.try_acquire_for(std::chrono::seconds(settings_.verifier.wallSeconds)))
        return refuse(503, "the server is busy verifying other recordings; try again later");
    const Verification v = VerifyRecording(body, settings_.verifier);
    slots_.release();
    switch (v.outcome) {
        case Verification::Outcome::kAgreed:
            return Store(name, hash, body, v);
        case Verification::Outcome::kRefused:
            std::fprintf(stderr, "velmoran-scores: refused a recording from %s: %s\n", address.c_str(),
                         v.message.c_str());
            return refuse(422, "the recording did not verify: " + v.message);
        case Verification::Outcome::kFailed:
            break;
    }
    std::fprintf(stderr, "velmoran-scores: a recording could not be verified: %s\n", v.message.c_str());
    return refuse(500, "the recording could not be verified (the server's fault); try again later");
}

ScoreService::Reply ScoreService::Store(const std::string& name, const std::string& hash,
                                        const std::string& body, const Verification& v) {
    ScoreEntry e;
    e.name = name;
    e.score = v.score;
    e.stage = v.stage;
    e.frames = v.frames;
    e.digests = v.digests;
    e.hash = hash;
    e.submittedMs = WallMs();
    std::string error;
    switch (store_->Insert(&e, body, &error)) {
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

    server->Post("/api/scores", [this](const httplib::Request& req, httplib::Response& res) {
        // The name from the query only: a form-encoded body is the recording, never a parameter.
        httplib::Params query;
        if (const size_t mark = req.target.find('?'); mark != std::string::npos)
            httplib::detail::parse_query_text(req.target.substr(mark + 1), query);
        const auto name = query.find("name");
        const Reply reply = Submit(req.remote_addr, name == query.end() ? "" : name->second, req.body);
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
