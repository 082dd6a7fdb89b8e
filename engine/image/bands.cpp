// The band threads: woken when a frame's first draw is held, they wait for its rows awake, then take
// bands of rows until none is left.
#include "engine/image/bands.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

namespace {

int DefaultThreads() {
    // The environment can force a count (1 to compare against one thread, or on a busy machine).
    const int hardware = std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
    if (const char* forced = std::getenv("VELMORAN_DRAW_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(forced, &end, 10);
        if (end != forced && *end == '\0' && n >= 1 && n <= kMostBands) return int(n);
        std::fprintf(stderr, "velmoran: VELMORAN_DRAW_THREADS=%s is not a number from 1 to %d; using %d\n",
                     forced, kMostBands, hardware);
    }
    return hardware;
}

int threads = 0;      // 0: not chosen yet
bool chosen = false;  // set by SetDrawThreads (tests, benchmarks): bands whatever the work

// A frame of less work than this (about a third of a millisecond on one thread: the title's full
// picture and a little more) is drawn on the calling thread. Waking the others would cost more
// processor time than the whole frame, for a gain in time nobody could see.
constexpr int64_t kWorthBands = int64_t(1) << 20;
int64_t lastWork = kWorthBands;  // the last frame's: whether the threads are woken early for the next

// A sleeping thread takes tens of microseconds to wake, a good part of a frame's drawing: the threads
// are woken early and wait for the bands awake, but only briefly. When the frame's draws take
// longer to come (a game's update between its first draw and the flush), they sleep again and the
// bands wake them: waiting awake through every update would cost far more processor time than
// the wake saves.
constexpr auto kAwakeAtMost = std::chrono::microseconds(200);

inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// The rows left are taken from both ends, a band at a time: the calling thread from the top, the
// others from the bottom. Each keeps to the same part of the picture from frame to frame (and its
// cache). A band is a share of the work left, so bands shrink as the threads near each other and
// the first to finish waits on a small band at most, however late the other woke.
class Pool {
public:
    ~Pool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        start_.notify_all();
        for (std::thread& t : workers_) t.join();
    }

    void Wake(int helpers) {
        Grow(helpers);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            helpers_ = helpers;
            ++wakes_;
        }
        start_.notify_all();
    }

    void Run(const int64_t* workAbove, int rows, int helpers, void (*work)(int, int)) {
        Grow(helpers);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            workAbove_ = workAbove, rows_ = rows, work_ = work, helpers_ = helpers;
            // The last band's work: rows are shared out down to about a 64th of the frame.
            smallest_ = std::max<int64_t>(1, workAbove[rows] / 64);
            drawn_.store(0, std::memory_order_relaxed);
            ++round_;
            left_.store(Left(round_, 0, uint32_t(rows)), std::memory_order_release);
        }
        start_.notify_all();
        TakeBands(round_, true);
        if (drawn_.load(std::memory_order_acquire) >= rows) return;
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [&] { return drawn_.load(std::memory_order_acquire) >= rows; });
    }

