// Audio format conversion with SDL_AudioStream: SDL's resampler and channel mapping, no device.
#include "platform/sdl2/sdl_convert.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

namespace sdl {

namespace {

// SDL keeps the last few hundred input frames inside its resampler even after a flush, so a sound
// would lose its tail: the flush pushes silence after the data and the output is cut to the exact length.
class SdlAudioConverter : public platform::AudioConverter {
public:
    SdlAudioConverter(SDL_AudioStream* stream, int inRate, int inChannels, int outRate, int outChannels)
        : stream_(stream),
          inRate_(inRate),
          outRate_(outRate),
          inChannels_(inChannels),
          inFrameBytes_(2 * inChannels),
          outFrameBytes_(2 * outChannels) {}
    ~SdlAudioConverter() override { SDL_FreeAudioStream(stream_); }

    bool Put(const int16_t* samples, int frames) override {
        if (frames <= 0) return frames == 0;
        if (frames > INT_MAX / inFrameBytes_) return false;
        inFrames_ += frames;
        return SDL_AudioStreamPut(stream_, samples, frames * inFrameBytes_) == 0;
    }
    bool Flush() override {
        const std::vector<int16_t> silence(size_t(inRate_ / 10 + 1024) * inChannels_, 0);
        if (SDL_AudioStreamPut(stream_, silence.data(), int(silence.size() * 2)) != 0) return false;
        limit_ = (inFrames_ * outRate_ + inRate_ / 2) / inRate_;
        return SDL_AudioStreamFlush(stream_) == 0;
    }
    int Get(int16_t* out, int maxFrames) override {
        if (maxFrames <= 0) return 0;
        if (maxFrames > INT_MAX / outFrameBytes_) maxFrames = INT_MAX / outFrameBytes_;
        if (limit_ >= 0) maxFrames = int(std::min<int64_t>(maxFrames, limit_ - outFrames_));
        if (maxFrames <= 0) return 0;
        const int got = SDL_AudioStreamGet(stream_, out, maxFrames * outFrameBytes_);
        if (got < 0) return -1;
        outFrames_ += got / outFrameBytes_;
        return got / outFrameBytes_;
    }
    void Clear() override {
        SDL_AudioStreamClear(stream_);
        inFrames_ = outFrames_ = 0;
        limit_ = -1;
    }

private:
    SDL_AudioStream* stream_;
    int inRate_, outRate_, inChannels_;
    int inFrameBytes_;
    int outFrameBytes_;
    int64_t inFrames_ = 0;   // put since the last Clear
    int64_t outFrames_ = 0;  // taken since the last Clear
    int64_t limit_ = -1;     // after a flush: the exact output length
};

}  // namespace

std::unique_ptr<platform::AudioConverter> NewAudioConverter(int inRate, int inChannels, int outRate,
                                                            int outChannels) {
    // SDL's channel maps go up to 7.1; rates are checked by SDL itself.
    if (inRate <= 0 || outRate <= 0 || inChannels < 1 || inChannels > 8 || outChannels < 1 || outChannels > 8)
        return nullptr;
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_S16SYS, Uint8(inChannels), inRate, AUDIO_S16SYS,
                                                 Uint8(outChannels), outRate);
    if (!stream) return nullptr;
    return std::make_unique<SdlAudioConverter>(stream, inRate, inChannels, outRate, outChannels);
}

}  // namespace sdl
