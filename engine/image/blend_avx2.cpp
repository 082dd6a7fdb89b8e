// The hottest row loops again, eight pixels at a time with AVX2 (chosen at run time).
// Channels are widened to 16-bit lanes: x = S x a + D x (255 - a) fits, and
// round(x / 255) = ((x + 128) x 257) >> 16 for every such x, so results equal the portable loops.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <algorithm>

#include "engine/image/blend.h"
#include "engine/image/image.h"
#include "engine/image/turn_rows.h"

namespace engine::blend::avx2 {

namespace {

#define VELMORAN_AVX2 __attribute__((target("avx2")))

VELMORAN_AVX2 inline __m256i Load(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
VELMORAN_AVX2 inline void Store(uint32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// round(x / 255) in every 16-bit lane.
VELMORAN_AVX2 inline __m256i Div255(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// Mix of 8 pixels with one weight per 16-bit lane (a for S, 255 - a for D).
VELMORAN_AVX2 inline __m256i MixHalf(__m256i s, __m256i d, __m256i a, __m256i na) {
    return Div255(_mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, na)));
}

VELMORAN_AVX2 inline __m256i Opaque() { return _mm256_set1_epi32(int(kOpaque)); }

// All-ones in the first `count` lanes (count 0..8): the tail of a row in one masked step.
VELMORAN_AVX2 inline __m256i FirstLanes(int count) {
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}
VELMORAN_AVX2 inline __m256i LoadFirst(const uint32_t* p, __m256i mask) {
    return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask);
}
// Stores the first `count` lanes of v where `keep` is set. Masked stores are slow on some
// processors, so the short tail of a row goes through memory lane by lane.
VELMORAN_AVX2 inline void StoreFirst(uint32_t* p, int count, __m256i v, __m256i keep) {
    alignas(32) uint32_t values[8], flags[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(values), v);
    _mm256_store_si256(reinterpret_cast<__m256i*>(flags), keep);
    for (int i = 0; i < count; ++i) p[i] = (values[i] & flags[i]) | (p[i] & ~flags[i]);
}

// Pixels whose alpha byte is not 0, as an all-ones mask per pixel.
VELMORAN_AVX2 inline __m256i Visible(__m256i s) {
    const __m256i a = _mm256_and_si256(s, Opaque());
    return _mm256_xor_si256(_mm256_cmpeq_epi32(a, _mm256_setzero_si256()), _mm256_set1_epi32(-1));
}

}  // namespace

// Pixel indices of eight source positions, each kept inside the picture.
VELMORAN_AVX2 inline __m256i Index(__m256i vx, __m256i vy, __m256i pitch, __m256i maxX, __m256i maxY) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i column = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(vx, 16), zero), maxX);
    const __m256i row = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(vy, 16), zero), maxY);
    return _mm256_add_epi32(_mm256_mullo_epi32(row, pitch), column);
}

// Walks the source positions of a row eight at a time; `put` gets each step's pixels and how many
// of them lie in the row (8 but at the last step).
template <class Put>
VELMORAN_AVX2 inline void Walk(const SourceWalk& w, int n, Put put) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i vx =
        _mm256_add_epi32(_mm256_set1_epi32(w.fx), _mm256_mullo_epi32(lane, _mm256_set1_epi32(w.dfx)));
    __m256i vy =
        _mm256_add_epi32(_mm256_set1_epi32(w.fy), _mm256_mullo_epi32(lane, _mm256_set1_epi32(w.dfy)));
    const __m256i stepX = _mm256_set1_epi32(int32_t(uint32_t(w.dfx) * 8)),
                  stepY = _mm256_set1_epi32(int32_t(uint32_t(w.dfy) * 8));
    const __m256i pitch = _mm256_set1_epi32(w.pitch);
    const __m256i maxX = _mm256_set1_epi32(w.maxX), maxY = _mm256_set1_epi32(w.maxY);
    const int* source = reinterpret_cast<const int*>(w.base);
    // Positions past the end of the row are clamped like all others, so the last step may read
    // all eight lanes and keep only its first ones.
    for (int k = 0; k < n; k += 8) {
        put(k, std::min(8, n - k), _mm256_i32gather_epi32(source, Index(vx, vy, pitch, maxX, maxY), 4));
        vx = _mm256_add_epi32(vx, stepX);
        vy = _mm256_add_epi32(vy, stepY);
    }
}

