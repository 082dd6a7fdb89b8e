// Writing pictures: 24-bit BMP with a magenta key, RGBA PNG (libpng), and baking a canvas to 8 bits.
#include "pictures/image_io.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace datagen::pic {

namespace {

constexpr float kMatte[3] = {6 / 255.0f, 6 / 255.0f, 14 / 255.0f};

uint8_t To8(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

Image8 Bake(const Canvas& cv, bool png) {
    Image8 img{cv.w, cv.h, std::vector<uint8_t>(static_cast<size_t>(cv.w) * cv.h * 4)};
    for (int y = 0; y < cv.h; ++y)
        for (int x = 0; x < cv.w; ++x) {
            const float* s = cv.At(x, y);
            uint8_t* d = &img.px[(static_cast<size_t>(y) * cv.w + x) * 4];
            float a = std::clamp(s[3], 0.0f, 1.0f);
            if (png) {
                d[3] = To8(a);
                for (int c = 0; c < 3; ++c) d[c] = d[3] ? To8(s[c] / std::max(a, 1e-6f)) : 0;
                continue;
            }
            if (a < 0.5f) {
                d[0] = d[1] = d[2] = d[3] = 0;
                continue;
            }
            for (int c = 0; c < 3; ++c) d[c] = To8(s[c] + (1 - a) * kMatte[c]);
            d[3] = 255;
            // An opaque pixel must never read as the key colour.
            if (d[0] == 255 && d[1] == 0 && d[2] == 255) d[0] = 254;
        }
    return img;
}

bool WriteBmp(const std::string& path, const Image8& img) {
    const int stride = (img.w * 3 + 3) & ~3;
    const uint32_t dataSize = static_cast<uint32_t>(stride) * img.h;
    std::vector<uint8_t> buf(54 + static_cast<size_t>(dataSize), 0);
    buf[0] = 'B';
    buf[1] = 'M';
    Put32(&buf[2], 54 + dataSize);
    Put32(&buf[10], 54);
    Put32(&buf[14], 40);
    Put32(&buf[18], static_cast<uint32_t>(img.w));
    Put32(&buf[22], static_cast<uint32_t>(img.h));  // positive: bottom row first
    buf[26] = 1;
    buf[28] = 24;
    Put32(&buf[34], dataSize);
    Put32(&buf[38], 2835);
    Put32(&buf[42], 2835);
    for (int y = 0; y < img.h; ++y) {
        uint8_t* row = &buf[54 + static_cast<size_t>(img.h - 1 - y) * stride];
        for (int x = 0; x < img.w; ++x) {
            const uint8_t* s = &img.px[(static_cast<size_t>(y) * img.w + x) * 4];
            bool keyed = s[3] == 0;
            row[x * 3 + 0] = keyed ? 255 : s[2];
            row[x * 3 + 1] = keyed ? 0 : s[1];
            row[x * 3 + 2] = keyed ? 255 : s[0];
        }
    }
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!f) return false;
    return std::fwrite(buf.data(), 1, buf.size(), f.get()) == buf.size();
}

bool WritePng(const std::string& path, const Image8& img) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, img.w, img.h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < img.h; ++y)
        png_write_row(png, const_cast<png_bytep>(&img.px[static_cast<size_t>(y) * img.w * 4]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace datagen::pic
