// The headless back-end: a frame is one pass of the message pump; waits move the clock at once.
#include "platform/headless/headless_platform.h"

#include "platform/sdl2/sdl_convert.h"

namespace headless {

HeadlessPlatform::HeadlessPlatform(const platform::Options& options, scripted::InputScript script)
    : options_(options),
      feed_(std::move(script), options.frameLimit),
      nowMicros_((feed_.Script().hasClock ? feed_.Script().clockMillis : kDefaultClockMillis) * 1000u) {
    audio_.SetCapturePath(options_.audioCapture);
}

bool HeadlessPlatform::OpenWindow(const platform::WindowSettings& settings, std::string*) {
    windowOpen_ = true;
    title_ = settings.title;
    windowed_ = settings.windowed;
    presented_.assign(size_t(settings.width) * size_t(settings.height), 0xFF000000u);
    AdvanceMicros(feed_.Begin() * 1000u);
    return true;
}

void HeadlessPlatform::CloseWindow() {
    audio_.Close();
    windowOpen_ = false;
}

void HeadlessPlatform::Present(const uint32_t* pixels, int width, int height) {
    // Nobody looks at a headless window: the pixels are copied only for a test that asked for them.
    if (keepPresented_) presented_.assign(pixels, pixels + size_t(width) * size_t(height));
    ++presentCount_;
}

void HeadlessPlatform::PumpEvents(bool frame) {
    // Scripted work is virtual time, but the sound is mixed for all of it (plays must end on time):
    // the script's limit on work keeps that cost within a real recording's.
    if (frame) AdvanceMicros(feed_.Pump() * 1000u);
}

void HeadlessPlatform::SleepUntilMicros(uint64_t deadline) {
    ++sleepCount_;
    if (deadline > nowMicros_) SetNow(deadline);
}

void HeadlessPlatform::SetNow(uint64_t micros) {
    nowMicros_ = micros;
    audio_.Advance(nowMicros_);
}

bool HeadlessPlatform::RandomSeedOverride(uint32_t* seed) { return feed_.Seed(seed); }

bool HeadlessPlatform::OpenAudio(platform::AudioSpec* format, platform::AudioCallback callback, void* user) {
    if (options_.noSound) return false;
    return audio_.Open(format, callback, user, nowMicros_);
}

std::unique_ptr<platform::AudioConverter> HeadlessPlatform::NewAudioConverter(int inRate, int inChannels,
                                                                              int outRate, int outChannels) {
    return sdl::NewAudioConverter(inRate, inChannels, outRate, outChannels);
}

}  // namespace headless