// The steps of Walk and EachEight are small classes, not lambdas: a lambda would not inherit the
// AVX2 target of the function around it.
struct PutAll {
    uint32_t* out;
    __m256i orMask;
    bool padded;
    VELMORAN_AVX2 void operator()(int k, int count, __m256i pixels) const {
        const __m256i v = _mm256_or_si256(pixels, orMask);
        if (count == 8 || padded)
            Store(out + k, v);
        else
            StoreFirst(out + k, count, v, _mm256_set1_epi32(-1));
    }
};

struct PutVisible {
    uint32_t* dst;
    VELMORAN_AVX2 void operator()(int k, int count, __m256i pixels) const {
        if (count == 8)
            Store(dst + k, _mm256_blendv_epi8(Load(dst + k), pixels, Visible(pixels)));
        else
            StoreFirst(dst + k, count, pixels, Visible(pixels));
    }
};

VELMORAN_AVX2 void Gather(const SourceWalk& walk, int n, uint32_t* out, uint32_t orMask, bool padded) {
    Walk(walk, n, PutAll{out, _mm256_set1_epi32(int(orMask)), padded});
}

VELMORAN_AVX2 void GatherKeyed(const SourceWalk& walk, int n, uint32_t* dst) {
    Walk(walk, n, PutVisible{dst});
}

// With AVX-512's mask registers the keyed pixels and the row's tail are written by one masked store:
// no read of the destination, no lane-by-lane tail.
#define VELMORAN_AVX512 __attribute__((target("avx2,avx512f,avx512vl")))

// The walk's constants, set up once for all the rows of a draw.
struct Walker {
    __m256i laneX, laneY, stepX, stepY, pitch, maxX, maxY;
    const int* source;
    int32_t dfx, dfy, lastX, lastY;

    VELMORAN_AVX512 explicit Walker(const SourceWalk& w) {
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        laneX = _mm256_mullo_epi32(lane, _mm256_set1_epi32(w.dfx));
        laneY = _mm256_mullo_epi32(lane, _mm256_set1_epi32(w.dfy));
        stepX = _mm256_set1_epi32(int32_t(uint32_t(w.dfx) * 8));
        stepY = _mm256_set1_epi32(int32_t(uint32_t(w.dfy) * 8));
        pitch = _mm256_set1_epi32(w.pitch);
        maxX = _mm256_set1_epi32(w.maxX), maxY = _mm256_set1_epi32(w.maxY);
        source = reinterpret_cast<const int*>(w.base);
        dfx = w.dfx, dfy = w.dfy, lastX = w.maxX, lastY = w.maxY;
    }

    // Whether n steps of d from f all stay in columns (or rows) 0 to last: the walk is linear, so its
    // two ends bound it (taken in 64 bits, where nothing wraps).
    static bool Within(int32_t f, int32_t d, int n, int32_t last) {
        const int64_t a = f, b = a + int64_t(n - 1) * d;
        return std::min(a, b) >= 0 && (std::max(a, b) >> 16) <= last;
    }

