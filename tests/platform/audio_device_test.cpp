// The SDL audio device behind the mixer: a device asked for by a name that does not exist gives the
// default, and a device that goes away is closed and taken again without the caller noticing.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/sdl2/sdl_audio.h"

namespace {

std::atomic<int> pulled{0};

void Pull(void*, int16_t* out, int frames) {
    for (int i = 0; i < frames * 2; ++i) out[i] = 0;
    pulled += frames;
}

bool PullsAgain() {
    const int before = pulled;
    for (int i = 0; i < 200 && pulled == before; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return pulled != before;
}

TEST(AudioDevice, AnUnknownNameGivesTheDefaultAndALostDeviceComesBack) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    sdl::SdlAudio audio;
    platform::AudioSpec format;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(audio.Open(&format, &Pull, nullptr, "no such device"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("\"no such device\" cannot be opened"),
              std::string::npos);
    EXPECT_EQ(format.rate, 44100);
    EXPECT_EQ(format.channels, 2);
    EXPECT_TRUE(PullsAgain());

    audio.DeviceRemoved(audio.Device() + 1);  // someone else's device: nothing happens
    EXPECT_NE(audio.Device(), 0u);
    audio.DeviceRemoved(audio.Device());  // headphones unplugged
    EXPECT_EQ(audio.Device(), 0u);
    audio.Lock();  // harmless while there is no device
    audio.Unlock();
    audio.DeviceAdded();
    audio.Recover();  // the next frame pump
    EXPECT_NE(audio.Device(), 0u);
    EXPECT_TRUE(PullsAgain());
    audio.Close();
    EXPECT_EQ(audio.Device(), 0u);
}

}  // namespace
