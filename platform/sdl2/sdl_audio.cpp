// The SDL audio device: SDL's audio thread pulls mixed samples through the engine's callback.
#include "platform/sdl2/sdl_audio.h"

#include <SDL.h>

#include <cstdio>

namespace sdl {

namespace {
constexpr int kRetryFrames = 120;  // about two seconds between tries for a lost device
}

bool SdlAudio::Open(platform::AudioSpec* format, platform::AudioCallback callback, void* user,
                    const std::string& device) {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    callback_ = callback;
    user_ = user;
    rate_ = format->rate;
    channels_ = format->channels;
    name_ = device;
    bool ok = !name_.empty() && OpenDevice(name_.c_str());
    if (!name_.empty() && !ok)
        std::fprintf(stderr, "velmoran: the sound device \"%s\" cannot be opened; using the default\n",
                     name_.c_str());
    if (!ok) ok = OpenDevice(nullptr);
    if (!ok) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    format->rate = rate_;
    format->channels = channels_;
    return true;
}

bool SdlAudio::OpenDevice(const char* name) {
    SDL_AudioSpec want{}, have{};
    want.freq = rate_;
    want.format = AUDIO_S16SYS;
    want.channels = Uint8(channels_);
    want.samples = 1024;
    want.callback = &SdlAudio::Trampoline;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(name, 0, &want, &have, 0);  // no changes allowed: SDL converts
    if (device_ == 0) return false;
    lost_ = false;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlAudio::Close() {
    if (device_ == 0 && !lost_) return;
    if (device_) SDL_CloseAudioDevice(device_);
    device_ = 0;
    lost_ = false;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudio::DeviceRemoved(unsigned id) {
    if (device_ == 0 || id != device_) return;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    lost_ = true;
    retryCountdown_ = 0;
}

void SdlAudio::DeviceAdded() {
    if (lost_) retryCountdown_ = 0;
}

void SdlAudio::Recover() {
    if (!lost_ || --retryCountdown_ > 0) return;
    retryCountdown_ = kRetryFrames;
    if (!name_.empty() && OpenDevice(name_.c_str())) return;
    OpenDevice(nullptr);
}

void SdlAudio::Lock() {
    if (device_) SDL_LockAudioDevice(device_);
}

void SdlAudio::Unlock() {
    if (device_) SDL_UnlockAudioDevice(device_);
}

void SdlAudio::Trampoline(void* self, unsigned char* stream, int length) {
    auto* a = static_cast<SdlAudio*>(self);
    a->callback_(a->user_, reinterpret_cast<int16_t*>(stream), length / (2 * a->channels_));
}

}  // namespace sdl
