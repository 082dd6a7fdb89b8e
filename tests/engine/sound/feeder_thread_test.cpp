// The threaded path: a device pulling on its own thread and the feeder thread decoding streams, while
// the main thread starts, stops and deletes sounds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "engine/sound/sound.h"
#include "engine/sound/sound_internal.h"
#include "engine/sound/sound_system.h"
#include "tests/engine/sound/sound_fixture.h"

namespace {

using namespace soundtest;

// Headless, but its audio device pulls from a thread of its own, five times faster than real time.
class ThreadedAudioPlatform : public headless::HeadlessPlatform {
public:
    bool OpenAudio(platform::AudioSpec* format, platform::AudioCallback callback, void* user) override {
        format->rate = 44100;
        format->channels = 2;
        format->pulledOnMainThread = false;
        stop_ = false;
        thread_ = std::thread([this, callback, user] {
            int16_t buffer[441 * 2];
            while (!stop_) {
                callback(user, buffer, 441);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    captured_.insert(captured_.end(), buffer, buffer + 441 * 2);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        return true;
    }
    void CloseAudio() override {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::vector<int16_t> Captured() {
        std::lock_guard<std::mutex> lock(mutex_);
        return captured_;
    }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<int16_t> captured_;
};

TEST(FeederThread, StreamsPlayAndLoopWhileTheMainThreadWorks) {
    auto owned = std::make_unique<ThreadedAudioPlatform>();
    ThreadedAudioPlatform* p = owned.get();
    platform::Install(std::move(owned));
    engine::SetLogEnabled(0);
    ASSERT_EQ(engine::InitEngine(), 0);
    EXPECT_TRUE(engine::sound::Sounds().feeder.joinable() || std::thread::hardware_concurrency() < 2);

    engine::sound::Sounds().decodeAtLoadSeconds = 0;  // stream even a short file
    const int music = engine::LoadSound(RealOgg(), 3);
    engine::sound::Sounds().decodeAtLoadSeconds = 2.0;
    ASSERT_GE(music, 0);
    EXPECT_TRUE(engine::sound::Sounds().slots[size_t(music & 0xFFFF)]->streamed);
    EXPECT_EQ(engine::StartSound(music, engine::kPlayLoop, 1), 0);
    // Restarts, resumes and short sounds loaded and deleted while both threads run.
    for (int i = 0; i < 20; ++i) {
        const int other = engine::LoadSound(RealOgg(), 2);
        engine::StartSound(other, engine::kPlayBackground, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        engine::StopSound(music);
        engine::StartSound(music, engine::kPlayLoop, i % 2);
        engine::FeedSoundStreams();
        engine::DeleteSound(other);
    }
    EXPECT_EQ(engine::IsSoundPlaying(music), 1);
    // Past the file's 6.1 s end: the loop must still sound.
    const size_t from = p->Captured().size();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (p->Captured().size() < from + 44100 * 2 * 10 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::vector<int16_t> heard = p->Captured();
    ASSERT_GE(heard.size(), from + 44100 * 2 * 10);
    int loud = 0;
    for (size_t second = 7; second < 10; ++second) {
        int peak = 0;
        for (size_t i = from + second * 88200; i < from + (second + 1) * 88200; ++i)
            peak = std::max(peak, std::abs(int(heard[i])));
        loud += peak > 3000;
    }
    EXPECT_GE(loud, 2);
    EXPECT_EQ(engine::DeleteSound(music), 0);
    engine::EndEngine();
    platform::Install(nullptr);
}

}  // namespace
