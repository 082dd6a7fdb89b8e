// The band threads: each waits for a frame's turn, draws its band and reports back.
#include "engine/image/bands.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

namespace {

int DefaultThreads() {
    // The environment can force a count (1 to compare against one thread, or on a busy machine).
    if (const char* forced = std::getenv("VELMORAN_DRAW_THREADS")) {
        const int n = std::atoi(forced);
        if (n >= 1 && n <= kMostBands) return n;
    }
    const int hardware = int(std::thread::hardware_concurrency());
    return std::clamp(hardware, 1, 4);
}

int threads = 0;  // 0: not chosen yet

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

    void Run(const int* bounds, int bands, void (*work)(int, int)) {
        // Only this thread changes round_: a new worker starts at the current round and waits for the next.
        while (int(workers_.size()) < bands - 1) {
            const int index = int(workers_.size()) + 1;
            const long now = round_;
            workers_.emplace_back([this, index, now] { Serve(index, now); });
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            std::copy(bounds, bounds + bands + 1, bounds_);
            bands_ = bands, work_ = work;
            remaining_ = bands - 1;
            ++round_;
        }
        start_.notify_all();
        work(bounds[0], bounds[1]);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return remaining_ == 0; });
    }

private:
    void Serve(int index, long seen) {
        for (;;) {
            int y0, y1;
            void (*work)(int, int);
            {
                std::unique_lock<std::mutex> lock(mutex_);
                start_.wait(lock, [&] { return stop_ || round_ != seen; });
                if (stop_) return;
                seen = round_;
                if (index >= bands_) continue;  // a round with fewer bands than threads
                y0 = bounds_[index], y1 = bounds_[index + 1], work = work_;
            }
            work(y0, y1);
            std::lock_guard<std::mutex> lock(mutex_);
            if (--remaining_ == 0) done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable start_, done_;
    std::vector<std::thread> workers_;
    long round_ = 0;
    int bounds_[kMostBands + 1] = {};
    int bands_ = 0, remaining_ = 0;
    void (*work_)(int, int) = nullptr;
    bool stop_ = false;
};

}  // namespace

void RunInBands(const int* bounds, int bands, void (*work)(int y0, int y1)) {
    if (bands <= 1) return work(bounds[0], bounds[1]);
    static Pool pool;
    pool.Run(bounds, std::min(bands, kMostBands), work);
}

void SetDrawThreads(int n) { threads = n >= 1 ? std::min(n, kMostBands) : DefaultThreads(); }

int DrawThreads() {
    if (threads == 0) threads = DefaultThreads();
    return threads;
}

}  // namespace engine
