// Submissions per client address per minute, kept in memory.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace scores {

class RateLimiter {
public:
    // perMinute 0: no limit. At most maxAddresses are followed at once: past that, the ones that
    // have been quiet longest are forgotten, so that a flood of addresses cannot grow the table.
    explicit RateLimiter(int perMinute, size_t maxAddresses = 100000);

    // Counts a submission from address at nowMs (a steady clock, milliseconds); false when the
    // address has already made perMinute of them in the minute before.
    bool Allow(const std::string& address, int64_t nowMs);

private:
    void Forget(int64_t nowMs);

    const int perMinute_;
    const size_t maxAddresses_;
    std::mutex lock_;
    std::unordered_map<std::string, std::deque<int64_t>> recent_;
};

}  // namespace scores
