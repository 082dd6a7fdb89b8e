// Writing pictures: 24-bit BMP with a magenta key, RGBA PNG, and the 8-bit form the game will see.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pictures/canvas.h"

namespace datagen::pic {

// 8-bit straight RGBA, rows top first.
struct Image8 {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
};

// What the game sees: for a BMP, pixels below half cover become see-through and the others are
// laid over a dark matte (sprite edges shade to dark, never to magenta); a PNG keeps its alpha.
Image8 Bake(const Canvas& cv, bool png);

bool WriteBmp(const std::string& path, const Image8& img);  // keyed pixels written as (255, 0, 255)
bool WritePng(const std::string& path, const Image8& img);

}  // namespace datagen::pic
