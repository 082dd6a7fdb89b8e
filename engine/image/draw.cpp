// The drawing primitives (an image at a point, an image scaled and turned, a rectangle, colours) and
// the frame list that holds draws to a screen back until they are drawn in bands.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/frame/engine_state.h"
#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "engine/image/bands.h"
#include "engine/image/blend.h"
#include "engine/image/draw_state.h"
#include "engine/image/image.h"
#include "engine/image/picture.h"
#include "engine/image/turn_reuse.h"
#include "engine/image/turn_rows.h"

namespace engine {

namespace {

using blend::AlphaUse;

using turn::Ceil;
using turn::Floor;
using turn::Inside;
using turn::kOne;
using turn::Round;

// The picture ready to be read: its runs rebuilt if it was drawn into, and a private copy when it is
// the draw target itself, so a row never reads pixels it has just written.
const Picture* PictureForReading(ImageRecord& r, const Surface& target, Picture* copy) {
    Picture& p = *r.picture;
    const bool isTarget =
        target.pixels >= p.pixels.data() && target.pixels < p.pixels.data() + p.pixels.size();
    if (p.mayChange) {
        ClassifyPicture(&p);
        if (isTarget) p.mayChange = true;
    }
    if (!isTarget) return &p;
    *copy = p;
    return copy;
}

// What a draw needs of an image besides its picture; copied when the draw is held back.
struct Cell {
    int width = 0, height = 0, offsetX = 0, offsetY = 0;
    double radius = -1;  // visible radius (only read for transparent turned draws)
};

Cell CellOf(const ImageRecord& r) { return Cell{r.width, r.height, r.offsetX, r.offsetY, -1}; }

AlphaUse UseOf(const Picture& p, int transparent) {
    if (transparent == 0 || (!p.hasTransparent && !p.hasPartial)) return AlphaUse::kIgnore;
    return p.hasPartial ? AlphaUse::kFull : AlphaUse::kKey;
}

// Asks for the cache lines of n pixels from `from` to be read in.
inline void FetchPixels(const uint32_t* from, int n) {
    for (int k = 0; k < n; k += 16) __builtin_prefetch(from + k);
    __builtin_prefetch(from + n - 1);
}

// Draws rows [j0, j1) and columns [i0, i1) of an image with its top-left pixel at (x, y).
void DrawUnscaled(const Picture& p, const Cell& r, int64_t x, int64_t y, int transparent, const DrawState& s,
                  Surface& target) {
    const int64_t i0 = std::max<int64_t>(0, s.clipX1 - x), i1 = std::min<int64_t>(r.width, s.clipX2 - x);
    const int64_t j0 = std::max<int64_t>(0, s.clipY1 - y), j1 = std::min<int64_t>(r.height, s.clipY2 - y);
    if (i0 >= i1 || j0 >= j1) return;
    const int mode = s.blendMode, param = s.blendParameter;
    // Picture columns [c0, c1) are drawn, the first on screen column x + i0.
    const int c0 = r.offsetX + int(i0), c1 = r.offsetX + int(i1);
    // The lines of a row a few rows on are asked for before they are needed: the rows are far apart
    // in memory (and a keyed row's runs further still), too far for the processor to guess them, and
    // a frame's first draw of a picture finds none of it in the cache.
    constexpr int kAhead = 4;
    for (int64_t j = j0; j < j1; ++j) {
        const int row = r.offsetY + int(j);
        const uint32_t* src = p.pixels.data() + size_t(row) * size_t(p.pitch) + c0;
        uint32_t* dst = target.pixels + size_t(y + j) * size_t(target.pitch) + size_t(x + i0);
        if (j + kAhead < j1) {
            const size_t srcAhead = size_t(kAhead) * size_t(p.pitch),
                         dstAhead = size_t(kAhead) * size_t(target.pitch);
            if (transparent == 0) {
                FetchPixels(src + srcAhead, c1 - c0);
                FetchPixels(dst + dstAhead, c1 - c0);
            } else {
                const PixelSpan* span = p.spans.data() + p.rowSpans[size_t(row) + size_t(kAhead)];
                const PixelSpan* end = p.spans.data() + p.rowSpans[size_t(row + kAhead) + 1];
                for (; span != end; ++span) {
                    const int a = std::max(span->start, c0), b = std::min(span->start + span->length, c1);
                    if (a >= b) continue;
                    FetchPixels(src + srcAhead + (a - c0), b - a);
                    FetchPixels(dst + dstAhead + (a - c0), b - a);
                }
            }
        }
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

// Stepping from the centre drifts by up to half a 16.16 unit per column, that times the scale on the
// screen: while the farthest column of the draw target times the scale stays within this limit, the
// drift stays under a 64th of a pixel and rows step from the centre.
constexpr double kCentreStepLimit = 2048;

std::vector<uint32_t>& RowBuffer(size_t n) {
    thread_local std::vector<uint32_t> buffer;  // one per band thread
    if (buffer.size() < n) buffer.resize(n);
    return buffer;
}

bool pixelsSkipped = false;

// Draws a turned or scaled image (not the plain case) about (x, y); c and sn are the cosine and
// sine of its angle. Rows depend only on the call and the column clip, never on the row clip, so
// drawing in horizontal bands gives the same pixels as drawing at once.
// With `reuse`, rows read the kept source pixels where the kept draw has them, and its filler
// keeps the rows it reads; the pixels are those of reading the picture.
void DrawTurned(const Picture& picture, const Cell& cell, int x, int y, double scale, double c, double sn,
                int transparent, int mirror, const DrawState& s, Surface& target,
                const turn::ReuseUse* reuse = nullptr) {
    const Picture* p = &picture;
    const Cell* r = &cell;
    const int cx = r->width / 2, cy = r->height / 2;
    // Screen pixel centre (px + 0.5, py + 0.5) reads the source pixel under
    //   u = (dx cos + dy sin) / scale, v = (-dx sin + dy cos) / scale   (dx, dy from (x, y)),
    // u negated for a mirrored image, at (cx + u, cy + v).
    const double inv = 1.0 / scale;
    const double mu = mirror ? -1.0 : 1.0;
    const double du = mu * c * inv, dv = -sn * inv;       // per screen column
    const double duRow = mu * sn * inv, dvRow = c * inv;  // per screen row
    const int64_t dfx = Round(du * kOne), dfy = Round(dv * kOne);

    const AlphaUse use = UseOf(*p, transparent);
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
    // With transparency, only the disc around the centre that holds every visible pixel is walked
    // (half a pixel wider for the rounding of the walk): the corners of round sprites cost nothing.
    double reach = -1;
    if (use != AlphaUse::kIgnore) {
        const double radius = r->radius;
        if (radius < 0) return;
        reach = radius * std::fabs(scale) + 0.5;
        minY = std::max(minY, -reach), maxY = std::min(maxY, reach);
    }
    // A disc that stays two source pixels inside every edge of the picture needs no test of the
    // edges: the row ends the edges give lie far outside the disc's.
    const double reachInPicture = reach / std::fabs(scale) + 2;
    const bool discInside = reach >= 0 && reachInPicture <= std::min(cx, r->width - cx) &&
                            reachInPicture <= std::min(cy, r->height - cy);
    // Clamped into the clip as doubles first: far-off images must not overflow the int conversion.
    const int py0 = int(std::clamp<double>(std::floor(y + minY) - 1, s.clipY1, s.clipY2));
    const int py1 = int(std::clamp<double>(std::ceil(y + maxY) + 1, s.clipY1, s.clipY2));
    if (!(py0 < py1)) return;
    const int X0 = s.clipX1, n = s.clipX2 - s.clipX1;
    const uint32_t* base = p->pixels.data() + size_t(r->offsetY) * size_t(p->pitch) + size_t(r->offsetX);
    const int pitch = p->pitch;
    const int mode = s.blendMode, param = s.blendParameter;

    const double invDu = du != 0 ? 1.0 / du : 0, invDv = dv != 0 ? 1.0 / dv : 0;
    blend::SourceWalk walk{base, pitch, 0, 0, int32_t(dfx), int32_t(dfy), r->width - 1, r->height - 1};

    // Where each row's walk starts. Near its centre a picture steps from the centre column, so that
    // a pixel reads the same source pixel whatever the clip. Far from it, at large scales, the
    // rounding of the fixed-point step would add up over the many columns from the centre (over a
    // pixel at scale 50): such a row steps from the first column of the draw target it covers. The
    // choice depends on the call alone, never on the clip rectangle.
    const double farthest = std::max(std::fabs(double(x)), std::fabs(double(target.width) - x));
    const bool fromCentre = farthest * std::fabs(scale) <= kCentreStepLimit;
    const int64_t clipFromCentre = int64_t(X0) - x;  // screen column X0, counted from the centre column x
    auto drawRow = [&](int py, int k0, int count) {
        uint32_t* dst = target.pixels + size_t(py) * size_t(target.pitch) + size_t(X0 + k0);
        if (mode != kBlendAlpha && mode != kBlendAdditive && use == AlphaUse::kIgnore) {
            blend::Gather(walk, count, dst, blend::kOpaque);
        } else if (mode != kBlendAlpha && mode != kBlendAdditive && use == AlphaUse::kKey) {
            blend::GatherKeyed(walk, count, dst);
        } else if (!blend::GatherBlended(walk, count, dst, mode, param, use)) {
            uint32_t* row = RowBuffer(size_t(count) + 8).data();
            blend::Gather(walk, count, row, 0, true);
            blend::BlendRow(dst, row, count, mode, param, use);
        }
    };
    const turn::Rows rows{.y = double(y),
                          .sxAt = cx + 0.5 * du,
                          .syAt = cy + 0.5 * dv,
                          .duRow = duRow,
                          .dvRow = dvRow,
                          .sxClip = double(clipFromCentre) * du,
                          .syClip = double(clipFromCentre) * dv,
                          .du = du,
                          .dv = dv,
                          .invDu = invDu,
                          .invDv = invDv,
                          .reach = reach,
                          .x = double(x),
                          .X0 = double(X0),
                          .n = n,
                          .width = r->width,
                          .height = r->height,
                          .discInside = discInside,
                          .clipFromCentre = clipFromCentre,
                          .dfx = int32_t(dfx),
                          .dfy = int32_t(dfy)};
    if (fromCentre && reuse && reuse->kept) {
        // Row by row: column X0 + k0 is column clipFromCentre + k0 from the centre, and the row
        // reads the same source pixel at a column from the centre wherever the draw stands.
        turn::Reused& kept = *reuse->kept;
        constexpr int kBatch = 64;
        turn::Row made[kBatch];
        for (int from = py0; from < py1; from += kBatch) {
            const int m = turn::MakeRows(rows, from, std::min(py1, from + kBatch), made);
            for (int i = 0; i < m; ++i) {
                const turn::Row& row = made[i];
                const int64_t at = int64_t(row.py) - y - kept.top, col = clipFromCentre + row.k0 - kept.left;
                if (at >= 0 && at < kept.rows && col >= 0 && col + row.count <= kept.columns) {
                    std::atomic<uint32_t>& filled = kept.filled[size_t(at)];
                    uint32_t* keptRow = kept.pixels.get() + size_t(at) * size_t(kept.stride);
                    int32_t &a = kept.from[size_t(at)], &b = kept.to[size_t(at)];
                    uint32_t* dst =
                        target.pixels + size_t(row.py) * size_t(target.pitch) + size_t(X0 + row.k0);
                    if (filled.load(std::memory_order_acquire)) {
                        if (col >= a && col + row.count <= b) {
                            blend::BlendRow(dst, keptRow + col, row.count, mode, param, use);
                            continue;
                        }
                    } else if (reuse->fills) {
                        // The row's columns and two more each side (the row ends of a draw
                        // elsewhere may round a column differently), read from the picture once.
                        a = int32_t(std::max<int64_t>(0, col - 2));
                        b = int32_t(std::min<int64_t>(kept.columns, col + row.count + 2));
                        const uint32_t back = uint32_t(col - a);
                        walk.fx = int32_t(uint32_t(row.fx) - back * uint32_t(dfx));
                        walk.fy = int32_t(uint32_t(row.fy) - back * uint32_t(dfy));
                        blend::Gather(walk, b - a, keptRow + a, 0, true);
                        filled.store(1, std::memory_order_release);
                        blend::BlendRow(dst, keptRow + col, row.count, mode, param, use);
                        continue;
                    }
                }
                walk.fx = row.fx, walk.fy = row.fy;
                drawRow(row.py, row.k0, row.count);
            }
        }
        return;
    }
    if (fromCentre) {
        // The rows' set-up a batch at a time (four or eight rows at once where the vector loops
        // run), then their pixels.
        const bool vector = blend::UsesVectorLoops() && turn::VectorRowsFit(rows, py0, py1);
        const bool wide = vector && blend::UsesWideVectorLoops();
        constexpr int kBatch = 64;
        turn::Row made[kBatch];
        for (int from = py0; from < py1; from += kBatch) {
            const int to = std::min(py1, from + kBatch);
            const int m = wide     ? turn::avx512::MakeRows(rows, from, to, made)
                          : vector ? turn::avx2::MakeRows(rows, from, to, made)
                                   : turn::MakeRows(rows, from, to, made);
            if (blend::GatherRows(walk, made, m, target.pixels + X0, size_t(target.pitch), mode, param, use))
                continue;
            for (int i = 0; i < m; ++i) {
                walk.fx = made[i].fx, walk.fy = made[i].fy;
                drawRow(made[i].py, made[i].k0, made[i].count);
            }
        }
        return;
    }
    for (int py = py0; py < py1; ++py) {
        int k0, k1;
        double sxCentre, syCentre;
        if (!turn::RowSpan(rows, py, &k0, &k1, &sxCentre, &syCentre)) continue;
        // Far from the centre: the walk starts from the first column of the draw target it covers.
        const double sxAt0 = sxCentre - double(x) * du, syAt0 = syCentre - double(x) * dv;
        int anchor = X0 + k0;  // with the clip starting at column 0, the first covered column
        if (X0 != 0) {
            int a0 = 0, a1 = target.width;
            if (reach >= 0) {
                const double dy = py + 0.5 - y;
                const double half = std::sqrt(reach * reach - dy * dy);
                a0 = std::max(a0, Ceil(std::clamp(x - half - 0.5, -1.0, target.width + 1.0)));
                a1 = std::min(a1, Floor(std::clamp(x + half - 0.5, -2.0, target.width + 1.0)) + 1);
            }
            Inside(sxAt0, du, invDu, r->width, &a0, &a1);
            Inside(syAt0, dv, invDv, r->height, &a0, &a1);
            anchor = std::min(a0, anchor);  // never past the first drawn column
        }
        const uint32_t steps = uint32_t(X0 + k0 - anchor);
        walk.fx = int32_t(uint32_t(int32_t(Round((sxAt0 + anchor * du) * kOne))) + steps * uint32_t(dfx));
        walk.fy = int32_t(uint32_t(int32_t(Round((syAt0 + anchor * dv) * kOne))) + steps * uint32_t(dfy));
        drawRow(py, k0, k1 - k0);
    }
}

// Paints [a, b) x [top, bottom) of a rectangle, clipped; each pixel of a border is painted once.
void PaintRectangle(int64_t a, int64_t b, int64_t top, int64_t bottom, uint32_t rgb, const DrawState& s,
                    Surface& target) {
    a = std::max<int64_t>(a, s.clipX1), b = std::min<int64_t>(b, s.clipX2);
    top = std::max<int64_t>(top, s.clipY1), bottom = std::min<int64_t>(bottom, s.clipY2);
    if (a >= b) return;
    for (int64_t yy = top; yy < bottom; ++yy)
        blend::FillRow(target.pixels + size_t(yy) * size_t(target.pitch) + size_t(a), rgb, int(b - a),
                       s.blendMode, s.blendParameter);
}

// A rectangle with x1 < x2 and y1 < y2, filled or as a one-pixel border.
void DrawRectangleRows(int64_t l, int64_t t, int64_t rt, int64_t b, uint32_t rgb, int fill,
                       const DrawState& s, Surface& target) {
    if (fill) return PaintRectangle(l, rt, t, b, rgb, s, target);
    PaintRectangle(l, rt, t, t + 1, rgb, s, target);
    if (b - 1 > t) PaintRectangle(l, rt, b - 1, b, rgb, s, target);
    PaintRectangle(l, l + 1, t + 1, b - 1, rgb, s, target);
    if (rt - 1 > l) PaintRectangle(rt - 1, rt, t + 1, b - 1, rgb, s, target);
}

struct Rect {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// Modes 1 and 2 read the pixels under them; every other mode only writes.
bool Overwrites(const DrawState& s) { return s.blendMode != kBlendAlpha && s.blendMode != kBlendAdditive; }

bool ContainsClip(int64_t x1, int64_t y1, int64_t x2, int64_t y2, const DrawState& s) {
    return x1 <= s.clipX1 && y1 <= s.clipY1 && x2 >= s.clipX2 && y2 >= s.clipY2;
}

// True when every pixel centre of the clip rectangle reads a source position at least a pixel inside
// the turned picture: the affine map takes the clip's corners to the extremes, the row ends then lie
// outside the clip on both sides, and every pixel of the clip is painted.
bool TurnedCoversClip(const Cell& r, int x, int y, double scale, double c, double sn, int mirror,
                      const DrawState& s) {
    const double inv = 1.0 / scale, mu = mirror ? -1.0 : 1.0;
    const int cx = r.width / 2, cy = r.height / 2;
    for (double px : {s.clipX1 + 0.5, s.clipX2 - 0.5}) {
        for (double py : {s.clipY1 + 0.5, s.clipY2 - 0.5}) {
            const double dx = px - x, dy = py - y;
            const double u = cx + mu * (dx * c + dy * sn) * inv, v = cy + (dy * c - dx * sn) * inv;
            if (!(u >= 1 && u <= r.width - 1 && v >= 1 && v <= r.height - 1)) return false;
        }
    }
    return true;
}

// Draws to a screen wait in the frame's list until the frame is shown or its pixels are read; then
// each band of rows runs every call in order, clipped to itself, on the drawing threads.
struct Held {
    DrawCall::Kind kind = DrawCall::Kind::kClear;
    DrawState state;
    std::shared_ptr<Picture> picture;  // kept alive until drawn, even if its image is deleted first
    Cell cell;
    int64_t x = 0, y = 0, x2 = 0, y2 = 0;
    int transparent = 0, mirror = 0, fill = 0;
    double scale = 1, c = 1, sn = 0;
    uint32_t colour = 0;  // of a rectangle or a clear
    // Paints all of `area` without reading what lies under it (a clear: the whole target).
    bool covers = false;
    Rect area;
    // A clear leaves out what later calls paint over without reading it.
    int skips = 0;
    Rect skip[4];
    // Rows the call may paint, at least: a band outside them passes the call by.
    int rowFrom = 0, rowTo = 0;
    turn::ReuseUse reuse;  // a turned draw's kept source pixels
};

constexpr size_t kMostHeld = 4096;  // a frame of more calls is drawn in parts
std::vector<Held> held;
Surface heldTarget;

bool HoldsDraws() {
    const int t = DrawTarget();
    return t == kBackScreen || t == kFrontScreen;
}

bool bandThreadsWoken = false;

Held& NewHeld(DrawCall::Kind kind, const DrawState& s) {
    if (held.size() >= kMostHeld) FlushDrawing();
    if (held.empty()) heldTarget = DrawTargetSurface();
    // The frame's first draw (a frame's closing clear can wait long for the next one): the band
    // threads get up now, while the rest of the frame is held.
    if (kind != DrawCall::Kind::kClear && !bandThreadsWoken) {
        bandThreadsWoken = true;
        WakeBandThreads(std::min(DrawThreads(), std::max(1, heldTarget.height / 32)));
    }
    Held& h = held.emplace_back();
    h.kind = kind;
    h.state = s;
    h.area = Rect{s.clipX1, s.clipY1, s.clipX2, s.clipY2};
    return h;
}

// True when `area` adds nothing to what the clear leaves out already.
bool InsideSkipped(const Rect& area, const Held& clear) {
    for (int k = 0; k < clear.skips; ++k) {
        const Rect& r = clear.skip[k];
        if (area.x1 >= r.x1 && area.y1 >= r.y1 && area.x2 <= r.x2 && area.y2 <= r.y2) return true;
    }
    return false;
}

void ClearRows(const Held& h, int y0, int y1) {
    const Surface& t = heldTarget;
    for (int y = y0; y < y1; ++y) {
        // The row's stretches that later calls paint over, in order.
        int a[4], b[4], n = 0;
        for (int k = 0; k < h.skips; ++k) {
            const Rect& r = h.skip[k];
            if (y < r.y1 || y >= r.y2) continue;
            int i = n++;
            for (; i > 0 && a[i - 1] > r.x1; --i) a[i] = a[i - 1], b[i] = b[i - 1];
            a[i] = r.x1, b[i] = r.x2;
        }
        uint32_t* row = t.pixels + size_t(y) * size_t(t.pitch);
        int x = 0;
        for (int k = 0; k < n; ++k) {
            if (a[k] > x) std::fill(row + x, row + a[k], h.colour);
            x = std::max(x, b[k]);
        }
        if (x < t.width) std::fill(row + x, row + t.width, h.colour);
    }
}

// The work of the rows above each row (height + 1 entries): every call's rows weighted by the width
// it paints, roughly. It only shares out the work; the pixels are the same wherever bands begin.
std::vector<int64_t> workAbove;

void MeasureRows() {
    const int height = heldTarget.height;
    std::vector<int64_t>& cost = workAbove;
    cost.assign(size_t(height) + 1, 0);
    for (const Held& h : held) {
        double top, bottom, width;
        switch (h.kind) {
            case DrawCall::Kind::kImage:
                top = double(h.y), bottom = double(h.y) + h.cell.height, width = h.cell.width;
                break;
            case DrawCall::Kind::kRotated: {
                const double half = h.cell.radius >= 0
                                        ? h.cell.radius * std::fabs(h.scale) + 0.5
                                        : 0.5 * std::hypot(h.cell.width, h.cell.height) * std::fabs(h.scale);
                top = double(h.y) - half, bottom = double(h.y) + half, width = 2 * half;
                break;
            }
            case DrawCall::Kind::kRectangle:
                top = double(h.y), bottom = double(h.y2), width = h.fill ? double(h.x2 - h.x) : 2.0;
                break;
            default:  // a clear writes a row far faster than a draw reads and writes one
                top = 0, bottom = height, width = heldTarget.width / 8.0;
                break;
        }
        const DrawState& s = h.state;
        int from = 0, to = height;
        if (h.kind != DrawCall::Kind::kClear) {
            from = int(std::clamp(top, double(s.clipY1), double(s.clipY2)));
            to = int(std::clamp(bottom, double(s.clipY1), double(s.clipY2)));
            if (from >= to) continue;
        }
        const int64_t w = int64_t(std::min(width, double(s.clipX2 - s.clipX1))) + 16;  // + the row's set-up
        cost[size_t(from)] += w;
        cost[size_t(to)] -= w;
    }
    // Row starts to work per row, then to the work above each row.
    int64_t running = 0, above = 0;
    for (int y = 0; y <= height; ++y) {
        const int64_t row = (running += cost[size_t(y)]);
        cost[size_t(y)] = above;
        above += row;
    }
}

// Rows a held call may paint, a row or two wider than it can: for passing it by in other bands.
void FindRows(Held& h) {
    const DrawState& s = h.state;
    double top = 0, bottom = heldTarget.height;
    switch (h.kind) {
        case DrawCall::Kind::kImage:
            top = double(h.y), bottom = double(h.y) + h.cell.height;
            break;
        case DrawCall::Kind::kRotated: {
            // The farthest corner from the centre, measured along both axes, bounds every row the
            // turned rectangle reaches; a transparent image reaches no farther than its disc.
            const Cell& r = h.cell;
            const int cx = r.width / 2, cy = r.height / 2;
            double reach = std::fabs(h.scale) * (std::max(cx, r.width - cx) + std::max(cy, r.height - cy));
            if (r.radius >= 0) reach = std::min(reach, r.radius * std::fabs(h.scale) + 0.5);
            top = std::floor(double(h.y) - reach) - 2, bottom = std::ceil(double(h.y) + reach) + 3;
            break;
        }
        case DrawCall::Kind::kRectangle:
            top = double(std::min(h.y, h.y2)), bottom = double(std::max(h.y, h.y2)) + 1;
            break;
        default:
            break;
    }
    h.rowFrom = int(std::clamp(top, double(s.clipY1), double(s.clipY2)));
    h.rowTo = int(std::clamp(bottom, double(s.clipY1), double(s.clipY2)));
    if (h.kind == DrawCall::Kind::kClear) h.rowFrom = 0, h.rowTo = heldTarget.height;
}

void DrawBand(int y0, int y1) {
    Surface& t = heldTarget;
    for (const Held& h : held) {
        if (h.kind == DrawCall::Kind::kClear) {
            ClearRows(h, y0, y1);
            continue;
        }
        if (h.rowTo <= y0 || h.rowFrom >= y1) continue;
        DrawState s = h.state;
        s.clipY1 = std::max(s.clipY1, y0), s.clipY2 = std::min(s.clipY2, y1);
        if (s.clipY1 >= s.clipY2) continue;
        switch (h.kind) {
            case DrawCall::Kind::kImage:
                DrawUnscaled(*h.picture, h.cell, h.x, h.y, h.transparent, s, t);
                break;
            case DrawCall::Kind::kRotated:
                DrawTurned(*h.picture, h.cell, int(h.x), int(h.y), h.scale, h.c, h.sn, h.transparent,
                           h.mirror, s, t, &h.reuse);
                break;
            case DrawCall::Kind::kRectangle:
                DrawRectangleRows(h.x, h.y, h.x2, h.y2, h.colour, h.fill, s, t);
                break;
            default:
                break;
        }
    }
}

// A frame that makes the very calls of the frame before it, from a clear, on the other screen, with
// no picture drawn into since, has that frame's pixels: they are copied, not drawn again (the title
// and everything that stands still cost a copy of the screen).
struct LastFlush {
    std::vector<Held> calls;  // its calls, their pictures kept alive (so no other takes their place)
    Surface target;
    uint64_t imageWrites = 0;
    bool valid = false;
};
LastFlush lastFlush;
uint64_t imageWrites = 0;  // draws into images: any picture may have changed

// Off: measured on the busiest frame, reading the kept pixels saved nothing over the vector
// gathers from the picture (the bench's comparison with pixman shows both).
bool turnedReuse = false;
turn::ReuseStore reuseStore;

// Each turned draw of the frame finds its kept draw of the last frame, or starts one; the kept
// draws the frame does not find are dropped.
void FindReuse() {
    // A flush of no turned draw (a clear alone, before the pixels are read) keeps what is kept.
    if (!turnedReuse || std::none_of(held.begin(), held.end(),
                                     [](const Held& h) { return h.kind == DrawCall::Kind::kRotated; }))
        return;
    reuseStore.BeginFrame();
    for (Held& h : held) {
        if (h.kind != DrawCall::Kind::kRotated || !h.picture) continue;
        const Picture& p = *h.picture;
        // Source positions of larger pictures could leave 16.16 as kept rows reach past the draw.
        if (p.width > 8192 || p.height > 8192) continue;
        turn::ReuseKey key{.picture = &p,
                           .pixels = p.pixels.data(),
                           .generation = p.generation,
                           .offsetX = h.cell.offsetX,
                           .offsetY = h.cell.offsetY,
                           .width = h.cell.width,
                           .height = h.cell.height,
                           .mirror = h.mirror != 0};
        std::memcpy(&key.scale, &h.scale, 8);
        std::memcpy(&key.c, &h.c, 8);
        std::memcpy(&key.sn, &h.sn, 8);
        const Cell& r = h.cell;
        const int cx = r.width / 2, cy = r.height / 2;
        double reach = std::fabs(h.scale) * (std::max(cx, r.width - cx) + std::max(cy, r.height - cy));
        if (r.radius >= 0) reach = std::min(reach, r.radius * std::fabs(h.scale) + 0.5);
        h.reuse = reuseStore.Find(key, h.picture, reach);
    }
    reuseStore.EndFrame();
}

// Each screen's pixels are numbered as they are drawn; a copy takes its source's number.
struct Version {
    const uint32_t* pixels = nullptr;
    uint64_t number = 0;
};
Version versions[2];
uint64_t lastVersion = 0;

void SetVersion(const uint32_t* pixels, uint64_t number) {
    for (Version& v : versions)
        if (v.pixels == pixels) {
            v.number = number;
            return;
        }
    versions[0] = versions[1];
    versions[1] = Version{pixels, number};
}

// Bit for bit: a repeated frame must be drawn with the very same numbers.
bool Same(double a, double b) {
    uint64_t x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// The same call as held (what FlushDrawing works out later left aside); doubles bit for bit.
bool SameCall(const Held& a, const Held& b) {
    const DrawState &s = a.state, &t = b.state;
    return a.kind == b.kind && a.picture == b.picture && a.x == b.x && a.y == b.y && a.x2 == b.x2 &&
           a.y2 == b.y2 && a.transparent == b.transparent && a.mirror == b.mirror && a.fill == b.fill &&
           Same(a.scale, b.scale) && Same(a.c, b.c) && Same(a.sn, b.sn) && a.colour == b.colour &&
           a.cell.width == b.cell.width && a.cell.height == b.cell.height &&
           a.cell.offsetX == b.cell.offsetX && a.cell.offsetY == b.cell.offsetY &&
           Same(a.cell.radius, b.cell.radius) && s.clipX1 == t.clipX1 && s.clipY1 == t.clipY1 &&
           s.clipX2 == t.clipX2 && s.clipY2 == t.clipY2 && s.nothingDrawn == t.nothingDrawn &&
           s.blendMode == t.blendMode && s.blendParameter == t.blendParameter;
}

bool RepeatsLastFlush() {
    const LastFlush& l = lastFlush;
    const Surface& t = heldTarget;
    if (!l.valid || l.imageWrites != imageWrites || held.front().kind != DrawCall::Kind::kClear ||
        l.target.pixels == t.pixels || l.target.width != t.width || l.target.height != t.height ||
        held.size() != l.calls.size())
        return false;
    for (size_t i = 0; i < held.size(); ++i)
        if (!SameCall(held[i], l.calls[i])) return false;
    return true;
}

}  // namespace

uint64_t ScreenVersion(const uint32_t* pixels) {
    for (const Version& v : versions)
        if (v.pixels == pixels) return v.number;
    return 0;
}

void FlushDrawing() {
    if (held.empty()) return;
    if (RepeatsLastFlush()) {
        const Surface &from = lastFlush.target, &to = heldTarget;
        // A picture that stands still is in both screens already after two frames.
        const bool copied =
            ScreenVersion(to.pixels) == ScreenVersion(from.pixels) && ScreenVersion(to.pixels) != 0;
        for (int y = copied ? to.height : 0; y < to.height; ++y)
            std::memcpy(to.pixels + size_t(y) * size_t(to.pitch),
                        from.pixels + size_t(y) * size_t(from.pitch), size_t(to.width) * 4);
        SetVersion(to.pixels, ScreenVersion(from.pixels));
        lastFlush.target = to;
        held.clear();
        bandThreadsWoken = false;
        return;
    }
    FindReuse();
    for (size_t i = 0; i < held.size(); ++i) {
        Held& h = held[i];
        FindRows(h);
        if (h.kind != DrawCall::Kind::kClear) continue;
        // A pixel's new value depends on its own old value alone, never on its neighbours': where any
        // later call of the list paints without reading, the clear's value is never seen, whatever
        // came between.
        h.skips = 0;
        for (size_t j = i + 1; j < held.size() && h.skips < 4; ++j) {
            const Held& next = held[j];
            if (!next.covers || InsideSkipped(next.area, h)) continue;
            h.skip[h.skips++] = next.area;
            if (next.kind == DrawCall::Kind::kClear) break;  // the rest is that clear's
        }
    }
    // Threads for fewer rows than this cost more to wake than they save.
    const int threadCount = std::min(DrawThreads(), std::max(1, heldTarget.height / 32));
    if (threadCount == 1) {
        DrawBand(0, heldTarget.height);
    } else {
        MeasureRows();
        RunInBands(workAbove.data(), heldTarget.height, threadCount, DrawBand);
    }
    SetVersion(heldTarget.pixels, ++lastVersion);
    lastFlush.calls.swap(held);
    lastFlush.target = heldTarget;
    lastFlush.imageWrites = imageWrites;
    lastFlush.valid = true;
    held.clear();
    bandThreadsWoken = false;
}

void DiscardDrawing() {
    held.clear();
    bandThreadsWoken = false;
    // New screens (or none): nothing drawn before is in them.
    lastFlush = LastFlush{};
    versions[0] = versions[1] = Version{};
    reuseStore.Clear();
}

bool HoldClear(uint32_t colour) {
    if (!HoldsDraws()) {
        ++imageWrites;
        return false;
    }
    Held& h = NewHeld(DrawCall::Kind::kClear, CurrentDrawState());
    h.colour = colour;
    h.covers = true;
    h.area = Rect{0, 0, heldTarget.width, heldTarget.height};
    return true;
}

void SetTurnedReuse(bool on) {
    turnedReuse = on;
    if (!on) reuseStore.Clear();
}

void SetPixelsSkipped(bool skipped) { pixelsSkipped = skipped; }
bool PixelsSkipped() { return pixelsSkipped; }

int DrawImage(int x, int y, int handle, int transparent) {
    if (!EngineInitialised()) return -1;
    WaitWhileInactive();
    const DrawState& s = CurrentDrawState();
    if (drawCallObserver) {
        const DrawCall call{.kind = DrawCall::Kind::kImage,
                            .x = x,
                            .y = y,
                            .handle = handle,
                            .transparent = transparent,
                            .state = s};
        drawCallObserver(call);
    }
    if (s.nothingDrawn || pixelsSkipped) return 0;
    ImageRecord* r = FindImage(handle);
    if (!r) return -1;
    Surface& target = DrawTargetSurface();
    if (!target.pixels) return 0;
    Picture copy;
    const Picture* p = PictureForReading(*r, target, &copy);
    if (!HoldsDraws()) {
        ++imageWrites;
        DrawUnscaled(*p, CellOf(*r), x, y, transparent, s, target);
        return 0;
    }
    Held& h = NewHeld(DrawCall::Kind::kImage, s);
    h.picture = r->picture;
    h.cell = CellOf(*r);
    h.x = x, h.y = y, h.transparent = transparent;
    h.covers = Overwrites(s) && UseOf(*p, transparent) == AlphaUse::kIgnore &&
               ContainsClip(h.x, h.y, h.x + r->width, h.y + r->height, s);
    return 0;
}

int DrawImageRotated(int x, int y, double scale, double angle, int handle, int transparent, int mirror) {
    if (!EngineInitialised()) return -1;
    WaitWhileInactive();
    const DrawState& s = CurrentDrawState();
    if (drawCallObserver) {
        const DrawCall call{.kind = DrawCall::Kind::kRotated,
                            .x = x,
                            .y = y,
                            .handle = handle,
                            .transparent = transparent,
                            .mirror = mirror,
                            .scale = scale,
                            .angle = angle,
                            .state = s};
        drawCallObserver(call);
    }
    if (s.nothingDrawn || pixelsSkipped) return 0;
    ImageRecord* r = FindImage(handle);
    if (!r || scale == 0 || !std::isfinite(scale) || !std::isfinite(angle)) return -1;
    Surface& target = DrawTargetSurface();
    // Below this scale an image is far smaller than a pixel; the limit and the picture size keep
    // source positions and steps inside the 16.16 fixed point.
    if (!target.pixels || std::fabs(scale) < 1.0 / 16384) return 0;
    Picture copy;
    const Picture* p = PictureForReading(*r, target, &copy);
    if (p->width > 32767 || p->height > 32767) return 0;
    const double c = std::cos(angle), sn = std::sin(angle);
    // The centre point (width / 2, height / 2) in whole pixels: at scale 1, angle 0 and an integral
    // centre the top-left pixel then lands on (x - width / 2, y - height / 2) for every size.
    const int cx = r->width / 2, cy = r->height / 2;
    const bool plain = scale == 1 && c == 1 && sn == 0 && mirror == 0;
    Cell cell = CellOf(*r);
    const AlphaUse use = UseOf(*p, transparent);
    if (!plain && use != AlphaUse::kIgnore) cell.radius = VisibleRadius(r);
    if (!HoldsDraws()) {
        ++imageWrites;
        if (plain)
            DrawUnscaled(*p, cell, int64_t(x) - cx, int64_t(y) - cy, transparent, s, target);
        else
            DrawTurned(*p, cell, x, y, scale, c, sn, transparent, mirror, s, target);
        return 0;
    }
    Held& h = NewHeld(plain ? DrawCall::Kind::kImage : DrawCall::Kind::kRotated, s);
    h.picture = r->picture;
    h.cell = cell;
    h.transparent = transparent;
    if (plain) {
        h.x = int64_t(x) - cx, h.y = int64_t(y) - cy;
        h.covers = Overwrites(s) && use == AlphaUse::kIgnore &&
                   ContainsClip(h.x, h.y, h.x + r->width, h.y + r->height, s);
    } else {
        h.x = x, h.y = y, h.scale = scale, h.c = c, h.sn = sn, h.mirror = mirror;
        h.covers = Overwrites(s) && use == AlphaUse::kIgnore &&
                   TurnedCoversClip(cell, x, y, scale, c, sn, mirror, s);
    }
    return 0;
}

int DrawRectangle(int x1, int y1, int x2, int y2, int colour, int fill) {
    if (!EngineInitialised()) return 0;
    WaitWhileInactive();
    const DrawState& s = CurrentDrawState();
    if (drawCallObserver) {
        const DrawCall call{.kind = DrawCall::Kind::kRectangle,
                            .x = x1,
                            .y = y1,
                            .x2 = x2,
                            .y2 = y2,
                            .colour = colour,
                            .fill = fill,
                            .state = s};
        drawCallObserver(call);
    }
    Surface& target = DrawTargetSurface();
    if (s.nothingDrawn || pixelsSkipped || !target.pixels) return 0;
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
    if (!HoldsDraws()) {
        ++imageWrites;
        DrawRectangleRows(x1, y1, x2, y2, rgb, fill, s, target);
        return 0;
    }
    Held& h = NewHeld(DrawCall::Kind::kRectangle, s);
    h.x = x1, h.y = y1, h.x2 = x2, h.y2 = y2, h.colour = rgb, h.fill = fill;
    h.covers = fill && Overwrites(s) && ContainsClip(x1, y1, x2, y2, s);
    return 0;
}

int MakeColor(int red, int green, int blue) {
    const uint32_t r = uint32_t(red) & 255, g = uint32_t(green) & 255, b = uint32_t(blue) & 255;
    if (ScreenColourDepth() == 16) return int((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
    return int(0xFF000000u | r << 16 | g << 8 | b);
}

}  // namespace engine