    // One row of n pixels from (fx, fy); `put` gets each step's pixels and the mask of those in the row.
    template <class Put>
    VELMORAN_AVX512 void Row(int32_t fx, int32_t fy, int n, Put put) const {
        __m256i vx = _mm256_add_epi32(_mm256_set1_epi32(fx), laneX);
        __m256i vy = _mm256_add_epi32(_mm256_set1_epi32(fy), laneY);
        int k = 0;
        // Most rows lie inside the picture from end to end (their ends were cut to it): their full
        // steps need no clamping of the positions. The last, partial step keeps it, since its lanes
        // past the row's end read too.
        if (n >= 8 && Within(fx, dfx, n, lastX) && Within(fy, dfy, n, lastY)) {
            for (; k + 8 <= n; k += 8) {
                const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(vy, 16), pitch),
                                                       _mm256_srai_epi32(vx, 16));
                put(k, __mmask8(0xFF), _mm256_i32gather_epi32(source, index, 4));
                vx = _mm256_add_epi32(vx, stepX);
                vy = _mm256_add_epi32(vy, stepY);
            }
        }
        for (; k < n; k += 8) {
            const __mmask8 row = n - k >= 8 ? __mmask8(0xFF) : __mmask8((1u << (n - k)) - 1);
            put(k, row, _mm256_i32gather_epi32(source, Index(vx, vy, pitch, maxX, maxY), 4));
            vx = _mm256_add_epi32(vx, stepX);
            vy = _mm256_add_epi32(vy, stepY);
        }
    }
};

template <class Put>
VELMORAN_AVX512 inline void WalkMasked(const SourceWalk& w, int n, Put put) {
    Walker(w).Row(w.fx, w.fy, n, put);
}

struct PutAllMasked {
    uint32_t* out;
    __m256i orMask;
    VELMORAN_AVX512 void operator()(int k, __mmask8 row, __m256i pixels) const {
        _mm256_mask_storeu_epi32(out + k, row, _mm256_or_si256(pixels, orMask));
    }
};

struct PutVisibleMasked {
    uint32_t* dst;
    VELMORAN_AVX512 void operator()(int k, __mmask8 row, __m256i pixels) const {
        _mm256_mask_storeu_epi32(dst + k, row & _mm256_test_epi32_mask(pixels, Opaque()), pixels);
    }
};

VELMORAN_AVX512 void GatherMasked(const SourceWalk& walk, int n, uint32_t* out, uint32_t orMask) {
    WalkMasked(walk, n, PutAllMasked{out, _mm256_set1_epi32(int(orMask))});
}

VELMORAN_AVX512 void GatherKeyedMasked(const SourceWalk& walk, int n, uint32_t* dst) {
    WalkMasked(walk, n, PutVisibleMasked{dst});
}

VELMORAN_AVX2 void CopyRow(uint32_t* dst, const uint32_t* src, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) Store(dst + i, _mm256_or_si256(Load(src + i), Opaque()));
    for (; i < n; ++i) dst[i] = src[i] | kOpaque;
}

VELMORAN_AVX2 void KeyRow(uint32_t* dst, const uint32_t* src, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Load(src + i);
        Store(dst + i, _mm256_blendv_epi8(Load(dst + i), s, Visible(s)));
    }
    if (i < n) {
        const __m256i s = LoadFirst(src + i, FirstLanes(n - i));
        StoreFirst(dst + i, n - i, s, Visible(s));
    }
}

// Runs `blend(s, d)` over a row eight pixels at a time, the tail in one masked step.
template <class Blend>
VELMORAN_AVX2 inline void EachEight(uint32_t* dst, const uint32_t* src, int n, bool keyed, Blend blend) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Load(src + i), d = Load(dst + i);
        const __m256i r = blend(s, d);
        Store(dst + i, keyed ? _mm256_blendv_epi8(d, r, Visible(s)) : r);
    }
    if (i < n) {
        const __m256i mask = FirstLanes(n - i);
        const __m256i s = LoadFirst(src + i, mask), d = LoadFirst(dst + i, mask);
        StoreFirst(dst + i, n - i, blend(s, d), keyed ? Visible(s) : _mm256_set1_epi32(-1));
    }
}

