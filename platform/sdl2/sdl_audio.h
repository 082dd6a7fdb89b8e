// The SDL audio device behind the platform's audio calls.
#pragma once

#include "engine/platform.h"

namespace sdl {

class SdlAudio {
public:
    ~SdlAudio() { Close(); }
    // Opens the default device at 44,100 Hz, 16-bit stereo (SDL converts if the device differs).
    bool Open(platform::AudioSpec* format, platform::AudioCallback callback, void* user);
    void Close();
    void Lock();
    void Unlock();

private:
    static void Trampoline(void* self, unsigned char* stream, int length);
    unsigned device_ = 0;
    platform::AudioCallback callback_ = nullptr;
    void* user_ = nullptr;
    int channels_ = 2;
};

}  // namespace sdl
