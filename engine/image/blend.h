// The blend arithmetic and the row loops every drawing primitive ends in.
//
// Results are the blend equations rounded to the nearest integer, computed exactly in integers.
// Red and blue travel together in one 32-bit word (two 16-bit lanes), so one multiply serves two
// channels and g++ can vectorise the loops. Every pixel written gets alpha 255.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine::turn {
struct Row;
}

namespace engine::blend {

inline constexpr uint32_t kOpaque = 0xFF000000u;
inline constexpr uint32_t kLanes = 0x00FF00FFu;

// round(x / 255) in each 16-bit lane, for lane values 0..65025.
inline uint32_t Div255Lanes(uint32_t x) {
    x += 0x00800080u;
    return ((x + ((x >> 8) & kLanes)) >> 8) & kLanes;
}

// round((S x a + D x (255 - a)) / 255) per channel, a = 0..255.
inline uint32_t Mix(uint32_t s, uint32_t d, uint32_t a) {
    const uint32_t na = 255 - a;
    const uint32_t rb = Div255Lanes((s & kLanes) * a + (d & kLanes) * na);
    const uint32_t g = Div255Lanes(((s >> 8) & 0xFF) * a + ((d >> 8) & 0xFF) * na);
    return kOpaque | rb | g << 8;
}

// min(255, D + round(S x p / 255)) per channel, p = 0..255.
inline uint32_t Add(uint32_t s, uint32_t d, uint32_t p) {
    uint32_t rb = Div255Lanes((s & kLanes) * p) + (d & kLanes);
    uint32_t g = Div255Lanes(((s >> 8) & 0xFF) * p) + ((d >> 8) & 0xFF);
    rb |= ((rb >> 8) & 0x00010001u) * 0xFF;  // a lane above 255 saturates
    g |= ((g >> 8) & 1) * 0xFF;
    return kOpaque | (rb & kLanes) | (g & 0xFF) << 8;
}

// floor(y / 65025) for y < 2^24, by multiplication.
inline uint32_t Div65025(uint32_t y) { return uint32_t((uint64_t(y) * 16909061u) >> 40); }

// Alpha blending with a weight w = a x p in 0..65025: round((S x w + D x (65025 - w)) / 65025).
inline uint32_t MixWide(uint32_t s, uint32_t d, uint32_t w) {
    const uint32_t nw = 65025 - w;
    uint32_t out = kOpaque;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t sc = (s >> shift) & 255, dc = (d >> shift) & 255;
        out |= Div65025(sc * w + dc * nw + 32512) << shift;
    }
    return out;
}

// Adding with a weight w = a x p: min(255, D + round(S x w / 65025)).
inline uint32_t AddWide(uint32_t s, uint32_t d, uint32_t w) {
    uint32_t out = kOpaque;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t sc = (s >> shift) & 255, dc = (d >> shift) & 255;
        const uint32_t v = dc + Div65025(sc * w + 32512);
        out |= (v > 255 ? 255 : v) << shift;
    }
    return out;
}

// What a row loop needs to know: the mode, its parameter, and how to read the source alpha.
enum class AlphaUse {
    kIgnore,  // every source pixel counts as alpha 255 (transparency flag 0, or all opaque)
    kKey,     // alpha is 0 or 255 only: 0 skips the pixel
    kFull,    // any alpha
};

// Blends n source pixels onto n destination pixels. Mode 0 no blending, 1 alpha, 2 add; any other
// mode draws as mode 0.
void BlendRow(uint32_t* dst, const uint32_t* src, int n, int mode, int parameter, AlphaUse use);

// Where a row of a turned image reads its source: pixel k of the row comes from column
// (fx + k dfx) >> 16 and row (fy + k dfy) >> 16 (16.16 fixed point), each kept within 0..maxX and
// 0..maxY, so that rounding at the edges never reads outside the picture.
struct SourceWalk {
    const uint32_t* base;
    int pitch;
    int32_t fx, fy, dfx, dfy;
    int32_t maxX, maxY;
};

// Reads n source pixels along a walk into `out`, each ORed with `orMask`. With `padded`, `out` has
// room for n rounded up to a multiple of 8, and whatever lands past n is of no concern.
void Gather(const SourceWalk& walk, int n, uint32_t* out, uint32_t orMask, bool padded = false);
// Gather for mode 0 with a keyed picture: pixels of alpha 0 leave the destination as it is.
void GatherKeyed(const SourceWalk& walk, int n, uint32_t* dst);
// Gather and BlendRow in one pass where the processor's vector loops can (false: nothing done, use
// the two).
bool GatherBlended(const SourceWalk& walk, int n, uint32_t* dst, int mode, int parameter, AlphaUse use);
// A batch of rows of one turned draw read and blended, row r written from origin + r.py x pitch + r.k0,
// where the vector loops can do the batch at once (false: nothing done, draw row by row).
bool GatherRows(const SourceWalk& walk, const turn::Row* rows, int m, uint32_t* origin, size_t pitch,
                int mode, int parameter, AlphaUse use);

// Blends one colour onto n destination pixels (rectangles).
void FillRow(uint32_t* dst, uint32_t colour, int n, int mode, int parameter);

// Tests: use the portable loops even where the AVX2 ones could run (both give the same pixels).
void UsePortableLoops(bool portable);
// Tests: leave out the AVX-512 loops where the processor has them (the AVX2 ones run alone then).
void UseWideVectorLoops(bool wide);
// Whether the AVX2 loops run (the row set-up of turned draws follows the same choice), and the
// AVX-512 ones among them.
bool UsesVectorLoops();
bool UsesWideVectorLoops();

namespace avx2 {
void Gather(const SourceWalk& walk, int n, uint32_t* out, uint32_t orMask, bool padded);
void GatherKeyed(const SourceWalk& walk, int n, uint32_t* dst);
// The same two with AVX-512's masked stores (the processor must have AVX-512 F and VL).
void GatherMasked(const SourceWalk& walk, int n, uint32_t* out, uint32_t orMask);
void GatherKeyedMasked(const SourceWalk& walk, int n, uint32_t* dst);
void GatherFadeMasked(const SourceWalk& walk, int n, uint32_t* dst, uint32_t p, bool keyed);
void GatherAddMasked(const SourceWalk& walk, int n, uint32_t* dst, uint32_t p, bool keyed);
void GatherAlphaMasked(const SourceWalk& walk, int n, uint32_t* dst);
void GatherRowsMasked(const SourceWalk& walk, const turn::Row* rows, int m, uint32_t* origin, size_t pitch,
                      int mode, uint32_t p, AlphaUse use);
void CopyRow(uint32_t* dst, const uint32_t* src, int n);
void KeyRow(uint32_t* dst, const uint32_t* src, int n);
void AlphaRow(uint32_t* dst, const uint32_t* src, int n);
void FadeRow(uint32_t* dst, const uint32_t* src, int n, uint32_t p, bool keyed);
void AddRow(uint32_t* dst, const uint32_t* src, int n, uint32_t p, bool keyed);
}  // namespace avx2

}  // namespace engine::blend
