// Headless audio: the callback runs on the main thread as the virtual clock moves.
#include "platform/headless/headless_audio.h"

#include <algorithm>
#include <cstdio>

namespace headless {

bool HeadlessAudio::Open(platform::AudioSpec* format, platform::AudioCallback callback, void* user,
                         uint64_t nowMicros) {
    format->rate = 44100;
    format->channels = 2;
    format->pulledOnMainThread = true;
    format->unheard = capturePath_.empty() && !keepCaptured_;
    format_ = *format;
    callback_ = callback;
    user_ = user;
    startMicros_ = nowMicros;
    framesDone_ = 0;
    captured_.clear();
    return true;
}

void HeadlessAudio::Close() {
    if (callback_ && !capturePath_.empty() &&
        !WriteWav(capturePath_, captured_, format_.rate, format_.channels))
        std::fprintf(stderr, "velmoran: the audio capture %s could not be written completely\n",
                     capturePath_.c_str());
    callback_ = nullptr;
}

void HeadlessAudio::Advance(uint64_t nowMicros) {
    if (!callback_ || nowMicros < startMicros_) return;
    const uint64_t due = (nowMicros - startMicros_) * uint64_t(format_.rate) / 1000000u;
    int16_t buffer[1024 * 2];
    while (framesDone_ < due) {
        const int frames = int(std::min<uint64_t>(due - framesDone_, 1024));
        callback_(user_, buffer, frames);
        if (keepCaptured_ || !capturePath_.empty())
            captured_.insert(captured_.end(), buffer, buffer + frames * format_.channels);
        framesDone_ += uint64_t(frames);
    }
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int rate, int channels) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    auto u32 = [&](uint32_t v) {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        std::fwrite(b, 1, 4, f);
    };
    auto u16 = [&](uint16_t v) {
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        std::fwrite(b, 1, 2, f);
    };
    const uint32_t bytes = uint32_t(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(uint16_t(channels));
    u32(uint32_t(rate));
    u32(uint32_t(rate * channels * 2));
    u16(uint16_t(channels * 2));
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(bytes);
    for (int16_t s : samples) u16(uint16_t(s));
    const bool written = std::ferror(f) == 0;
    return std::fclose(f) == 0 && written;
}

}  // namespace headless
