// Inside the image store: shared pictures with their alpha classes, image slots and handle checks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/decode/decode.h"

namespace engine {

// A run of pixels of one row that a drawing loop treats alike; fully transparent pixels have none.
struct PixelSpan {
    int32_t start;  // first pixel of the run in the picture row
    int32_t length;
    bool opaque;  // every pixel has alpha 255; otherwise some lie strictly between 0 and 255
};

// Pixels plus alpha (0xAARRGGBB, alpha applied at creation), shared by the cells of a divided image.
struct Picture {
    int width = 0;
    int height = 0;
    // Pixels from one row's start to the next's (see RowPitch); the padding is never read.
    int pitch = 0;
    std::vector<uint32_t> pixels;  // pitch x height, rows top first
    // Each row's runs, built once so the drawing loops never test alpha pixel by pixel.
    std::vector<PixelSpan> spans;
    std::vector<uint32_t> rowSpans;  // height + 1 offsets into spans
    bool hasTransparent = false;     // some pixel has alpha 0
    bool hasPartial = false;         // some pixel has alpha strictly between 0 and 255
    bool mayChange = false;          // selected as a draw target: the runs must be rebuilt before use
    uint32_t generation = 0;         // counts rebuilds of the runs, so images know when to look again
};

// Rebuilds the runs and the two flags from the pixels.
void ClassifyPicture(Picture* picture);

// The row pitch of a picture `width` pixels wide. A turned draw walks the picture across its rows:
// with rows a multiple of 128 bytes apart (pictures 512 or 1024 wide), the rows it reads fall in a
// few cache sets and evict one another, and a near-vertical walk ran three times slower. Rows of
// 1 KB and more are padded to an odd number of 64-byte lines, which spreads them over every set.
inline int RowPitch(int width) {
    if (width < 256 || width > (1 << 26)) return width;  // (the sum below never overflows)
    int lines = (width + 15) / 16;
    if (lines % 2 == 0) ++lines;
    return lines * 16;
}

struct ImageRecord {
    uint16_t check = 0;  // 11-bit check value of the handle
    int width = 0, height = 0;
    int offsetX = 0, offsetY = 0;  // position inside the shared picture
    std::shared_ptr<Picture> picture;
    std::string sourceFile;
    // Every visible pixel lies within this distance of the centre point (width / 2, height / 2);
    // a turned draw skips the rest of each row. Negative: nothing visible. Worked out for the
    // picture generation `radiusGeneration` (so never yet when that differs).
    double visibleRadius = 0;
    uint32_t radiusGeneration = ~0u;
};

// The visible radius of an image, worked out again when its picture has changed.
double VisibleRadius(ImageRecord* image);

inline constexpr int kImageSlots = 32768;
inline constexpr int kImageHandleType = 0x08000000;

// The live image of a handle, or null when the handle is not valid.
ImageRecord* FindImage(int handle);

// Makes an image of `picture` (whole or a cell); -1 when all 32768 slots are taken.
int CreateImage(std::shared_ptr<Picture> picture, int offsetX, int offsetY, int width, int height,
                const std::string& sourceFile);

// A picture from 0xAARRGGBB pixels: with `hasAlpha` the alpha bytes are kept, otherwise every pixel
// of the transparent colour gets alpha 0 and all others 255.
std::shared_ptr<Picture> MakePicture(const uint32_t* argb, int width, int height, bool hasAlpha,
                                     uint32_t transparentColour);

// The whole path from decoded pixels to an image handle (LoadImageFile without the file): the
// companion, when given, supplies the alpha. -1 for an empty or unusable picture.
int CreateImageFromPicture(const DecodedPicture& picture, const DecodedPicture* companion,
                           const std::string& sourceFile);
// The same from 0xAARRGGBB pixels (tests and tools build pictures this way).
int CreateImageFromArgb(const uint32_t* argb, int width, int height, bool hasAlpha,
                        const std::string& sourceFile = std::string());

// Cuts `handles` cells out of a whole image as LoadDividedImage does; 0 or -1.
int CutCells(int wholeHandle, int cellCount, int columns, int rows, int cellWidth, int cellHeight,
             int* handles);

// Live images and the next-free hint, for tests.
int LiveImageCount();
int NextFreeSlotHint();

}  // namespace engine
