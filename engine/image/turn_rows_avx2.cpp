// The row set-up of a turned draw, four rows at once with AVX2 and eight with AVX-512. Every
// operation is the one the single-row loop does, in the same order and rounding (no fused
// multiply-adds), so the rows are the same to the last bit.
#if defined(__x86_64__) || defined(__i386__)
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 conversions start from a deliberately undefined vector, then warn that it may be.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <cstdint>

#include "engine/image/turn_rows.h"

namespace engine::turn::avx2 {

namespace {

#define VELMORAN_AVX2 __attribute__((target("avx2")))

VELMORAN_AVX2 inline __m256d Set(double v) { return _mm256_set1_pd(v); }

// std::clamp(v, lo, hi) for lo <= hi: max first, then min, as the single-row loop's comparisons.
VELMORAN_AVX2 inline __m256d Clamp(__m256d v, __m256d lo, __m256d hi) {
    return _mm256_min_pd(_mm256_max_pd(v, lo), hi);
}
VELMORAN_AVX2 inline __m128i Ceil(__m256d v) {
    return _mm256_cvttpd_epi32(_mm256_round_pd(v, _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC));
}
VELMORAN_AVX2 inline __m128i Floor(__m256d v) {
    return _mm256_cvttpd_epi32(_mm256_round_pd(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC));
}

// Inside() of the single-row loop for four rows: narrows k0 and k1 and keeps `valid` only where
// a + k d lies in [0, limit) for some k left.
VELMORAN_AVX2 inline void Inside(__m256d a, double d, double inv, double limit, __m128i* k0, __m128i* k1,
                                 __m256d* valid) {
    if (d == 0) {
        const __m256d in = _mm256_and_pd(_mm256_cmp_pd(a, _mm256_setzero_pd(), _CMP_GE_OQ),
                                         _mm256_cmp_pd(a, Set(limit), _CMP_LT_OQ));
        *valid = _mm256_and_pd(*valid, in);
        return;
    }
    const __m256d negA = _mm256_xor_pd(a, Set(-0.0));
    const __m256d toLimit = _mm256_sub_pd(Set(limit), a);
    __m256d lo, hi;
    if (d > 0) {
        lo = _mm256_mul_pd(negA, Set(inv)), hi = _mm256_mul_pd(toLimit, Set(inv));
    } else {
        lo = _mm256_mul_pd(toLimit, Set(inv)), hi = _mm256_mul_pd(negA, Set(inv));
    }
    const __m256d bottom = _mm256_cvtepi32_pd(_mm_sub_epi32(*k0, _mm_set1_epi32(1)));
    const __m256d top = _mm256_cvtepi32_pd(_mm_add_epi32(*k1, _mm_set1_epi32(1)));
    // Where bottom > top the row has nothing left already, and stays so whatever the clamp gives.
    lo = Clamp(lo, bottom, top), hi = Clamp(hi, bottom, top);
    __m128i first, end;
    if (d > 0) {
        first = Ceil(lo), end = Ceil(hi);
    } else {
        first = _mm_add_epi32(Floor(lo), _mm_set1_epi32(1)),
        end = _mm_add_epi32(Floor(hi), _mm_set1_epi32(1));
    }
    *k0 = _mm_max_epi32(*k0, first);
    *k1 = _mm_min_epi32(*k1, end);
}

// Low 32 bits of Round(v) for |v| < 2^50: halves away from zero, then the integer's bits.
VELMORAN_AVX2 inline __m128i RoundLow(__m256d v) {
    const __m256d half =
        _mm256_blendv_pd(Set(-0.5), Set(0.5), _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_GE_OQ));
    const __m256d whole = _mm256_round_pd(_mm256_add_pd(v, half), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    // 1.5 x 2^52 puts the integer in the low bits of the mantissa.
    const __m256i bits = _mm256_castpd_si256(_mm256_add_pd(whole, Set(0x1.8p52)));
    return _mm256_castsi256_si128(
        _mm256_permutevar8x32_epi32(bits, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
}

}  // namespace

VELMORAN_AVX2 int MakeRows(const Rows& r, int py0, int py1, Row* out) {
    int made = 0;
    const __m256d n1 = Set(r.n + 1.0);
    const bool disc = r.reach >= 0;
    const uint32_t stepBase = uint32_t(r.clipFromCentre);
    for (int py = py0; py < py1; py += 4) {
        const __m256d rows =
            _mm256_cvtepi32_pd(_mm_add_epi32(_mm_set1_epi32(py), _mm_setr_epi32(0, 1, 2, 3)));
        const __m256d dy = _mm256_sub_pd(_mm256_add_pd(rows, Set(0.5)), Set(r.y));
        const __m256d sxCentre = _mm256_add_pd(Set(r.sxAt), _mm256_mul_pd(dy, Set(r.duRow)));
        const __m256d syCentre = _mm256_add_pd(Set(r.syAt), _mm256_mul_pd(dy, Set(r.dvRow)));
        __m128i k0 = _mm_setzero_si128(), k1 = _mm_set1_epi32(r.n);
        // All ones in a row's lane while it may draw; rows past py1 never do.
        __m256d valid = _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm_cmplt_epi32(
            _mm_add_epi32(_mm_set1_epi32(py), _mm_setr_epi32(0, 1, 2, 3)), _mm_set1_epi32(py1))));
        if (disc) {
            const __m256d half2 = _mm256_sub_pd(Set(r.reach * r.reach), _mm256_mul_pd(dy, dy));
            valid = _mm256_and_pd(valid, _mm256_cmp_pd(half2, _mm256_setzero_pd(), _CMP_GE_OQ));
            const __m256d half = _mm256_sqrt_pd(_mm256_max_pd(half2, _mm256_setzero_pd()));
            const __m256d left =
                _mm256_sub_pd(_mm256_sub_pd(_mm256_sub_pd(Set(r.x), half), Set(0.5)), Set(r.X0));
            const __m256d right =
                _mm256_sub_pd(_mm256_sub_pd(_mm256_add_pd(Set(r.x), half), Set(0.5)), Set(r.X0));
            k0 = _mm_max_epi32(k0, Ceil(Clamp(left, Set(-1.0), n1)));
            k1 = _mm_min_epi32(k1, _mm_add_epi32(Floor(Clamp(right, Set(-2.0), n1)), _mm_set1_epi32(1)));
        }
        if (!r.discInside) {
            const __m256d sx = _mm256_add_pd(sxCentre, Set(r.sxClip)),
                          sy = _mm256_add_pd(syCentre, Set(r.syClip));
            // The second test sees the first one's narrowing, as in the single-row loop; a row the
            // first one empties stays empty.
            Inside(sx, r.du, r.invDu, r.width, &k0, &k1, &valid);
            Inside(sy, r.dv, r.invDv, r.height, &k0, &k1, &valid);
        }
        const __m128i count = _mm_sub_epi32(k1, k0);
        const __m128i steps = _mm_add_epi32(_mm_set1_epi32(int32_t(stepBase)), k0);
        const __m128i fx = _mm_add_epi32(RoundLow(_mm256_mul_pd(sxCentre, Set(kOne))),
                                         _mm_mullo_epi32(steps, _mm_set1_epi32(r.dfx)));
        const __m128i fy = _mm_add_epi32(RoundLow(_mm256_mul_pd(syCentre, Set(kOne))),
                                         _mm_mullo_epi32(steps, _mm_set1_epi32(r.dfy)));
        alignas(16) int32_t k0s[4], counts[4], fxs[4], fys[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(k0s), k0);
        _mm_store_si128(reinterpret_cast<__m128i*>(counts), count);
        _mm_store_si128(reinterpret_cast<__m128i*>(fxs), fx);
        _mm_store_si128(reinterpret_cast<__m128i*>(fys), fy);
        const int drawn = _mm256_movemask_pd(valid);
        for (int i = 0; i < 4; ++i) {
            if ((drawn >> i & 1) && counts[i] > 0)
                out[made++] = Row{py + i, k0s[i], counts[i], fxs[i], fys[i]};
        }
    }
    return made;
}

}  // namespace engine::turn::avx2

