// Fuzzes the BMP decoder, and the conversion of whatever it accepts.
#include <cstddef>
#include <cstdint>

#include "engine/decode/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    engine::DecodedPicture picture;
    if (engine::DecodeBmp(data, size, &picture)) {
        std::vector<uint32_t> argb;
        engine::ToArgb(picture, &argb);
        engine::ApplyAlphaCompanion(picture, picture.width, picture.height, &argb);
    }
    return 0;
}