private:
    // The round in the high half (a worker still finishing the last round can take nothing from this
    // one), then the first row left and one past the last.
    static uint64_t Left(uint32_t round, uint32_t top, uint32_t bottom) {
        return uint64_t(round) << 32 | uint64_t(top) << 16 | bottom;
    }

    // Only the calling thread changes round_: a new worker starts at the current round.
    void Grow(int helpers) {
        while (int(workers_.size()) < helpers) {
            const int index = int(workers_.size());
            const uint32_t now = round_;
            workers_.emplace_back([this, index, now] { Serve(index, now); });
        }
    }

    // Draws bands of `round` until every row is taken.
    void TakeBands(uint32_t round, bool fromTop) {
        const int64_t* above = workAbove_;
        const int threads = helpers_ + 1;
        for (;;) {
            uint64_t left = left_.load(std::memory_order_acquire), taken;
            int y0, y1;
            do {
                const int top = int(uint32_t(left >> 16) & 0xFFFFu), bottom = int(uint32_t(left) & 0xFFFFu);
                if (uint32_t(left >> 32) != round || top >= bottom) return;
                // An even share of the work left: each thread comes back for more a few times, less
                // each time. (Smaller shares balanced no better, and every band sets up again each
                // call that crosses into it, and dozens of sprites cross any row of a busy frame.)
                const int64_t share = std::max(smallest_, (above[bottom] - above[top]) / threads);
                if (fromTop) {
                    y0 = top;
                    y1 = int(std::lower_bound(above + top + 1, above + bottom, above[top] + share) - above);
                    taken = Left(round, uint32_t(y1), uint32_t(bottom));
                } else {
                    y1 = bottom;
                    y0 =
                        int(std::upper_bound(above + top, above + bottom, above[bottom] - share) - above) - 1;
                    y0 = std::clamp(y0, top, bottom - 1);
                    taken = Left(round, uint32_t(top), uint32_t(y0));
                }
            } while (!left_.compare_exchange_weak(left, taken, std::memory_order_acq_rel));
            work_(y0, y1);
            const int before = drawn_.fetch_add(y1 - y0, std::memory_order_acq_rel);
            if (before < rows_ && before + (y1 - y0) >= rows_) {
                std::lock_guard<std::mutex> lock(mutex_);
                finished_.notify_one();
            }
        }
    }
    void Serve(int index, uint32_t seen) {
        long wakesSeen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                start_.wait(lock, [&] { return stop_ || round_ != seen || wakes_ != wakesSeen; });
                if (stop_) return;
                wakesSeen = wakes_;
                if (index >= helpers_) {
                    seen = round_;
                    continue;
                }
                if (round_ == seen) {  // woken early: wait awake for the round, then take it as usual
                    lock.unlock();
                    const auto until = std::chrono::steady_clock::now() + kAwakeAtMost;
                    for (int spin = 1; uint32_t(left_.load(std::memory_order_acquire) >> 32) == seen;
                         ++spin) {
                        Pause();
                        if (spin % 256 == 0 && std::chrono::steady_clock::now() > until) break;
                    }
                    continue;
                }
                seen = round_;
            }
            TakeBands(seen, false);
        }
    }

    std::mutex mutex_;
    std::condition_variable start_, finished_;
    std::vector<std::thread> workers_;
    uint32_t round_ = 0;
    long wakes_ = 0;
    // The round's work, set before it starts.
    const int64_t* workAbove_ = nullptr;
    int rows_ = 0, helpers_ = 0;
    int64_t smallest_ = 1;
    void (*work_)(int, int) = nullptr;
    std::atomic<uint64_t> left_{0};  // round, first row left, one past the last row left
    std::atomic<int> drawn_{0};      // rows of this round drawn
    bool stop_ = false;
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

}  // namespace

void WakeBandThreads(int threadCount) {
    if (threadCount > 1 && (chosen || lastWork >= kWorthBands))
        ThePool().Wake(std::min(threadCount, kMostBands) - 1);
}

void RunInBands(const int64_t* workAbove, int rows, int threadCount, void (*work)(int y0, int y1)) {
    // Rows are counted in 16 bits as they are shared out; a taller picture is drawn on one thread.
    if (threadCount <= 1 || rows < 2 || rows > 0xFFFF) return work(0, rows);
    lastWork = workAbove[rows];
    if (!chosen && lastWork < kWorthBands) return work(0, rows);
    ThePool().Run(workAbove, rows, std::min(threadCount, kMostBands) - 1, work);
}

void SetDrawThreads(int n) {
    threads = n >= 1 ? std::min(n, kMostBands) : DefaultThreads();
    chosen = n >= 1;
}

int DrawThreads() {
    if (threads == 0) threads = DefaultThreads();
    return threads;
}

}  // namespace engine
