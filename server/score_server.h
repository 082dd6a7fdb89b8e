// The HTTP side: submissions, the table as JSON and as a page, and the recordings for download.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "server/queue.h"
#include "server/rate_limit.h"
#include "server/store.h"
#include "server/verifier.h"
#include "server/verify_slots.h"

namespace httplib {
class Server;
}

namespace scores {

struct ServiceSettings {
    uint64_t maxBodyBytes = 32ull << 20;
    int verifiers = 2;
    int submissionsPerMinute = 10;
    VerifierSettings verifier;
};

class ScoreService {
public:
    // With a queue, submissions are verified through it by `verifiers` threads of this process and
    // by those of every other process on the same queue; without one, here as they come.
    ScoreService(ScoreStore* store, const ServiceSettings& settings, VerifyQueue* queue = nullptr);
    ~ScoreService();
    ScoreService(const ScoreService&) = delete;
    ScoreService& operator=(const ScoreService&) = delete;

    // Sets the server's limits and routes; the service must outlive the server's listening.
    void Mount(httplib::Server* server);

    // What a submission gets back: an HTTP status and a JSON body.
    struct Reply {
        int status = 500;
        std::string json;
        int64_t id = 0;  // the new entry, when stored
    };
    Reply Submit(const std::string& address, const std::string& rawName, const std::string& body);

private:
    using Insert = std::function<Stored(ScoreEntry*, std::string*)>;
    // The answer to a verification; an agreed one is stored through insert. from names the
    // submission in the log.
    Reply Judge(const std::string& from, const std::string& name, const std::string& hash,
                const Verification& v, const Insert& insert);
    Reply VerifyHere(const std::string& address, const std::string& name, const std::string& hash,
                     const std::string& body);
    Reply VerifyQueued(const std::string& name, const std::string& hash, const std::string& body);
    void Verifier();  // one of the queue's verifying threads

    ScoreStore* store_;
    VerifyQueue* queue_;
    const ServiceSettings settings_;
    RateLimiter limiter_;
    VerifySlots slots_;  // verifications running at once
    std::mutex verifyingLock_;
    std::set<std::string> verifying_;  // hashes of the recordings being verified

    // The queue's side: verifiers wait for entries (queued_ counts this process's), requests for
    // answers (answered_ counts those given here); both also look at the database now and then, for
    // the work and the answers of the other processes.
    std::mutex queueLock_;
    std::condition_variable wakeVerifiers_, wakeRequests_;
    uint64_t queued_ = 0, answered_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> verifiers_;
};

}  // namespace scores
