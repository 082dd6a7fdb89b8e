#include "server/verify_slots.h"

namespace scores {

VerifySlots::VerifySlots(int count) : free_(count) {}

void VerifySlots::SkipAbandoned() {
    for (auto it = gaveUp_.find(serving_); it != gaveUp_.end(); it = gaveUp_.find(serving_)) {
        gaveUp_.erase(it);
        ++serving_;
    }
}

bool VerifySlots::Acquire(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> hold(lock_);
    const uint64_t turn = nextTicket_++;
    if (!changed_.wait_for(hold, wait, [&] { return turn == serving_ && free_ > 0; })) {
        gaveUp_.insert(turn);
        SkipAbandoned();
        changed_.notify_all();  // the turn after this one may be able to go now
        return false;
    }
    --free_;
    ++serving_;
    SkipAbandoned();
    changed_.notify_all();  // the next turn may take another free slot
    return true;
}

void VerifySlots::Release() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        ++free_;
    }
    changed_.notify_all();
}

uint64_t VerifySlots::Asked() {
    const std::lock_guard<std::mutex> hold(lock_);
    return nextTicket_;
}

}  // namespace scores
