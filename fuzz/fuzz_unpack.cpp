// Fuzzes the unpacker of packed archive entries, and checks the packer's round trip on the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/file/archive_format.h"
#include "engine/file/archive_pack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    if (size >= 4) {
        const uint32_t stated = uint32_t(data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24);
        engine::UnpackEntry(data, size, stated, &out);
    }
    const std::vector<uint8_t> packed = engine::PackEntry(data, size);
    if (!engine::UnpackEntry(packed.data(), packed.size(), uint32_t(size), &out) || out.size() != size ||
        (size && std::memcmp(out.data(), data, size) != 0))
        std::abort();
    return 0;
}