namespace engine::turn::avx512 {

namespace {

#define VELMORAN_AVX512 __attribute__((target("avx2,avx512f,avx512vl")))

VELMORAN_AVX512 inline __m512d Set(double v) { return _mm512_set1_pd(v); }

// As the AVX2 loop's helpers, eight lanes wide; lane masks in place of all-ones lanes.
VELMORAN_AVX512 inline __m512d Clamp(__m512d v, __m512d lo, __m512d hi) {
    return _mm512_min_pd(_mm512_max_pd(v, lo), hi);
}
VELMORAN_AVX512 inline __m256i Ceil(__m512d v) {
    return _mm512_cvttpd_epi32(_mm512_roundscale_pd(v, _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC));
}
VELMORAN_AVX512 inline __m256i Floor(__m512d v) {
    return _mm512_cvttpd_epi32(_mm512_roundscale_pd(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC));
}

VELMORAN_AVX512 inline void Inside(__m512d a, double d, double inv, double limit, __m256i* k0, __m256i* k1,
                                   __mmask8* valid) {
    if (d == 0) {
        *valid &= _mm512_cmp_pd_mask(a, _mm512_setzero_pd(), _CMP_GE_OQ) &
                  _mm512_cmp_pd_mask(a, Set(limit), _CMP_LT_OQ);
        return;
    }
    const __m512d negA =
        _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(a), _mm512_set1_epi64(INT64_MIN)));
    const __m512d toLimit = _mm512_sub_pd(Set(limit), a);
    __m512d lo, hi;
    if (d > 0) {
        lo = _mm512_mul_pd(negA, Set(inv)), hi = _mm512_mul_pd(toLimit, Set(inv));
    } else {
        lo = _mm512_mul_pd(toLimit, Set(inv)), hi = _mm512_mul_pd(negA, Set(inv));
    }
    const __m512d bottom = _mm512_cvtepi32_pd(_mm256_sub_epi32(*k0, _mm256_set1_epi32(1)));
    const __m512d top = _mm512_cvtepi32_pd(_mm256_add_epi32(*k1, _mm256_set1_epi32(1)));
    lo = Clamp(lo, bottom, top), hi = Clamp(hi, bottom, top);
    __m256i first, end;
    if (d > 0) {
        first = Ceil(lo), end = Ceil(hi);
    } else {
        first = _mm256_add_epi32(Floor(lo), _mm256_set1_epi32(1)),
        end = _mm256_add_epi32(Floor(hi), _mm256_set1_epi32(1));
    }
    *k0 = _mm256_max_epi32(*k0, first);
    *k1 = _mm256_min_epi32(*k1, end);
}

