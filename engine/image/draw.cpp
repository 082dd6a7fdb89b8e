// The drawing primitives: an image at a point, an image scaled and turned, a rectangle, colours.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/frame/engine_state.h"
#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "engine/image/blend.h"
#include "engine/image/draw_state.h"
#include "engine/image/image.h"
#include "engine/image/picture.h"

namespace engine {

namespace {

using blend::AlphaUse;

constexpr int64_t kOne = int64_t(1) << 32;  // 1.0 in the 32.32 fixed point of source coordinates

// The picture ready to be read: its runs rebuilt if it was drawn into, and a private copy when it is
// the draw target itself, so a row never reads pixels it has just written.
const Picture* PictureForReading(ImageRecord& r, const Surface& target, Picture* copy) {
    Picture& p = *r.picture;
    const bool isTarget = target.pixels >= p.pixels.data() &&
                          target.pixels < p.pixels.data() + p.pixels.size();
    if (p.mayChange) {
        ClassifyPicture(&p);
        if (isTarget) p.mayChange = true;
    }
    if (!isTarget) return &p;
    *copy = p;
    return copy;
}

AlphaUse UseOf(const Picture& p, int transparent) {
    if (transparent == 0 || (!p.hasTransparent && !p.hasPartial)) return AlphaUse::kIgnore;
    return p.hasPartial ? AlphaUse::kFull : AlphaUse::kKey;
}

// Draws rows [j0, j1) and columns [i0, i1) of an image with its top-left pixel at (x, y).
void DrawUnscaled(const Picture& p, const ImageRecord& r, int64_t x, int64_t y, int transparent,
                  const DrawState& s, Surface& target) {
    const int64_t i0 = std::max<int64_t>(0, s.clipX1 - x), i1 = std::min<int64_t>(r.width, s.clipX2 - x);
    const int64_t j0 = std::max<int64_t>(0, s.clipY1 - y), j1 = std::min<int64_t>(r.height, s.clipY2 - y);
    if (i0 >= i1 || j0 >= j1) return;
    const int mode = s.blendMode, param = s.blendParameter;
    // Picture columns [c0, c1) are drawn, the first on screen column x + i0.
    const int c0 = r.offsetX + int(i0), c1 = r.offsetX + int(i1);
    for (int64_t j = j0; j < j1; ++j) {
        const int row = r.offsetY + int(j);
        const uint32_t* src = p.pixels.data() + size_t(row) * size_t(p.width) + c0;
        uint32_t* dst = target.pixels + size_t(y + j) * size_t(target.pitch) + size_t(x + i0);
        if (transparent == 0) {
            blend::BlendRow(dst, src, c1 - c0, mode, param, AlphaUse::kIgnore);
            continue;
        }
        const PixelSpan* span = p.spans.data() + p.rowSpans[size_t(row)];
        const PixelSpan* end = p.spans.data() + p.rowSpans[size_t(row) + 1];
        for (; span != end; ++span) {
            const int a = std::max(span->start, c0), b = std::min(span->start + span->length, c1);
            if (a >= b) {
                if (span->start >= c1) break;
                continue;
            }
            blend::BlendRow(dst + (a - c0), src + (a - c0), b - a, mode, param,
                            span->opaque ? AlphaUse::kIgnore : AlphaUse::kFull);
        }
    }
}

// Reads n source pixels along a row of the screen, stepping the fixed-point source position.
template <class Put>
inline void Walk(const uint32_t* base, int pitch, int64_t fx, int64_t fy, int64_t dfx, int64_t dfy, int n,
                 Put put) {
    if (dfy == 0) {
        const uint32_t* row = base + size_t(fy >> 32) * size_t(pitch);
        for (int k = 0; k < n; ++k, fx += dfx) put(k, row[fx >> 32]);
    } else if (dfx == 0) {
        const uint32_t* column = base + (fx >> 32);
        for (int k = 0; k < n; ++k, fy += dfy) put(k, column[size_t(fy >> 32) * size_t(pitch)]);
    } else {
        for (int k = 0; k < n; ++k, fx += dfx, fy += dfy)
            put(k, base[size_t(fy >> 32) * size_t(pitch) + size_t(fx >> 32)]);
    }
}

// The k for which lo <= a + k x da < hi, as a real interval [*from, *to); empty when *from >= *to.
void SolveSpan(double a, double da, double lo, double hi, double* from, double* to) {
    if (da == 0) {
        if (a >= lo && a < hi) return;
        *from = 1, *to = 0;
        return;
    }
    double k1 = (lo - a) / da, k2 = (hi - a) / da;
    if (da < 0) std::swap(k1, k2);
    *from = std::max(*from, k1);
    *to = std::min(*to, k2);
}

std::vector<uint32_t>& RowBuffer(size_t n) {
    static std::vector<uint32_t> buffer;
    if (buffer.size() < n) buffer.resize(n);
    return buffer;
}

}  // namespace

int DrawImage(int x, int y, int handle, int transparent) {
    if (!EngineInitialised()) return -1;
    WaitWhileInactive();
    const DrawState& s = CurrentDrawState();
    if (s.nothingDrawn) return 0;
    ImageRecord* r = FindImage(handle);
    if (!r) return -1;
    Surface& target = DrawTargetSurface();
    if (!target.pixels) return 0;
    Picture copy;
    const Picture* p = PictureForReading(*r, target, &copy);
    DrawUnscaled(*p, *r, x, y, transparent, s, target);
    return 0;
}

int DrawImageRotated(int x, int y, double scale, double angle, int handle, int transparent, int mirror) {
    if (!EngineInitialised()) return -1;
    WaitWhileInactive();
    const DrawState& s = CurrentDrawState();
    if (s.nothingDrawn) return 0;
    ImageRecord* r = FindImage(handle);
    if (!r || scale == 0 || !std::isfinite(scale) || !std::isfinite(angle)) return -1;
    Surface& target = DrawTargetSurface();
    // Below this an image is far smaller than a pixel; the limit keeps the fixed point in range.
    if (!target.pixels || std::fabs(scale) < 1.0 / 65536) return 0;
    Picture copy;
    const Picture* p = PictureForReading(*r, target, &copy);
    const double c = std::cos(angle), sn = std::sin(angle);
    // The centre point (width / 2, height / 2) in whole pixels: at scale 1, angle 0 and an integral
    // centre the top-left pixel then lands on (x - width / 2, y - height / 2) for every size.
    const int cx = r->width / 2, cy = r->height / 2;
    if (scale == 1 && c == 1 && sn == 0 && mirror == 0) {
        DrawUnscaled(*p, *r, int64_t(x) - cx, int64_t(y) - cy, transparent, s, target);
        return 0;
    }
    // Screen pixel centre (px + 0.5, py + 0.5) reads the source pixel under
    //   u = (dx cos + dy sin) / scale, v = (-dx sin + dy cos) / scale   (dx, dy from (x, y)),
    // u negated for a mirrored image, at (cx + u, cy + v).
    const double inv = 1.0 / scale;
    const double mu = mirror ? -1.0 : 1.0;
    const double du = mu * c * inv, dv = -sn * inv;          // per screen column
    const double duRow = mu * sn * inv, dvRow = c * inv;     // per screen row
    const int64_t dfx = std::llround(du * double(kOne)), dfy = std::llround(dv * double(kOne));

    // Rows the turned rectangle can touch.
    double minY = 0, maxY = 0;
    bool first = true;
    for (double u : {double(-cx), double(r->width - cx)}) {
        for (double v : {double(-cy), double(r->height - cy)}) {
            const double sy = scale * (mu * u * sn + v * c);
            minY = first ? sy : std::min(minY, sy);
            maxY = first ? sy : std::max(maxY, sy);
            first = false;
        }
    }
    const int py0 = int(std::max<double>(s.clipY1, std::floor(y + minY) - 1));
    const int py1 = int(std::min<double>(s.clipY2, std::ceil(y + maxY) + 1));
    const int X0 = s.clipX1, n = s.clipX2 - s.clipX1;
    const int64_t limitX = int64_t(r->width) << 32, limitY = int64_t(r->height) << 32;
    const uint32_t* base = p->pixels.data() + size_t(r->offsetY) * size_t(p->width) + size_t(r->offsetX);
    const int pitch = p->width;
    const AlphaUse use = UseOf(*p, transparent);
    const int mode = s.blendMode, param = s.blendParameter;
    const double dx0 = X0 + 0.5 - x;

    for (int py = py0; py < py1; ++py) {
        const double dy = py + 0.5 - y;
        const double sx0 = cx + dx0 * du + dy * duRow, sy0 = cy + dx0 * dv + dy * dvRow;
        double from = 0, to = n;
        SolveSpan(sx0, du, 0, r->width, &from, &to);
        SolveSpan(sy0, dv, 0, r->height, &from, &to);
        if (!(from < to)) continue;
        // Widened a little, then trimmed to the pixels whose fixed-point position is inside.
        int k0 = int(std::max(0.0, std::ceil(from) - 2)), k1 = int(std::min<double>(n, std::floor(to) + 3));
        if (k0 >= k1) continue;
        const double sxk = sx0 + k0 * du, syk = sy0 + k0 * dv;
        if (std::fabs(sxk) > 1e9 || std::fabs(syk) > 1e9) continue;
        int64_t fx = std::llround(sxk * double(kOne)), fy = std::llround(syk * double(kOne));
        auto inside = [&](__int128 a, __int128 b) { return a >= 0 && a < limitX && b >= 0 && b < limitY; };
        while (k0 < k1 && !inside(fx, fy)) ++k0, fx += dfx, fy += dfy;
        while (k1 > k0 && !inside(fx + __int128(k1 - 1 - k0) * dfx, fy + __int128(k1 - 1 - k0) * dfy)) --k1;
        const int count = k1 - k0;
        if (count <= 0) continue;
        uint32_t* dst = target.pixels + size_t(py) * size_t(target.pitch) + size_t(X0 + k0);
        if (mode != 1 && mode != 2 && use == AlphaUse::kIgnore) {
            blend::visitedPixels += count;
            Walk(base, pitch, fx, fy, dfx, dfy, count, [dst](int k, uint32_t v) { dst[k] = v | blend::kOpaque; });
        } else if (mode != 1 && mode != 2 && use == AlphaUse::kKey) {
            blend::visitedPixels += count;
            Walk(base, pitch, fx, fy, dfx, dfy, count, [dst](int k, uint32_t v) { dst[k] = (v >> 24) ? v : dst[k]; });
        } else {
            uint32_t* row = RowBuffer(size_t(count)).data();
            Walk(base, pitch, fx, fy, dfx, dfy, count, [row](int k, uint32_t v) { row[k] = v; });
            blend::BlendRow(dst, row, count, mode, param, use);
        }
    }
    return 0;
}

int DrawRectangle(int x1, int y1, int x2, int y2, int colour, int fill) {
    if (!EngineInitialised()) return 0;
    WaitWhileInactive();
    const DrawState& s = CurrentDrawState();
    Surface& target = DrawTargetSurface();
    if (s.nothingDrawn || !target.pixels) return 0;
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    if (x1 == x2 || y1 == y2) return 0;
    uint32_t rgb;
    const uint32_t c = uint32_t(colour);
    if (ScreenColourDepth() == 16) {
        rgb = ((c >> 11) & 31) << 19 | ((c >> 5) & 63) << 10 | (c & 31) << 3;
    } else {
        rgb = c & 0xFFFFFF;
    }
    // Paints [a, b) x [top, bottom) after clipping; each pixel of the border is painted once.
    auto paint = [&](int64_t a, int64_t b, int64_t top, int64_t bottom) {
        a = std::max<int64_t>(a, s.clipX1), b = std::min<int64_t>(b, s.clipX2);
        top = std::max<int64_t>(top, s.clipY1), bottom = std::min<int64_t>(bottom, s.clipY2);
        if (a >= b) return;
        for (int64_t yy = top; yy < bottom; ++yy)
            blend::FillRow(target.pixels + size_t(yy) * size_t(target.pitch) + size_t(a), rgb, int(b - a),
                           s.blendMode, s.blendParameter);
    };
    const int64_t l = x1, rt = x2, t = y1, b = y2;
    if (fill) {
        paint(l, rt, t, b);
        return 0;
    }
    paint(l, rt, t, t + 1);
    if (b - 1 > t) paint(l, rt, b - 1, b);
    paint(l, l + 1, t + 1, b - 1);
    if (rt - 1 > l) paint(rt - 1, rt, t + 1, b - 1);
    return 0;
}

int MakeColor(int red, int green, int blue) {
    const uint32_t r = uint32_t(red) & 255, g = uint32_t(green) & 255, b = uint32_t(blue) & 255;
    if (ScreenColourDepth() == 16) return int((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
    return int(0xFF000000u | r << 16 | g << 8 | b);
}

}  // namespace engine
