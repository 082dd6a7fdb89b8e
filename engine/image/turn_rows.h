// Where each row of a turned image starts and ends, and where its walk through the picture begins:
// the row set-up of a turned draw, a few rows at a time (four at once with AVX2, the same numbers).
#pragma once

#include <algorithm>
#include <cstdint>

namespace engine::turn {

constexpr double kOne = 65536.0;  // 1.0 in the 16.16 fixed point of source positions

// Nearest integer, halves away from zero (no library call in the row set-up).
inline int64_t Round(double v) { return int64_t(v + (v >= 0 ? 0.5 : -0.5)); }

// floor and ceil for values well inside the int range, without a library call.
inline int Floor(double v) {
    const int i = int(v);
    return i - (v < i);
}
inline int Ceil(double v) {
    const int i = int(v);
    return i + (v > i);
}

// Narrows [*k0, *k1) to the k with 0 <= a + k d < limit in real numbers (inv = 1 / d); false when
// empty. Rounding of the fixed-point walk at the two ends is caught by its clamping.
inline bool Inside(double a, double d, double inv, double limit, int* k0, int* k1) {
    if (d == 0) return a >= 0 && a < limit && *k0 < *k1;
    double lo, hi;  // a + k d enters the picture at k = lo and leaves it at k = hi
    if (d > 0) {
        lo = -a * inv, hi = (limit - a) * inv;
    } else {
        lo = (limit - a) * inv, hi = -a * inv;
    }
    const double bottom = *k0 - 1, top = *k1 + 1;
    lo = std::clamp(lo, bottom, top), hi = std::clamp(hi, bottom, top);
    // d > 0: k >= lo and k < hi; d < 0: k > lo and k <= hi.
    const int first = d > 0 ? Ceil(lo) : Floor(lo) + 1;
    const int end = d > 0 ? Ceil(hi) : Floor(hi) + 1;
    *k0 = std::max(*k0, first);
    *k1 = std::min(*k1, end);
    return *k0 < *k1;
}

// What a turned draw's rows have in common. Doubles are formed exactly as the row set-up forms
// them, so that every row comes out the same whichever loop computes it.
struct Rows {
    double y;               // the centre row
    double sxAt, syAt;      // cx + 0.5 du, cy + 0.5 dv
    double duRow, dvRow;    // source step per screen row
    double sxClip, syClip;  // (X0 - x) du, (X0 - x) dv: from the centre column to the clip's first
    double du, dv, invDu, invDv;
    double reach;  // the disc around the centre holding every visible pixel; below 0: none
    double x, X0;  // the centre column and the clip's first column
    int n;         // columns in the clip
    int width, height;
    bool discInside;  // the disc keeps two source pixels inside every edge: no edge tests
    int64_t clipFromCentre;
    int32_t dfx, dfy;
};

// One row to draw: `count` pixels from clip column k0 on, the walk starting at (fx, fy).
struct Row {
    int py, k0, count;
    int32_t fx, fy;
};

// Row py's clip columns [*k0, *k1) that draw (column X0 + k reads source position sx + k du, sy + k dv)
// and its source position at the centre column; false when the row draws nothing.
bool RowSpan(const Rows& r, int py, int* k0, int* k1, double* sxCentre, double* syCentre);

// The rows of [py0, py1) that draw anything, in order, into `out` (room for py1 - py0); returns how
// many. Rows step from the centre column (the caller's choice for all but very large scales).
int MakeRows(const Rows& r, int py0, int py1, Row* out);

// The same with AVX2 where the processor has it and every source position fits in 2^50 sixteenths
// of a sixteenth (far more than any picture): the same rows, four at once.
bool VectorRowsFit(const Rows& r, int py0, int py1);
namespace avx2 {
int MakeRows(const Rows& r, int py0, int py1, Row* out);
}
// Eight at once where the processor has AVX-512 F and VL (the same fit).
namespace avx512 {
int MakeRows(const Rows& r, int py0, int py1, Row* out);
}

}  // namespace engine::turn