VELMORAN_AVX512 inline __m256i RoundLow(__m512d v) {
    const __m512d half =
        _mm512_mask_blend_pd(_mm512_cmp_pd_mask(v, _mm512_setzero_pd(), _CMP_GE_OQ), Set(-0.5), Set(0.5));
    const __m512d whole =
        _mm512_roundscale_pd(_mm512_add_pd(v, half), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    return _mm512_cvtepi64_epi32(_mm512_castpd_si512(_mm512_add_pd(whole, Set(0x1.8p52))));
}

}  // namespace

VELMORAN_AVX512 int MakeRows(const Rows& r, int py0, int py1, Row* out) {
    int made = 0;
    const __m512d n1 = Set(r.n + 1.0);
    const bool disc = r.reach >= 0;
    const uint32_t stepBase = uint32_t(r.clipFromCentre);
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (int py = py0; py < py1; py += 8) {
        const __m256i rowNumbers = _mm256_add_epi32(_mm256_set1_epi32(py), lane);
        const __m512d dy = _mm512_sub_pd(_mm512_add_pd(_mm512_cvtepi32_pd(rowNumbers), Set(0.5)), Set(r.y));
        const __m512d sxCentre = _mm512_add_pd(Set(r.sxAt), _mm512_mul_pd(dy, Set(r.duRow)));
        const __m512d syCentre = _mm512_add_pd(Set(r.syAt), _mm512_mul_pd(dy, Set(r.dvRow)));
        __m256i k0 = _mm256_setzero_si256(), k1 = _mm256_set1_epi32(r.n);
        __mmask8 valid = __mmask8(
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_set1_epi32(py1), rowNumbers))));
        if (disc) {
            const __m512d half2 = _mm512_sub_pd(Set(r.reach * r.reach), _mm512_mul_pd(dy, dy));
            valid &= _mm512_cmp_pd_mask(half2, _mm512_setzero_pd(), _CMP_GE_OQ);
            const __m512d half = _mm512_sqrt_pd(_mm512_max_pd(half2, _mm512_setzero_pd()));
            const __m512d left =
                _mm512_sub_pd(_mm512_sub_pd(_mm512_sub_pd(Set(r.x), half), Set(0.5)), Set(r.X0));
            const __m512d right =
                _mm512_sub_pd(_mm512_sub_pd(_mm512_add_pd(Set(r.x), half), Set(0.5)), Set(r.X0));
            k0 = _mm256_max_epi32(k0, Ceil(Clamp(left, Set(-1.0), n1)));
            k1 = _mm256_min_epi32(k1,
                                  _mm256_add_epi32(Floor(Clamp(right, Set(-2.0), n1)), _mm256_set1_epi32(1)));
        }
        if (!r.discInside) {
            const __m512d sx = _mm512_add_pd(sxCentre, Set(r.sxClip)),
                          sy = _mm512_add_pd(syCentre, Set(r.syClip));
            Inside(sx, r.du, r.invDu, r.width, &k0, &k1, &valid);
            Inside(sy, r.dv, r.invDv, r.height, &k0, &k1, &valid);
        }
        const __m256i count = _mm256_sub_epi32(k1, k0);
        const __m256i steps = _mm256_add_epi32(_mm256_set1_epi32(int32_t(stepBase)), k0);
        const __m256i fx = _mm256_add_epi32(RoundLow(_mm512_mul_pd(sxCentre, Set(kOne))),
                                            _mm256_mullo_epi32(steps, _mm256_set1_epi32(r.dfx)));
        const __m256i fy = _mm256_add_epi32(RoundLow(_mm512_mul_pd(syCentre, Set(kOne))),
                                            _mm256_mullo_epi32(steps, _mm256_set1_epi32(r.dfy)));
        alignas(32) int32_t k0s[8], counts[8], fxs[8], fys[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(k0s), k0);
        _mm256_store_si256(reinterpret_cast<__m256i*>(counts), count);
        _mm256_store_si256(reinterpret_cast<__m256i*>(fxs), fx);
        _mm256_store_si256(reinterpret_cast<__m256i*>(fys), fy);
        unsigned drawn = valid & __mmask8(_mm256_movemask_ps(
                                     _mm256_castsi256_ps(_mm256_cmpgt_epi32(count, _mm256_setzero_si256()))));
        for (; drawn; drawn &= drawn - 1) {
            const int i = __builtin_ctz(drawn);
            out[made++] = Row{py + i, k0s[i], counts[i], fxs[i], fys[i]};
        }
    }
    return made;
}

}  // namespace engine::turn::avx512
#else
#include "engine/image/turn_rows.h"

// Other processors never choose these loops; they only have to link.
namespace engine::turn::avx2 {
int MakeRows(const Rows& r, int py0, int py1, Row* out) { return turn::MakeRows(r, py0, py1, out); }
}  // namespace engine::turn::avx2
namespace engine::turn::avx512 {
int MakeRows(const Rows& r, int py0, int py1, Row* out) { return turn::MakeRows(r, py0, py1, out); }
}  // namespace engine::turn::avx512
#endif
