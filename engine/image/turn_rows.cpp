// The row set-up of a turned draw, one row at a time.
#include "engine/image/turn_rows.h"

#include <cmath>

namespace engine::turn {

bool RowSpan(const Rows& r, int py, int* k0, int* k1, double* sxCentre, double* syCentre) {
    // Column X0 + k reads source position (sx + k du, sy + k dv).
    const double dy = py + 0.5 - r.y;
    *sxCentre = r.sxAt + dy * r.duRow, *syCentre = r.syAt + dy * r.dvRow;
    const double sx = *sxCentre + r.sxClip, sy = *syCentre + r.syClip;
    *k0 = 0, *k1 = r.n;
    if (r.reach >= 0) {
        const double half2 = r.reach * r.reach - dy * dy;
        if (half2 < 0) return false;
        const double half = std::sqrt(half2);  // screen columns whose centre lies in the disc
        *k0 = std::max(*k0, Ceil(std::clamp(r.x - half - 0.5 - r.X0, -1.0, r.n + 1.0)));
        *k1 = std::min(*k1, Floor(std::clamp(r.x + half - 0.5 - r.X0, -2.0, r.n + 1.0)) + 1);
    }
    if (r.discInside) return *k0 < *k1;
    return Inside(sx, r.du, r.invDu, r.width, k0, k1) && Inside(sy, r.dv, r.invDv, r.height, k0, k1);
}

int MakeRows(const Rows& r, int py0, int py1, Row* out) {
    int made = 0;
    for (int py = py0; py < py1; ++py) {
        int k0, k1;
        double sxCentre, syCentre;
        if (!RowSpan(r, py, &k0, &k1, &sxCentre, &syCentre)) continue;
        // Steps from the centre column, so that a pixel reads the same source pixel whatever the clip.
        const int64_t steps = r.clipFromCentre + k0;
        out[made++] = Row{py, k0, k1 - k0, int32_t(Round(sxCentre * kOne) + steps * r.dfx),
                          int32_t(Round(syCentre * kOne) + steps * r.dfy)};
    }
    return made;
}

bool VectorRowsFit(const Rows& r, int py0, int py1) {
    // The largest row offset from the centre, then the largest centre position it gives.
    const double dy = std::max(std::fabs(py0 + 0.5 - r.y), std::fabs(py1 + 0.5 - r.y));
    const double sx = std::fabs(r.sxAt) + dy * std::fabs(r.duRow),
                 sy = std::fabs(r.syAt) + dy * std::fabs(r.dvRow);
    return std::max(sx, sy) * kOne < 0x1p50 && std::fabs(double(r.clipFromCentre)) < 0x1p30;
}

}  // namespace engine::turn
