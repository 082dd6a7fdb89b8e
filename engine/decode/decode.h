// Picture decoding: BMP and PNG bytes into a decoded picture, format recognised by content.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

enum class PixelLayout {
    kPalette,   // 1 byte: index into `palette`
    kGray,      // 1 byte: gray level, used as red = green = blue
    kBgr24,     // 3 bytes: blue, green, red
    kBgra32,    // 4 bytes: blue, green, red, alpha (the only layout with an alpha channel)
    kGrayPair,  // 2 bytes: gray level, then an unused byte
};

struct DecodedPicture {
    int width = 0;
    int height = 0;  // always positive; rows are stored top row first
    int bytesPerRow = 0;
    PixelLayout layout = PixelLayout::kBgr24;
    std::vector<uint8_t> pixels;
    // Palette layout only: 256 entries of blue, green, red and a spare byte set to 0,
    // packed as 0x00RRGGBB.
    std::array<uint32_t, 256> palette{};
};

// The largest picture any decoder makes: no side over 16384 pixels and no more than 64 Mi pixels
// (256 MiB once converted to 32 bits), so that a hostile header cannot make the engine allocate
// gigabytes.
constexpr int kMaxPictureSide = 16384;
constexpr uint64_t kMaxPicturePixels = uint64_t(1) << 26;
constexpr size_t kMaxPictureBytes = size_t(256) << 20;

// Tries every decoder in order; false when none accepts the bytes.
bool DecodePicture(const uint8_t* data, size_t size, DecodedPicture* out);
// The single decoders, recognising their format by content ("BM" or the PNG signature).
bool DecodeBmp(const uint8_t* data, size_t size, DecodedPicture* out);
bool DecodePng(const uint8_t* data, size_t size, DecodedPicture* out);

// Decodes a file through the engine's file access, and its "_a" alpha companion when one exists
// (`hasCompanion` tells). False when the file cannot be read or decoded.
bool DecodePictureFile(const std::string& name, DecodedPicture* picture, DecodedPicture* companion,
                       bool* hasCompanion);

// The picture as 0xAARRGGBB pixels, rows top first; alpha 255 for layouts without alpha.
void ToArgb(const DecodedPicture& picture, std::vector<uint32_t>* out);
// Row `y` (0 <= y < height) of the picture as ToArgb makes it, into `out` (width pixels), so that a
// picture can be converted a row at a time with no buffer of its whole size.
void ToArgbRow(const DecodedPicture& picture, int y, uint32_t* out);

// The rows of an uncompressed 24- or 32-bit BMP where they lie in the file, for a conversion that
// copies them nowhere first: DecodeBmp would make a picture of these rows (and DecodePicture would
// return it). A background's decode spent a third of its time copying its rows.
struct PictureRows {
    int width = 0;
    int height = 0;
    PixelLayout layout = PixelLayout::kBgr24;  // kBgr24 or kBgra32
    const uint8_t* top = nullptr;              // the top row, inside the file's bytes
    ptrdiff_t stride = 0;                      // from a row to the one below (negative: stored bottom up)
};
// False for any other file, which DecodePicture decodes.
bool BmpRowsInPlace(const uint8_t* data, size_t size, PictureRows* out);
// Row `y` of those rows as ToArgbRow makes it of DecodeBmp's picture.
void ToArgbRow(const PictureRows& rows, int y, uint32_t* out);

// The alpha companion's name: "_a" before the last "." of the file name, or appended when the file
// name has none ("data/bunny.bmp" -> "data/bunny_a.bmp"; dots in folder names do not count).
std::string CompanionName(const std::string& name);

// Replaces the alpha of `argb` (a width x height picture from ToArgb) with the companion's.
// Our rule: the companion is a brightness mask, white opaque and black transparent, so that any
// paint program can make one. Alpha = (77 red + 150 green + 29 blue) / 256 of the companion's pixel
// at the same position, counted from the top-left corner, whatever its layout (its own alpha, if any,
// is not used). Where the sizes differ, pixels the companion does not cover stay opaque (255) and the
// rest of the companion is ignored.
void ApplyAlphaCompanion(const DecodedPicture& companion, int width, int height, std::vector<uint32_t>* argb);

}  // namespace engine
