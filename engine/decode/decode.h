// Picture decoding: BMP and PNG bytes into a decoded picture, format recognised by content.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

enum class PixelLayout {
    kPalette,    // 1 byte: index into `palette`
    kGray,       // 1 byte: gray level, used as red = green = blue
    kBgr24,      // 3 bytes: blue, green, red
    kBgra32,     // 4 bytes: blue, green, red, alpha (the only layout with an alpha channel)
    kGrayPair,   // 2 bytes: gray level, then an unused byte
};

struct DecodedPicture {
    int width = 0;
    int height = 0;       // always positive; rows are stored top row first
    int bytesPerRow = 0;
    PixelLayout layout = PixelLayout::kBgr24;
    std::vector<uint8_t> pixels;
    // Palette layout only: 256 entries of blue, green, red and a spare byte set to 0,
    // packed as 0x00RRGGBB.
    std::array<uint32_t, 256> palette{};
};

// Tries every decoder in order; false when none accepts the bytes.
bool DecodePicture(const uint8_t* data, size_t size, DecodedPicture* out);

// Decodes a file through the engine's file access, and its "_a" alpha companion when one exists
// (`hasCompanion` tells). False when the file cannot be read or decoded.
bool DecodePictureFile(const std::string& name, DecodedPicture* picture, DecodedPicture* companion,
                       bool* hasCompanion);

// The picture as 0xAARRGGBB pixels, rows top first; alpha 255 for layouts without alpha.
void ToArgb(const DecodedPicture& picture, std::vector<uint32_t>* out);

}  // namespace engine
