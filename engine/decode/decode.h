// Picture decoding: BMP and PNG bytes into 32-bit pixels, format recognised by content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;          // true when the file carried an alpha channel
    std::vector<uint32_t> pixels;   // 0xAARRGGBB, rows top first; alpha 255 when !hasAlpha
};

// Tries every decoder in order; false when none can read the bytes.
bool DecodePicture(const uint8_t* data, size_t size, DecodedPicture* out);

}  // namespace engine
