// Fuzzes the settings.ini reader and writer: any text reads, and what is written reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> warnings;
    const app::SettingsFile file = app::ParseSettings(text, &warnings);
    // Written and read again, the values must survive, and writing again must change nothing.
    const std::string written = app::FormatSettings(file, file.settings);
    const app::SettingsFile again = app::ParseSettings(written, nullptr);
    if (!app::SameSettings(file.settings, again.settings)) __builtin_trap();
    if (app::FormatSettings(again, again.settings) != written) __builtin_trap();
    return 0;
}
