// Fuzzes the input-script reader of the headless back-end, then plays what it read for a few hundred
// frames through the headless back-end's script feed and virtual clock.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/common/input_script.h"
#include "platform/headless/headless_platform.h"

namespace {

constexpr int kFrames = 300;
constexpr int64_t kFrameLimit = 200;  // a close is reported from this pump on

void Play(scripted::InputScript script) {
    platform::Options options;
    options.noSound = true;
    options.frameLimit = kFrameLimit;
    headless::HeadlessPlatform p(options, std::move(script));
    platform::WindowSettings window;
    window.width = window.height = 1;  // nobody looks at the picture: keep each run cheap
    std::string error;
    p.OpenWindow(window, &error);
    uint64_t before = p.NowMicros();
    for (int frame = 1; frame <= kFrames; ++frame) {
        p.PumpEvents(true);
        const platform::InputState& in = p.Input();
        for (uint8_t key : in.keys)
            if (key > 1) __builtin_trap();
        if (in.mouseButtons > 7) __builtin_trap();  // left, right and middle only
        int x = 0, y = 0;
        p.GetPointer(&x, &y);
        if (x < -scripted::kScriptPointerLimit || x > scripted::kScriptPointerLimit ||
            y < -scripted::kScriptPointerLimit || y > scripted::kScriptPointerLimit)
            __builtin_trap();
        if (frame >= kFrameLimit && !in.closeRequested) __builtin_trap();
        // Time only moves forward, and never more than the work limit in one go.
        const uint64_t now = p.NowMicros();
        if (now < before || now - before > uint64_t(scripted::ScriptLimits{}.workMillis) * 1000u)
            __builtin_trap();
        // The game re-centres the pointer while steering and waits out the rest of its frame.
        if (frame % 3 == 0) p.SetPointer(320, 240);
        p.SleepUntilMicros(now + 17000);
        before = p.NowMicros();
    }
    p.CloseWindow();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    scripted::InputScript script;
    std::string error;
    if (!scripted::ParseInputScript(std::string(reinterpret_cast<const char*>(data), size), "fuzz", &script,
                                    &error)) {
        if (error.empty()) __builtin_trap();  // a refusal always says where and why
        return 0;
    }
    // The runner replays events in pump order.
    for (size_t i = 1; i < script.events.size(); ++i)
        if (scripted::ApplyingPump(script.events[i - 1]) > scripted::ApplyingPump(script.events[i]))
            __builtin_trap();
    if (scripted::LastScriptedPump(script) > scripted::ScriptLimits{}.frame) __builtin_trap();
    Play(std::move(script));
    return 0;
}
