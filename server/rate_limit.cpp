#include "server/rate_limit.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace scores {

namespace {
constexpr int64_t kMinuteMs = 60000;
}  // namespace

RateLimiter::RateLimiter(int perMinute, size_t maxAddresses)
    : perMinute_(perMinute), maxAddresses_(std::max<size_t>(1, maxAddresses)) {}

bool RateLimiter::Allow(const std::string& address, int64_t nowMs) {
    if (perMinute_ <= 0) return true;
    const std::lock_guard<std::mutex> hold(lock_);
    if (!recent_.count(address) && recent_.size() >= maxAddresses_) Forget(nowMs);
    std::deque<int64_t>& times = recent_[address];
    while (!times.empty() && nowMs - times.front() >= kMinuteMs) times.pop_front();
    if (static_cast<int>(times.size()) >= perMinute_) return false;
    times.push_back(nowMs);
    return true;
}

// Drops every address quiet for a minute; when all are busy, the quieter half.
void RateLimiter::Forget(int64_t nowMs) {
    std::erase_if(recent_, [nowMs](const auto& entry) {
        return entry.second.empty() || nowMs - entry.second.back() >= kMinuteMs;
    });
    if (recent_.size() < maxAddresses_) return;
    std::vector<int64_t> last;
    last.reserve(recent_.size());
    for (const auto& entry : recent_) last.push_back(entry.second.back());
    const auto middle = last.begin() + static_cast<std::ptrdiff_t>(last.size() / 2);
    std::nth_element(last.begin(), middle, last.end());
    const int64_t median = *middle;
    std::erase_if(recent_, [median](const auto& entry) { return entry.second.back() <= median; });
}

}  // namespace scores
