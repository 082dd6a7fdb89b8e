// Screen capture: the 24-bit BMP writer and a PNG writer for the draw target.
#include "engine/capture/capture.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/frame/frame.h"
#include "engine/image/image.h"

namespace engine {

namespace {

void Put16(uint8_t* at, uint32_t v) {
    at[0] = uint8_t(v);
    at[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* at, uint32_t v) {
    Put16(at, v);
    Put16(at + 2, v >> 16);
}

// The pixel as the screen holds it: a 16-bit screen keeps 5, 6 and 5 bits, shown with low bits 0.
uint32_t ScreenPixel(uint32_t p, int colourDepth) {
    return colourDepth == 16 ? p & 0xF8FCF8u : p & 0xFFFFFFu;
}

std::string& LastError() {
    static std::string error;
    return error;
}

bool Fail(const char* why) {
    LastError() = why;
    return false;
}

bool FailWith(int error, const char* otherwise) {
    LastError() = error ? std::strerror(error) : otherwise;
    return false;
}

// The file is made afresh ("x": exclusive create): the old one was deleted just before, and a file or
// link planted under its name in between is refused rather than written through.
std::FILE* CreatePictureFile(const std::string& name) {
    errno = 0;
    std::FILE* f = std::fopen(name.c_str(), "wbx");
    if (!f) FailWith(errno, "cannot be created");
    return f;
}

bool WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::FILE* f = CreatePictureFile(name);
    if (!f) return false;
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
    int error = errno;
    const bool closed = std::fclose(f) == 0;
    if (closed && written) return true;
    if (written) error = errno;
    std::remove(name.c_str());  // a half-written picture is worse than none
    return FailWith(error, "write refused");
}

bool WritePng(const Surface& s, int x1, int y1, int x2, int y2, int colourDepth, int level,
              const std::string& name) {
    std::FILE* f = CreatePictureFile(name);
    if (!f) return false;
    errno = 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> row(size_t(x2 - x1) * 3);
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        if (level >= 0 && level <= 9) png_set_compression_level(png, level);
        png_set_IHDR(png, info, png_uint_32(x2 - x1), png_uint_32(y2 - y1), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = y1; y < y2; ++y) {
            const uint32_t* line = s.pixels + size_t(y) * size_t(s.pitch);
            for (int x = x1; x < x2; ++x) {
                const uint32_t p = ScreenPixel(line[x], colourDepth);
                uint8_t* o = row.data() + size_t(x - x1) * 3;
                o[0] = uint8_t(p >> 16), o[1] = uint8_t(p >> 8), o[2] = uint8_t(p);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    int error = errno;
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (ok && std::fflush(f) != 0) ok = false, error = errno;
    if (std::fclose(f) != 0 && ok) ok = false, error = errno;
    if (ok) return true;
    std::remove(name.c_str());
    return FailWith(error, "write refused");
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const Surface& s, int x1, int y1, int x2, int y2, int colourDepth) {
    const uint32_t w = uint32_t(x2 - x1), h = uint32_t(y2 - y1);
    const uint32_t stride = (w * 3 + 3) & ~3u;
    std::vector<uint8_t> out(54 + size_t(stride) * h, 0);
    uint8_t* head = out.data();
    head[0] = 'B', head[1] = 'M';
    Put32(head + 2, uint32_t(out.size()));
    Put32(head + 10, 54);
    Put32(head + 14, 40);
    Put32(head + 18, w);
    Put32(head + 22, h);
    Put16(head + 26, 1);
    Put16(head + 28, 24);
    uint8_t* o = out.data() + 54;
    for (int y = y2 - 1; y >= y1; --y, o += stride) {
        const uint32_t* line = s.pixels + size_t(y) * size_t(s.pitch) + x1;
        for (uint32_t i = 0; i < w; ++i) {
            const uint32_t p = ScreenPixel(line[i], colourDepth);
            o[i * 3] = uint8_t(p), o[i * 3 + 1] = uint8_t(p >> 8), o[i * 3 + 2] = uint8_t(p >> 16);
        }
    }
    return out;
}

const std::string& SaveDrawScreenError() { return LastError(); }

int SaveDrawScreen(int x1, int y1, int x2, int y2, const std::string& fileName, int saveType, int, int,
                   int pngLevel) {
    LastError().clear();
    FlushDrawing();
    const Surface& s = DrawTargetSurface();
    if (!s.pixels || x1 >= x2 || y1 >= y2 || x1 < 0 || y1 < 0 || x2 > s.width || y2 > s.height)
        return Fail("the rectangle is not on the screen"), -1;
    const int depth = ScreenColourDepth();
    if (saveType == kSavePng) {
        std::remove(fileName.c_str());  // as for a BMP below
        return WritePng(s, x1, y1, x2, y2, depth, pngLevel, fileName) ? 0 : -1;
    }
    if (saveType != kSaveBmp) return Fail("no writer for this picture type"), -1;  // no JPEG writer here
    std::vector<uint8_t> bytes;
    try {
        bytes = EncodeBmp24(s, x1, y1, x2, y2, depth);
    } catch (const std::bad_alloc&) {
        return Fail("out of memory"), -1;
    }
    // The old file goes first, even when the new one then cannot be made.
    std::remove(fileName.c_str());
    return WriteFile(fileName, bytes) ? 0 : -1;
}

}  // namespace engine
