// The verifications one server runs at once: a fixed number of slots, handed out in the order they
// were asked for.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

namespace scores {

class VerifySlots {
public:
    explicit VerifySlots(int count);

    // Waits up to `wait` for a slot, behind everyone who asked before; false when the time ran out.
    // (Not std::counting_semaphore: its timed wait in libstdc++ 12 backs off into sleeps of up to
    // 64 ms, which a 0.15 s verification notices as a fifth of its rate.)
    bool Acquire(std::chrono::milliseconds wait);
    void Release();
    // How many have asked so far (for tests that line askers up).
    uint64_t Asked();

private:
    void SkipAbandoned();  // under lock_

    std::mutex lock_;
    std::condition_variable changed_;
    int free_;
    uint64_t nextTicket_ = 0;    // the next asker's turn
    uint64_t serving_ = 0;       // the turn that may take the next free slot
    std::set<uint64_t> gaveUp_;  // turns whose asker stopped waiting
};

}  // namespace scores
