// The SDL audio device: SDL's audio thread pulls mixed samples through the engine's callback.
#include "platform/sdl2/sdl_audio.h"

#include <SDL.h>

namespace sdl {

bool SdlAudio::Open(platform::AudioSpec* format, platform::AudioCallback callback, void* user) {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{}, have{};
    want.freq = format->rate;
    want.format = AUDIO_S16SYS;
    want.channels = Uint8(format->channels);
    want.samples = 1024;
    want.callback = &SdlAudio::Trampoline;
    want.userdata = this;
    callback_ = callback;
    user_ = user;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    channels_ = have.channels;
    format->rate = have.freq;
    format->channels = have.channels;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlAudio::Close() {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
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
