// Fuzzes the PNG path through libpng, and the conversion of whatever it accepts. Chunk checksums are
// made right before decoding, so that mutations get past libpng's CRC test into the chunks and rows.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/decode/decode.h"

namespace {

void FixChecksums(std::vector<uint8_t>* png) {
    uint8_t* p = png->data();
    size_t at = 8;  // after the signature
    while (png->size() >= 12 && at <= png->size() - 12) {
        const uint64_t length =
            uint64_t(p[at]) << 24 | uint64_t(p[at + 1]) << 16 | uint64_t(p[at + 2]) << 8 | p[at + 3];
        if (length > png->size() - 12 - at) break;
        const uLong crc = crc32(0, p + at + 4, uInt(length + 4));
        uint8_t* c = p + at + 8 + length;
        c[0] = uint8_t(crc >> 24);
        c[1] = uint8_t(crc >> 16);
        c[2] = uint8_t(crc >> 8);
        c[3] = uint8_t(crc);
        at += 12 + length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> png(data, data + size);
    FixChecksums(&png);
    engine::DecodedPicture picture;
    if (engine::DecodePng(png.data(), png.size(), &picture)) {
        std::vector<uint32_t> argb;
        engine::ToArgb(picture, &argb);
    }
    return 0;
}
