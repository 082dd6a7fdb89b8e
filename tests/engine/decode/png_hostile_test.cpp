// Hostile PNG chunk lengths are refused before any memory is taken for them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/decode/decode.h"

namespace {

TEST(PngHostile, ChunkLongerThanTheFileIsRefused) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                0, 0, 0, 32, 0, 0, 0, 32, 4, 0, 0, 0, 0, 0x93, 0xE1, 0xC8, 0x29,
                                // iTXt claiming 1.4 GB in a file of a few dozen bytes
                                0x59, 0, 0x0E, 0x3F, 'i', 'T', 'X', 't', 'T', 'i', 't', 'l', 'e', 0, 0, 0};
    engine::DecodedPicture picture;
    EXPECT_FALSE(engine::DecodePng(png.data(), png.size(), &picture));
    EXPECT_FALSE(engine::DecodePicture(png.data(), png.size(), &picture));
}

}  // namespace
