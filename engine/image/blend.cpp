// The row loops of blending: one plain loop per mode and alpha use, so each stays tight.
#include "engine/image/blend.h"

#include <cstring>

#include "engine/image/image.h"
#include "engine/image/turn_rows.h"

namespace engine::blend {

namespace {

// The processor's features may be asked before the run-time library has looked them up itself.
bool HasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool HasAvx512() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
#else
    return false;
#endif
}

bool useAvx2 = HasAvx2();
bool useAvx512 = HasAvx512();

void CopyRow(uint32_t* __restrict dst, const uint32_t* __restrict src, int n) {
    for (int i = 0; i < n; ++i) dst[i] = src[i] | kOpaque;
}

void KeyRow(uint32_t* __restrict dst, const uint32_t* __restrict src, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        dst[i] = (s >> 24) ? s : dst[i];
    }
}

void AlphaRow(uint32_t* __restrict dst, const uint32_t* __restrict src, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i], d = dst[i];
        const uint32_t a = s >> 24;
        dst[i] = a ? Mix(s, d, a) : d;
    }
}

// The parameter blends (mode 1 mixes, mode 2 adds), each for every pixel, keyed pixels only, or
// scaled by the pixel's own alpha as well.
using Blend = uint32_t (*)(uint32_t, uint32_t, uint32_t);

template <Blend Op>
void ParamRow(uint32_t* __restrict dst, const uint32_t* __restrict src, int n, uint32_t p) {
    for (int i = 0; i < n; ++i) dst[i] = Op(src[i], dst[i], p);
}

template <Blend Op>
void ParamKeyRow(uint32_t* __restrict dst, const uint32_t* __restrict src, int n, uint32_t p) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i], d = dst[i];
        const uint32_t m = Op(s, d, p);
        dst[i] = (s >> 24) ? m : d;
    }
}

template <Blend Op, Blend Wide>
void ParamFullRow(uint32_t* __restrict dst, const uint32_t* __restrict src, int n, uint32_t p) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i], d = dst[i];
        const uint32_t a = s >> 24;
        dst[i] = a == 0 ? d : a == 255 ? Op(s, d, p) : Wide(s, d, a * p);
    }
}

}  // namespace

void UsePortableLoops(bool portable) { useAvx2 = !portable && HasAvx2(); }
bool UsesVectorLoops() { return useAvx2; }
void UseWideVectorLoops(bool wide) { useAvx512 = wide && HasAvx512(); }
bool UsesWideVectorLoops() { return useAvx2 && useAvx512; }

namespace {

inline int32_t Clamp(int32_t v, int32_t top) { return v < 0 ? 0 : v > top ? top : v; }

// Positions step as unsigned numbers (the step after the last pixel may pass the int range) and are
// read back as signed, exactly as the vector loop's lanes wrap.
template <class Put>
inline void WalkPortable(const SourceWalk& w, int n, Put put) {
    uint32_t fx = uint32_t(w.fx), fy = uint32_t(w.fy);
    for (int k = 0; k < n; ++k, fx += uint32_t(w.dfx), fy += uint32_t(w.dfy)) {
        const int32_t column = Clamp(int32_t(fx) >> 16, w.maxX), row = Clamp(int32_t(fy) >> 16, w.maxY);
        put(k, w.base[size_t(row) * size_t(w.pitch) + size_t(column)]);
    }
}

}  // namespace

void Gather(const SourceWalk& walk, int n, uint32_t* out, uint32_t orMask, bool padded) {
    if (useAvx2 && useAvx512 && !padded) return avx2::GatherMasked(walk, n, out, orMask);
    if (useAvx2) return avx2::Gather(walk, n, out, orMask, padded);
    WalkPortable(walk, n, [=](int k, uint32_t v) { out[k] = v | orMask; });
}

void GatherKeyed(const SourceWalk& walk, int n, uint32_t* dst) {
    if (useAvx2 && useAvx512) return avx2::GatherKeyedMasked(walk, n, dst);
    if (useAvx2) return avx2::GatherKeyed(walk, n, dst);
    WalkPortable(walk, n, [=](int k, uint32_t v) {
        if (v >> 24) dst[k] = v;
    });
}

