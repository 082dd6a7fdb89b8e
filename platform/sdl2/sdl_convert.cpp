// Audio format conversion with SDL_AudioStream: SDL's resampler and channel mapping, no device.
#include "platform/sdl2/sdl_convert.h"

#include <SDL.h>

#include <climits>

namespace sdl {

namespace {

class SdlAudioConverter : public platform::AudioConverter {
public:
    SdlAudioConverter(SDL_AudioStream* stream, int inChannels, int outChannels)
        : stream_(stream), inFrameBytes_(2 * inChannels), outFrameBytes_(2 * outChannels) {}
    ~SdlAudioConverter() override { SDL_FreeAudioStream(stream_); }

    bool Put(const int16_t* samples, int frames) override {
        if (frames <= 0) return frames == 0;
        if (frames > INT_MAX / inFrameBytes_) return false;
        return SDL_AudioStreamPut(stream_, samples, frames * inFrameBytes_) == 0;
    }
    bool Flush() override { return SDL_AudioStreamFlush(stream_) == 0; }
    int Get(int16_t* out, int maxFrames) override {
        if (maxFrames <= 0) return 0;
        if (maxFrames > INT_MAX / outFrameBytes_) maxFrames = INT_MAX / outFrameBytes_;
        const int got = SDL_AudioStreamGet(stream_, out, maxFrames * outFrameBytes_);
        return got < 0 ? -1 : got / outFrameBytes_;
    }
    void Clear() override { SDL_AudioStreamClear(stream_); }

private:
    SDL_AudioStream* stream_;
    int inFrameBytes_;
    int outFrameBytes_;
};

}  // namespace

std::unique_ptr<platform::AudioConverter> NewAudioConverter(int inRate, int inChannels, int outRate,
                                                            int outChannels) {
    // SDL's channel maps go up to 7.1; rates are checked by SDL itself.
    if (inRate <= 0 || outRate <= 0 || inChannels < 1 || inChannels > 8 || outChannels < 1 || outChannels > 8)
        return nullptr;
    SDL_AudioStream* stream =
        SDL_NewAudioStream(AUDIO_S16SYS, Uint8(inChannels), inRate, AUDIO_S16SYS, Uint8(outChannels), outRate);
    if (!stream) return nullptr;
    return std::make_unique<SdlAudioConverter>(stream, inChannels, outChannels);
}

}  // namespace sdl
