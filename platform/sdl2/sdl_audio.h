// The SDL audio device behind the platform's audio calls, reopened when it goes away.
#pragma once

#include <string>

#include "engine/platform.h"

namespace sdl {

class SdlAudio {
public:
    ~SdlAudio() { Close(); }
    // Opens the device named `device` (the default when empty or not found) at 44,100 Hz, 16-bit
    // stereo; SDL converts if the device differs, so a reopened device never changes the format.
    bool Open(platform::AudioSpec* format, platform::AudioCallback callback, void* user,
              const std::string& device);
    void Close();
    void Lock();
    void Unlock();
    // Device events: a lost device is closed and tried again (when one is added, and now and then
    // on the frame pump) until one plays; the game goes on silently meanwhile.
    void DeviceRemoved(unsigned id);
    void DeviceAdded();
    void Recover();
    // The open device's id; 0 while none plays.
    unsigned Device() const { return device_; }

private:
    static void Trampoline(void* self, unsigned char* stream, int length);
    bool OpenDevice(const char* name);
    unsigned device_ = 0;
    platform::AudioCallback callback_ = nullptr;
    void* user_ = nullptr;
    int channels_ = 2;
    int rate_ = 44100;
    std::string name_;
    bool lost_ = false;
    int retryCountdown_ = 0;
};

}  // namespace sdl