bool GatherRows(const SourceWalk& walk, const turn::Row* rows, int m, uint32_t* origin, size_t pitch,
                int mode, int parameter, AlphaUse use) {
    if (!useAvx2 || !useAvx512) return false;
    // Modes 1 and 2 with any alpha weigh each pixel by both: the portable loops do those.
    if ((mode == kBlendAlpha || mode == kBlendAdditive) && use == AlphaUse::kFull) return false;
    avx2::GatherRowsMasked(walk, rows, m, origin, pitch,
                           mode == kBlendAlpha || mode == kBlendAdditive ? mode : 0, uint32_t(parameter),
                           use);
    return true;
}

bool GatherBlended(const SourceWalk& walk, int n, uint32_t* dst, int mode, int parameter, AlphaUse use) {
    if (!useAvx2 || !useAvx512 || n <= 0) return false;
    const uint32_t p = uint32_t(parameter);
    // The same choice of blend as BlendRow's vector loops.
    if (mode == kBlendAlpha && use != AlphaUse::kFull) {
        avx2::GatherFadeMasked(walk, n, dst, p, use == AlphaUse::kKey);
    } else if (mode == kBlendAdditive && use != AlphaUse::kFull) {
        avx2::GatherAddMasked(walk, n, dst, p, use == AlphaUse::kKey);
    } else if (mode != kBlendAlpha && mode != kBlendAdditive && use == AlphaUse::kFull) {
        avx2::GatherAlphaMasked(walk, n, dst);
    } else {
        return false;
    }
    return true;
}

void BlendRow(uint32_t* dst, const uint32_t* src, int n, int mode, int parameter, AlphaUse use) {
    if (n <= 0) return;
    const uint32_t p = uint32_t(parameter);
    if (useAvx2) {
        if (mode == kBlendAlpha && use != AlphaUse::kFull)
            return avx2::FadeRow(dst, src, n, p, use == AlphaUse::kKey);
        if (mode == kBlendAdditive && use != AlphaUse::kFull)
            return avx2::AddRow(dst, src, n, p, use == AlphaUse::kKey);
        if (mode != kBlendAlpha && mode != kBlendAdditive && use == AlphaUse::kIgnore)
            return avx2::CopyRow(dst, src, n);
        if (mode != kBlendAlpha && mode != kBlendAdditive && use == AlphaUse::kKey)
            return avx2::KeyRow(dst, src, n);
        if (mode != kBlendAlpha && mode != kBlendAdditive && use == AlphaUse::kFull)
            return avx2::AlphaRow(dst, src, n);
    }
    if (mode == kBlendAlpha) {
        if (use == AlphaUse::kIgnore)
            ParamRow<Mix>(dst, src, n, p);
        else if (use == AlphaUse::kKey)
            ParamKeyRow<Mix>(dst, src, n, p);
        else
            ParamFullRow<Mix, MixWide>(dst, src, n, p);
    } else if (mode == kBlendAdditive) {
        if (use == AlphaUse::kIgnore)
            ParamRow<Add>(dst, src, n, p);
        else if (use == AlphaUse::kKey)
            ParamKeyRow<Add>(dst, src, n, p);
        else
            ParamFullRow<Add, AddWide>(dst, src, n, p);
    } else {
        if (use == AlphaUse::kIgnore)
            CopyRow(dst, src, n);
        else if (use == AlphaUse::kKey)
            KeyRow(dst, src, n);
        else
            AlphaRow(dst, src, n);
    }
}

void FillRow(uint32_t* dst, uint32_t colour, int n, int mode, int parameter) {
    if (n <= 0) return;
    const uint32_t c = colour | kOpaque;
    const uint32_t p = uint32_t(parameter);
    if (mode == kBlendAlpha) {
        for (int i = 0; i < n; ++i) dst[i] = Mix(c, dst[i], p);
    } else if (mode == kBlendAdditive) {
        for (int i = 0; i < n; ++i) dst[i] = Add(c, dst[i], p);
    } else {
        for (int i = 0; i < n; ++i) dst[i] = c;
    }
}

}  // namespace engine::blend