// Mode 0 with any alpha: each pixel weighted by its own alpha.
struct AlphaMix {
    VELMORAN_AVX2 __m256i operator()(__m256i s, __m256i d) const {
        const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(255);
        const __m256i sl = _mm256_unpacklo_epi8(s, zero), sh = _mm256_unpackhi_epi8(s, zero);
        const __m256i al = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sl, 0xFF), 0xFF);
        const __m256i ah = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sh, 0xFF), 0xFF);
        const __m256i rl = MixHalf(sl, _mm256_unpacklo_epi8(d, zero), al, _mm256_sub_epi16(full, al));
        const __m256i rh = MixHalf(sh, _mm256_unpackhi_epi8(d, zero), ah, _mm256_sub_epi16(full, ah));
        return _mm256_or_si256(_mm256_packus_epi16(rl, rh), Opaque());
    }
};

// Mode 1 with a = 255: D' = round((S x p + D x (255 - p)) / 255).
struct FadeMix {
    __m256i p, np;
    VELMORAN_AVX2 __m256i operator()(__m256i s, __m256i d) const {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i rl = MixHalf(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), p, np);
        const __m256i rh = MixHalf(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), p, np);
        return _mm256_or_si256(_mm256_packus_epi16(rl, rh), Opaque());
    }
};

// Mode 2 with a = 255: D' = min(255, D + round(S x p / 255)); the pack saturates.
struct AddMix {
    __m256i p;
    VELMORAN_AVX2 __m256i operator()(__m256i s, __m256i d) const {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i tl = Div255(_mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), p));
        const __m256i th = Div255(_mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), p));
        const __m256i rl = _mm256_add_epi16(tl, _mm256_unpacklo_epi8(d, zero));
        const __m256i rh = _mm256_add_epi16(th, _mm256_unpackhi_epi8(d, zero));
        return _mm256_or_si256(_mm256_packus_epi16(rl, rh), Opaque());
    }
};

VELMORAN_AVX2 void AlphaRow(uint32_t* dst, const uint32_t* src, int n) {
    EachEight(dst, src, n, true, AlphaMix{});
}

VELMORAN_AVX2 void FadeRow(uint32_t* dst, const uint32_t* src, int n, uint32_t p, bool keyed) {
    EachEight(dst, src, n, keyed, FadeMix{_mm256_set1_epi16(short(p)), _mm256_set1_epi16(short(255 - p))});
}

VELMORAN_AVX2 void AddRow(uint32_t* dst, const uint32_t* src, int n, uint32_t p, bool keyed) {
    EachEight(dst, src, n, keyed, AddMix{_mm256_set1_epi16(short(p))});
}

// A turned row blended as it is read (the row loops' blends, without the row buffer between).
template <class Blend>
struct PutBlended {
    uint32_t* dst;
    Blend blend;
    bool keyed;
    VELMORAN_AVX512 void operator()(int k, __mmask8 row, __m256i s) const {
        const __m256i d = _mm256_maskz_loadu_epi32(row, dst + k);
        const __mmask8 keep = keyed ? __mmask8(row & _mm256_test_epi32_mask(s, Opaque())) : row;
        _mm256_mask_storeu_epi32(dst + k, keep, blend(s, d));
    }
};

VELMORAN_AVX512 void GatherFadeMasked(const SourceWalk& walk, int n, uint32_t* dst, uint32_t p, bool keyed) {
    const FadeMix fade{_mm256_set1_epi16(short(p)), _mm256_set1_epi16(short(255 - p))};
    WalkMasked(walk, n, PutBlended<FadeMix>{dst, fade, keyed});
}

VELMORAN_AVX512 void GatherAddMasked(const SourceWalk& walk, int n, uint32_t* dst, uint32_t p, bool keyed) {
    WalkMasked(walk, n, PutBlended<AddMix>{dst, AddMix{_mm256_set1_epi16(short(p))}, keyed});
}

