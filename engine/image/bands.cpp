// The band threads: each waits for a frame's turn, draws its band and reports back.
#include "engine/image/bands.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

namespace {

constexpr int kMaxThreads = 16;

int DefaultThreads() {
    // The environment can force a count (1 to compare against one thread, or on a busy machine).
    if (const char* forced = std::getenv("VELMORAN_DRAW_THREADS")) {
        const int n = std::atoi(forced);
        if (n >= 1 && n <= kMaxThreads) return n;
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

    void Run(int height, int bands, void (*work)(int, int)) {
        while (int(workers_.size()) < bands - 1) {
            const int index = int(workers_.size()) + 1;
            workers_.emplace_back([this, index] { Serve(index); });
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            height_ = height, bands_ = bands, work_ = work;
            remaining_ = bands - 1;
            ++round_;
        }
        start_.notify_all();
        work(0, height / bands);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return remaining_ == 0; });
    }

private:
    void Serve(int index) {
        long seen = 0;
        for (;;) {
            int height, bands;
            void (*work)(int, int);
            {
                std::unique_lock<std::mutex> lock(mutex_);
                start_.wait(lock, [&] { return stop_ || round_ != seen; });
                if (stop_) return;
                seen = round_;
                if (index >= bands_) continue;  // a round with fewer bands than threads
                height = height_, bands = bands_, work = work_;
            }
            work(int(int64_t(height) * index / bands), int(int64_t(height) * (index + 1) / bands));
            std::lock_guard<std::mutex> lock(mutex_);
            if (--remaining_ == 0) done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable start_, done_;
    std::vector<std::thread> workers_;
    long round_ = 0;
    int height_ = 0, bands_ = 0, remaining_ = 0;
    void (*work_)(int, int) = nullptr;
    bool stop_ = false;
};

}  // namespace

void RunInBands(int height, int bands, void (*work)(int y0, int y1)) {
    bands = std::clamp(bands, 1, std::min(kMaxThreads, std::max(height, 1)));
    if (bands == 1) return work(0, height);
    static Pool pool;
    pool.Run(height, bands, work);
}

void SetDrawThreads(int n) { threads = n >= 1 ? std::min(n, kMaxThreads) : DefaultThreads(); }

int DrawThreads() {
    if (threads == 0) threads = DefaultThreads();
    return threads;
}

}  // namespace engine
