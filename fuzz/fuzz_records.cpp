// Fuzzes the record file reader (high score, highest stage, screenshot number).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_file.h"
#include "game/shell/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t value = 0;
    if (!game::ReadRecordFile(fuzz::WriteScratch(data, size), &value)) return 0;
    // What is read back after writing must be the same number.
    game::WriteRecordFile(fuzz::ScratchPath(), value);
    int32_t again = 0;
    if (!game::ReadRecordFile(fuzz::ScratchPath(), &again) || again != value) std::abort();
    return 0;
}