VELMORAN_AVX512 void GatherAlphaMasked(const SourceWalk& walk, int n, uint32_t* dst) {
    WalkMasked(walk, n, PutBlended<AlphaMix>{dst, AlphaMix{}, true});
}

// Rows of one draw, each put by `Put` made for its first pixel.
template <class MakePut>
VELMORAN_AVX512 inline void EachRow(const SourceWalk& walk, const turn::Row* rows, int m, uint32_t* origin,
                                    size_t pitch, MakePut make) {
    const Walker w(walk);
    for (int i = 0; i < m; ++i) {
        const turn::Row& r = rows[i];
        w.Row(r.fx, r.fy, r.count, make(origin + size_t(r.py) * pitch + size_t(r.k0)));
    }
}

struct MakeAll {
    VELMORAN_AVX512 PutAllMasked operator()(uint32_t* dst) const { return PutAllMasked{dst, Opaque()}; }
};
struct MakeVisible {
    VELMORAN_AVX512 PutVisibleMasked operator()(uint32_t* dst) const { return PutVisibleMasked{dst}; }
};
template <class Blend>
struct MakeBlended {
    Blend blend;
    bool keyed;
    VELMORAN_AVX512 PutBlended<Blend> operator()(uint32_t* dst) const {
        return PutBlended<Blend>{dst, blend, keyed};
    }
};

VELMORAN_AVX512 void GatherRowsMasked(const SourceWalk& walk, const turn::Row* rows, int m, uint32_t* origin,
                                      size_t pitch, int mode, uint32_t p, AlphaUse use) {
    const bool keyed = use == AlphaUse::kKey;
    if (mode == kBlendAlpha) {
        const FadeMix fade{_mm256_set1_epi16(short(p)), _mm256_set1_epi16(short(255 - p))};
        EachRow(walk, rows, m, origin, pitch, MakeBlended<FadeMix>{fade, keyed});
    } else if (mode == kBlendAdditive) {
        EachRow(walk, rows, m, origin, pitch,
                MakeBlended<AddMix>{AddMix{_mm256_set1_epi16(short(p))}, keyed});
    } else if (use == AlphaUse::kFull) {
        EachRow(walk, rows, m, origin, pitch, MakeBlended<AlphaMix>{AlphaMix{}, true});
    } else if (keyed) {
        EachRow(walk, rows, m, origin, pitch, MakeVisible{});
    } else {
        EachRow(walk, rows, m, origin, pitch, MakeAll{});
    }
}

}  // namespace engine::blend::avx2
#else
// Other processors never choose these loops (HasAvx2 is false there); they only have to link.
#include "engine/image/blend.h"

namespace engine::blend::avx2 {
void Gather(const SourceWalk&, int, uint32_t*, uint32_t, bool) {}
void GatherKeyed(const SourceWalk&, int, uint32_t*) {}
void GatherMasked(const SourceWalk&, int, uint32_t*, uint32_t) {}
void GatherKeyedMasked(const SourceWalk&, int, uint32_t*) {}
void GatherFadeMasked(const SourceWalk&, int, uint32_t*, uint32_t, bool) {}
void GatherAddMasked(const SourceWalk&, int, uint32_t*, uint32_t, bool) {}
void GatherAlphaMasked(const SourceWalk&, int, uint32_t*) {}
void GatherRowsMasked(const SourceWalk&, const turn::Row*, int, uint32_t*, size_t, int, uint32_t, AlphaUse) {}
void CopyRow(uint32_t*, const uint32_t*, int) {}
void KeyRow(uint32_t*, const uint32_t*, int) {}
void AlphaRow(uint32_t*, const uint32_t*, int) {}
void FadeRow(uint32_t*, const uint32_t*, int, uint32_t, bool) {}
void AddRow(uint32_t*, const uint32_t*, int, uint32_t, bool) {}
}  // namespace engine::blend::avx2
#endif
