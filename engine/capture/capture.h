// Screen capture: a rectangle of the draw target written to an image file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/frame/screen.h"

namespace engine {

inline constexpr int kSaveBmp = 0;
inline constexpr int kSaveJpeg = 1;
inline constexpr int kSavePng = 2;

// Saves [x1, x2) x [y1, y2) of the draw target; 0, or -1 for a bad rectangle, an unknown or
// unavailable save type (JPEG), or a file that cannot be written. An existing file of that name is
// deleted first; the new one is then created afresh, never through a file or link put in its place.
int SaveDrawScreen(int x1, int y1, int x2, int y2, const std::string& fileName, int saveType, int jpegQuality,
                   int jpegHalfChroma, int pngLevel);
// Why the last SaveDrawScreen that returned -1 failed ("No space left on device", "File exists" ...);
// empty after one that worked.
const std::string& SaveDrawScreenError();

// The bytes of a 24-bit BMP of [x1, x2) x [y1, y2) of `surface`, rows bottom first; with
// `colourDepth` 16 each channel keeps only its 5, 6 and 5 top bits, as a 16-bit screen holds them.
std::vector<uint8_t> EncodeBmp24(const Surface& surface, int x1, int y1, int x2, int y2, int colourDepth);

}  // namespace engine
