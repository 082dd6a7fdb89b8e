// The headless back-end: a frame is one pass of the message pump; waits move the clock at once.
#include "platform/headless/headless_platform.h"

#include "platform/sdl2/sdl_convert.h"

namespace headless {

HeadlessPlatform::HeadlessPlatform(const platform::Options& options, InputScript script)
    : options_(options), script_(std::move(script)),
      nowMicros_((script_.hasClock ? script_.clockMillis : kDefaultClockMillis) * 1000u) {
    audio_.SetCapturePath(options_.audioCapture);
}

bool HeadlessPlatform::OpenWindow(const platform::WindowSettings& settings, std::string*) {
    windowOpen_ = true;
    title_ = settings.title;
    windowed_ = settings.windowed;
    presented_.assign(size_t(settings.width) * size_t(settings.height), 0xFF000000u);
    // Input for the first frame is in place before it starts, e.g. a key already held.
    while (nextEvent_ < script_.events.size() && ApplyingPump(script_.events[nextEvent_]) <= 0)
        Apply(script_.events[nextEvent_++]);
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
    if (!frame) return;
    ++framePumps_;
    while (nextEvent_ < script_.events.size() && ApplyingPump(script_.events[nextEvent_]) <= framePumps_)
        Apply(script_.events[nextEvent_++]);
    if (options_.frameLimit > 0 && framePumps_ >= options_.frameLimit) input_.closeRequested = true;
}

void HeadlessPlatform::Apply(const ScriptEvent& e) {
    switch (e.kind) {
        case ScriptEvent::Kind::kKey: input_.keys[e.a] = uint8_t(e.b); break;
        case ScriptEvent::Kind::kButton:
            input_.mouseButtons = e.b ? (input_.mouseButtons | uint32_t(e.a)) : (input_.mouseButtons & ~uint32_t(e.a));
            break;
        case ScriptEvent::Kind::kMove: pointerX_ = e.a; pointerY_ = e.b; break;
        case ScriptEvent::Kind::kRelative: pointerX_ += e.a; pointerY_ += e.b; break;
        case ScriptEvent::Kind::kClose: input_.closeRequested = true; break;
        case ScriptEvent::Kind::kFocus: input_.active = e.a != 0; break;
        case ScriptEvent::Kind::kWork: AdvanceMicros(uint64_t(e.a) * 1000u); break;
    }
}

void HeadlessPlatform::SleepUntilMicros(uint64_t deadline) {
    ++sleepCount_;
    if (deadline > nowMicros_) SetNow(deadline);
}

void HeadlessPlatform::SetNow(uint64_t micros) {
    nowMicros_ = micros;
    audio_.Advance(nowMicros_);
}

bool HeadlessPlatform::RandomSeedOverride(uint32_t* seed) {
    if (!script_.hasSeed) return false;
    *seed = script_.seed;
    return true;
}

bool HeadlessPlatform::OpenAudio(platform::AudioSpec* format, platform::AudioCallback callback, void* user) {
    if (options_.noSound) return false;
    return audio_.Open(format, callback, user, nowMicros_);
}

std::unique_ptr<platform::AudioConverter> HeadlessPlatform::NewAudioConverter(int inRate, int inChannels,
                                                                             int outRate, int outChannels) {
    return sdl::NewAudioConverter(inRate, inChannels, outRate, outChannels);
}

}  // namespace headless
