// The BMP decoder: uncompressed, run-length and bit-field pictures, Windows and OS/2 headers.
#include <bit>
#include <cstring>

#include "engine/decode/decode.h"

namespace engine {

namespace {

constexpr size_t kFileHeaderSize = 14;

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct BmpHeader {
    int64_t width = 0;
    int64_t height = 0;  // positive, the direction is in topDown
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kRgb;
    uint32_t colorsUsed = 0;
    uint32_t masks[3] = {};
    bool os2 = false;  // OS/2 1.x: 3-byte colour table entries
    size_t paletteStart = 0;
    size_t pixelOffset = 0;
};

// One channel of a bit-field pixel, scaled to 0..255 (a channel of 5 bits gives 255 for 31).
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t max = 0;
    explicit Channel(uint32_t m) : mask(m) {
        if (!m) return;
        shift = std::countr_zero(m);
        max = (uint64_t(1) << std::bit_width(m >> shift)) - 1;
    }
    uint8_t operator()(uint32_t pixel) const {
        if (!max) return 0;
        return uint8_t(((uint64_t(pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

bool ReadHeader(const uint8_t* d, size_t n, BmpHeader* h) {
    if (n < kFileHeaderSize + 4 || d[0] != 'B' || d[1] != 'M') return false;
    h->pixelOffset = Le32(d + 10);
    const uint32_t headerSize = Le32(d + 14);
    const uint8_t* info = d + kFileHeaderSize;
    int planes = 0;
    bool os2v2 = false;
    if (headerSize == 12) {  // OS/2 1.x
        if (n < kFileHeaderSize + 12) return false;
        h->width = Le16(info + 4);
        h->height = Le16(info + 6);
        planes = Le16(info + 8);
        h->bits = Le16(info + 10);
        h->os2 = true;
    } else {
        const bool windows = headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
                             headerSize == 124;
        // OS/2 2.x headers may be cut anywhere from 16 to 64 bytes; the missing fields are 0.
        os2v2 = !windows && headerSize >= 16 && headerSize <= 64 && headerSize % 2 == 0;
        if ((!windows && !os2v2) || n < kFileHeaderSize + headerSize) return false;
        uint8_t full[64] = {};
        std::memcpy(full, info, headerSize < 64 ? headerSize : 64);
        h->width = int32_t(Le32(full + 4));
        const int32_t height = int32_t(Le32(full + 8));
        if (height == INT32_MIN) return false;
        h->topDown = height < 0;
        h->height = height < 0 ? -int64_t(height) : height;
        planes = Le16(full + 12);
        h->bits = Le16(full + 14);
        h->compression = Le32(full + 16);
        h->colorsUsed = Le32(full + 32);
        if (os2v2 && h->compression != kRgb && h->compression != kRle8 && h->compression != kRle4)
            return false;  // Huffman and 24-bit run-length pictures
    }
    // The planes field is not looked at: pictures with a wrong one still draw the same.
    (void)planes;
    if (h->width <= 0 || h->height <= 0) return false;
    if (h->width > kMaxPictureSide || h->height > kMaxPictureSide) return false;
    if (uint64_t(h->width) * uint64_t(h->height) > kMaxPicturePixels) return false;

    size_t maskBytes = 0;
    switch (h->compression) {
        case kRgb:
            if (h->bits != 1 && h->bits != 2 && h->bits != 4 && h->bits != 8 && h->bits != 16 &&
                h->bits != 24 && h->bits != 32)
                return false;
            break;
        case kRle8:
            if (h->bits != 8) return false;
            break;
        case kRle4:
            if (h->bits != 4) return false;
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (h->bits != 16 && h->bits != 32) return false;
            maskBytes = h->compression == kBitFields ? 12 : 16;
            break;
        default:
            return false;  // embedded JPEG and PNG, and anything unknown
    }
    if ((h->compression == kRle8 || h->compression == kRle4) && h->topDown) return false;
    if (maskBytes) {
        // The masks follow a 40-byte header, and are part of every longer one.
        if (n < kFileHeaderSize + 40 + 12) return false;
        for (int k = 0; k < 3; ++k) h->masks[k] = Le32(d + kFileHeaderSize + 40 + 4 * k);
    } else if (h->bits == 16) {
        h->masks[0] = 0x7C00;
        h->masks[1] = 0x03E0;
        h->masks[2] = 0x001F;
    }
    h->paletteStart = kFileHeaderSize + headerSize + (headerSize == 40 ? maskBytes : 0);
    return h->pixelOffset <= n;
}

// The colour table: 2^bits entries whatever the colour count says, cut short only where the pixel
// data or the file begin or end sooner; entries that are not there stay black.
bool ReadPalette(const uint8_t* d, size_t n, const BmpHeader& h, std::array<uint32_t, 256>* palette) {
    palette->fill(0);
    if (h.bits > 8) return true;
    const uint64_t entrySize = h.os2 ? 3 : 4;
    uint64_t count = uint64_t(1) << h.bits;
    if (h.paletteStart > n) return false;
    if ((n - h.paletteStart) / entrySize < count) count = (n - h.paletteStart) / entrySize;
    if (h.pixelOffset >= h.paletteStart && h.pixelOffset - h.paletteStart < count * entrySize)
        count = (h.pixelOffset - h.paletteStart) / entrySize;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* e = d + h.paletteStart + i * entrySize;
        (*palette)[i] = uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];  // the spare byte stays 0
    }
    return true;
}

bool Allocate(DecodedPicture* out, const BmpHeader& h, PixelLayout layout, int bytesPerPixel) {
    const uint64_t bytesPerRow = (uint64_t(h.width) * bytesPerPixel + 3) & ~uint64_t(3);
    if (bytesPerRow * uint64_t(h.height) > kMaxPictureBytes) return false;
    out->width = int(h.width);
    out->height = int(h.height);
    out->bytesPerRow = int(bytesPerRow);
    out->layout = layout;
    out->pixels.assign(size_t(bytesPerRow * uint64_t(h.height)), 0);
    return true;
}

// Run-length data of 8 or 4 bits per pixel into palette indices. Data that would write outside the
// picture, or that ends before the end-of-picture code, makes the decode fail.
bool DecodeRunLength(const uint8_t* src, size_t size, bool fourBits, DecodedPicture* out) {
    const int64_t w = out->width, h = out->height;
    int64_t x = 0, y = 0;  // y counts rows from the bottom, as stored
    size_t i = 0;
    auto put = [&](uint8_t index) {
        if (x >= w || y >= h) return false;
        out->pixels[size_t(h - 1 - y) * size_t(out->bytesPerRow) + size_t(x)] = index;
        ++x;
        return true;
    };
    for (;;) {
        if (size - i < 2) return false;
        const uint8_t count = src[i], value = src[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k) {
                const uint8_t index = fourBits ? (k % 2 == 0 ? value >> 4 : value & 15) : value;
                if (!put(index)) return false;
            }
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (size - i < 2) return false;
            x += src[i];
            y += src[i + 1];
            i += 2;
            if (x > w || y > h) return false;
        } else {
            const size_t bytes = fourBits ? (value + 1u) / 2 : value;
            const size_t padded = (bytes + 1) & ~size_t(1);
            if (size - i < padded) return false;
            for (int k = 0; k < value; ++k) {
                const uint8_t b = src[i + (fourBits ? size_t(k / 2) : size_t(k))];
                const uint8_t index = fourBits ? (k % 2 == 0 ? b >> 4 : b & 15) : b;
                if (!put(index)) return false;
            }
            i += padded;
        }
    }
}

}  // namespace

bool BmpRowsInPlace(const uint8_t* d, size_t n, PictureRows* out) {
    // The checks are DecodeBmp's for these pictures: the header, the pixel data's length and the
    // size of the copy DecodeBmp would make.
    BmpHeader h;
    if (!d || !ReadHeader(d, n, &h) || h.compression != kRgb || (h.bits != 24 && h.bits != 32)) return false;
    const uint64_t srcStride = ((uint64_t(h.width) * h.bits + 31) / 32) * 4;
    if (srcStride * uint64_t(h.height) > n - h.pixelOffset) return false;
    const uint64_t bytesPerRow = (uint64_t(h.width) * uint64_t(h.bits / 8) + 3) & ~uint64_t(3);
    if (bytesPerRow * uint64_t(h.height) > kMaxPictureBytes) return false;
    const uint8_t* src = d + h.pixelOffset;
    out->width = int(h.width);
    out->height = int(h.height);
    out->layout = h.bits == 32 ? PixelLayout::kBgra32 : PixelLayout::kBgr24;
    out->top = h.topDown ? src : src + size_t(h.height - 1) * srcStride;
    out->stride = h.topDown ? ptrdiff_t(srcStride) : -ptrdiff_t(srcStride);
    return true;
}

bool DecodeBmp(const uint8_t* d, size_t n, DecodedPicture* out) {
    BmpHeader h;
    DecodedPicture picture;
    if (!ReadHeader(d, n, &h) || !ReadPalette(d, n, h, &picture.palette)) return false;
    const uint8_t* src = d + h.pixelOffset;
    const size_t srcSize = n - h.pixelOffset;

    if (h.compression == kRle8 || h.compression == kRle4) {
        if (!Allocate(&picture, h, PixelLayout::kPalette, 1)) return false;
        if (!DecodeRunLength(src, srcSize, h.compression == kRle4, &picture)) return false;
        *out = std::move(picture);
        return true;
    }

    const uint64_t srcStride = ((uint64_t(h.width) * h.bits + 31) / 32) * 4;
    if (srcStride * uint64_t(h.height) > srcSize) return false;  // the pixel data is cut short
    PixelLayout layout;
    int bytesPerPixel;
    if (h.compression == kRgb && (h.bits == 4 || h.bits == 8)) {
        layout = PixelLayout::kPalette;
        bytesPerPixel = 1;
    } else if (h.compression == kRgb && h.bits == 32) {
        layout = PixelLayout::kBgra32;
        bytesPerPixel = 4;
    } else {
        // 24-bit pictures as they are; 1 and 2 bits, 16 bits and bit fields are converted to them.
        layout = PixelLayout::kBgr24;
        bytesPerPixel = 3;
    }
    if (!Allocate(&picture, h, layout, bytesPerPixel)) return false;
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    const int w = picture.width;
    for (int row = 0; row < picture.height; ++row) {
        const uint8_t* s = src + size_t(h.topDown ? row : picture.height - 1 - row) * srcStride;
        uint8_t* o = picture.pixels.data() + size_t(row) * size_t(picture.bytesPerRow);
        if (h.compression == kRgb && (h.bits == 24 || h.bits == 32)) {
            std::memcpy(o, s, size_t(w) * size_t(bytesPerPixel));
        } else if (h.compression == kRgb && h.bits == 8) {
            std::memcpy(o, s, size_t(w));
        } else if (h.compression == kRgb && h.bits == 4) {
            for (int x = 0; x < w; ++x) o[x] = x % 2 == 0 ? s[x / 2] >> 4 : s[x / 2] & 15;
        } else if (h.bits <= 2) {
            const int perByte = 8 / h.bits;
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - h.bits * (x % perByte + 1);
                const uint32_t c = picture.palette[(s[x / perByte] >> shift) & ((1 << h.bits) - 1)];
                o[3 * x] = uint8_t(c);
                o[3 * x + 1] = uint8_t(c >> 8);
                o[3 * x + 2] = uint8_t(c >> 16);
            }
        } else {
            for (int x = 0; x < w; ++x) {
                const uint32_t p = h.bits == 16 ? Le16(s + 2 * x) : Le32(s + 4 * x);
                o[3 * x] = blue(p);
                o[3 * x + 1] = green(p);
                o[3 * x + 2] = red(p);
            }
        }
    }
    if (layout != PixelLayout::kPalette) picture.palette.fill(0);
    *out = std::move(picture);
    return true;
}

}  // namespace engine
