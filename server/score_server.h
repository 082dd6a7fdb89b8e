// The HTTP side: submissions, the table as JSON and as a page, and the recordings for download.
#pragma once

#include <cstdint>
#include <mutex>
#include <semaphore>
#include <set>
#include <string>

#include "server/rate_limit.h"
#include "server/store.h"
#include "server/verifier.h"

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
    ScoreService(ScoreStore* store, const ServiceSettings& settings);
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
    Reply Store(const std::string& name, const std::string& hash, const std::string& body,
                const Verification& v);

    ScoreStore* store_;
    const ServiceSettings settings_;
    RateLimiter limiter_;
    std::counting_semaphore<1024> slots_;  // verifications running at once
    std::mutex verifyingLock_;
    std::set<std::string> verifying_;  // hashes of the recordings being verified
};

}  // namespace scores
