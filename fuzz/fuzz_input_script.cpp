// Fuzzes the input-script reader of the headless back-end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/common/input_script.h"

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
    return 0;
}
