// Decoding speed: a 1088 x 1088 24-bit BMP and a 640 x 480 RGBA PNG, both made in memory.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstring>
#include <vector>

#include "engine/decode/decode.h"

namespace {

void Put16(std::vector<uint8_t>* b, uint32_t v) { b->insert(b->end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(std::vector<uint8_t>* b, uint32_t v) {
    b->insert(b->end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

// A bottom-up 24-bit BMP with a gradient and some noise, as a background picture would be.
std::vector<uint8_t> MakeBmp(int width, int height) {
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    std::vector<uint8_t> b;
    b.reserve(54 + size_t(stride) * size_t(height));
    b.push_back('B');
    b.push_back('M');
    Put32(&b, 54 + stride * uint32_t(height));
    Put32(&b, 0);
    Put32(&b, 54);
    Put32(&b, 40);
    Put32(&b, uint32_t(width));
    Put32(&b, uint32_t(height));
    Put16(&b, 1);
    Put16(&b, 24);
    for (int i = 0; i < 6; ++i) Put32(&b, 0);
    uint32_t noise = 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            b.insert(b.end(), {uint8_t(x), uint8_t(y), uint8_t((x + y) ^ (noise >> 28))});
        }
        b.resize(b.size() + stride - uint32_t(width) * 3, 0);
    }
    return b;
}

void WriteBytes(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

// Plain on purpose: libpng reports errors by longjmp. The rows belong to the caller.
bool WritePngPlain(std::vector<uint8_t>* out, png_bytep* rows, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, WriteBytes, nullptr);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::vector<uint8_t> MakePng(int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    uint32_t noise = 7;
    for (int y = 0; y < height; ++y) {
        rows[size_t(y)] = pixels.data() + size_t(y) * size_t(width) * 4;
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            uint8_t* p = rows[size_t(y)] + 4 * x;
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = uint8_t(noise >> 27);
            p[3] = uint8_t((x * y) >> 6);
        }
    }
    std::vector<uint8_t> out;
    if (!WritePngPlain(&out, rows.data(), width, height)) out.clear();
    return out;
}

void Decode(benchmark::State& state, const std::vector<uint8_t>& file) {
    engine::DecodedPicture picture;
    if (!engine::DecodePicture(file.data(), file.size(), &picture)) {
        state.SkipWithError("the input does not decode");
        return;
    }
    for (auto _ : state) {
        engine::DecodePicture(file.data(), file.size(), &picture);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(picture.pixels.size()));
}

void DecodeBmp1088x1088x24(benchmark::State& state) {
    static const std::vector<uint8_t> file = MakeBmp(1088, 1088);
    Decode(state, file);
}
BENCHMARK(DecodeBmp1088x1088x24)->Unit(benchmark::kMillisecond);

void DecodePng640x480Rgba(benchmark::State& state) {
    static const std::vector<uint8_t> file = MakePng(640, 480);
    Decode(state, file);
}
BENCHMARK(DecodePng640x480Rgba)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
