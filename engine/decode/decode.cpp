// Picture decoding: the decoder chain, files and their alpha companions, conversion to ARGB.
#include "engine/decode/decode.h"

#include <algorithm>

#include "engine/file/file_access.h"

namespace engine {

namespace {

int BytesPerPixel(PixelLayout layout) {
    switch (layout) {
        case PixelLayout::kPalette:
        case PixelLayout::kGray:
            return 1;
        case PixelLayout::kGrayPair:
            return 2;
        case PixelLayout::kBgr24:
            return 3;
        case PixelLayout::kBgra32:
            return 4;
    }
    return 0;
}

bool IsConsistent(const DecodedPicture& p) {
    const int bpp = BytesPerPixel(p.layout);
    if (p.width <= 0 || p.height <= 0 || bpp == 0) return false;
    if (uint64_t(p.bytesPerRow) < uint64_t(p.width) * uint64_t(bpp)) return false;
    return uint64_t(p.bytesPerRow) * uint64_t(p.height) <= p.pixels.size();
}

}  // namespace

bool DecodePicture(const uint8_t* data, size_t size, DecodedPicture* out) {
    if (!data || !out) return false;
    // By content only, in the engine's order. The JPEG, raw BGRA, TGA and DDS decoders that stood
    // between and after these two are not needed: the game ships none of those files.
    return DecodeBmp(data, size, out) || DecodePng(data, size, out);
}

std::string CompanionName(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + "_a";
    return name.substr(0, dot) + "_a" + name.substr(dot);
}

bool DecodePictureFile(const std::string& name, DecodedPicture* picture, DecodedPicture* companion,
                       bool* hasCompanion) {
    if (hasCompanion) *hasCompanion = false;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(name, &bytes) || !DecodePicture(bytes.data(), bytes.size(), picture)) {
        ReportUnloadable(name, "picture");
        return false;
    }
    if (companion && ReadWholeFile(CompanionName(name), &bytes) &&
        DecodePicture(bytes.data(), bytes.size(), companion) && hasCompanion)
        *hasCompanion = true;  // a missing or broken companion is no error: the picture stands alone
    return true;
}

namespace {

void Bgr24ToArgb(const uint8_t* s, size_t w, uint32_t* o) {
    for (size_t x = 0; x < w; ++x)
        o[x] = 0xFF000000u | uint32_t(s[3 * x + 2]) << 16 | uint32_t(s[3 * x + 1]) << 8 | s[3 * x];
}

void Bgra32ToArgb(const uint8_t* s, size_t w, uint32_t* o) {
    for (size_t x = 0; x < w; ++x)
        o[x] = uint32_t(s[4 * x + 3]) << 24 | uint32_t(s[4 * x + 2]) << 16 | uint32_t(s[4 * x + 1]) << 8 |
               s[4 * x];
}

}  // namespace

void ToArgbRow(const DecodedPicture& picture, int y, uint32_t* o) {
    const size_t w = size_t(picture.width > 0 ? picture.width : 0);
    if (!IsConsistent(picture) || y < 0 || y >= picture.height) {
        std::fill_n(o, w, 0xFF000000u);  // as ToArgb gives a picture that does not hold its rows
        return;
    }
    const uint8_t* s = picture.pixels.data() + size_t(y) * size_t(picture.bytesPerRow);
    switch (picture.layout) {
        case PixelLayout::kPalette:
            for (size_t x = 0; x < w; ++x) o[x] = 0xFF000000u | (picture.palette[s[x]] & 0xFFFFFFu);
            break;
        case PixelLayout::kGray:
            for (size_t x = 0; x < w; ++x) o[x] = 0xFF000000u | s[x] * 0x010101u;
            break;
        case PixelLayout::kGrayPair:
            for (size_t x = 0; x < w; ++x) o[x] = 0xFF000000u | s[2 * x] * 0x010101u;
            break;
        case PixelLayout::kBgr24:
            Bgr24ToArgb(s, w, o);
            break;
        case PixelLayout::kBgra32:
            Bgra32ToArgb(s, w, o);
            break;
    }
}

void ToArgbRow(const PictureRows& rows, int y, uint32_t* o) {
    const uint8_t* s = rows.top + ptrdiff_t(y) * rows.stride;
    if (rows.layout == PixelLayout::kBgra32)
        Bgra32ToArgb(s, size_t(rows.width), o);
    else
        Bgr24ToArgb(s, size_t(rows.width), o);
}

void ToArgb(const DecodedPicture& picture, std::vector<uint32_t>* out) {
    const size_t w = size_t(picture.width > 0 ? picture.width : 0),
                 h = size_t(picture.height > 0 ? picture.height : 0);
    out->assign(w * h, 0xFF000000u);
    if (!IsConsistent(picture)) return;
    for (size_t y = 0; y < h; ++y) ToArgbRow(picture, int(y), out->data() + y * w);
}

void ApplyAlphaCompanion(const DecodedPicture& companion, int width, int height,
                         std::vector<uint32_t>* argb) {
    if (width <= 0 || height <= 0 || argb->size() < size_t(width) * size_t(height)) return;
    std::vector<uint32_t> mask;
    ToArgb(companion, &mask);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t& pixel = (*argb)[size_t(y) * size_t(width) + size_t(x)];
            uint32_t alpha = 255;
            if (x < companion.width && y < companion.height) {
                const uint32_t m = mask[size_t(y) * size_t(companion.width) + size_t(x)];
                alpha = (77 * (m >> 16 & 255) + 150 * (m >> 8 & 255) + 29 * (m & 255)) >> 8;
            }
            pixel = (pixel & 0xFFFFFFu) | alpha << 24;
        }
    }
}

}  // namespace engine
