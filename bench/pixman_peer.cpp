// The recorded calls through pixman. How each call maps, chosen to match ours in kind:
//  - a picture drawn with its transparency (some pixel below alpha 255) is a premultiplied
//    a8r8g8b8 image; drawn without it (transparency flag 0, or a picture all opaque) it is the
//    picture's own pixels as x8r8g8b8; each cell is an image of its own over the same pixels, so
//    that sampling never reaches a neighbouring cell;
//  - blend mode 0: SRC for an opaque image at a point, OVER otherwise (a turned opaque image must
//    leave the pixels outside it alone, and a transparent one its transparent pixels);
//    mode 1 (alpha, parameter p): OVER with a solid mask of alpha p; mode 2 (add): ADD with that
//    mask; other modes draw as mode 0, as ours do;
//  - turned and scaled draws: the transform from screen to picture ours uses, with the nearest
//    filter (ours reads the source pixel under each pixel centre, no filtering);
//  - rectangles: a solid colour composited over the rectangle (the border as four strips), with
//    the same operators; the clear: a fill of the whole canvas;
//  - the clip rectangle: the canvas's clip region.
#include "bench/pixman_peer.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "engine/image/image.h"
#include "engine/image/picture.h"

namespace busiest {

namespace {

constexpr int kWidth = 640, kHeight = 480;

struct Op {
    pixman_op_t op = PIXMAN_OP_SRC;
    pixman_image_t* src = nullptr;
    pixman_image_t* mask = nullptr;
    bool transformed = false;
    pixman_transform_t transform{};
    int srcX = 0, srcY = 0, x = 0, y = 0, width = 0, height = 0;
    int clip = 0;  // index of the clip region
};

}  // namespace

struct PixmanPeer::State {
    std::vector<uint32_t> canvas = std::vector<uint32_t>(size_t(kWidth) * kHeight);
    pixman_image_t* dest = nullptr;
    std::map<const engine::Picture*, std::vector<uint32_t>> premultiplied;
    std::map<std::tuple<const engine::Picture*, int, int, int, int, bool>, pixman_image_t*> cells;
    std::map<int, pixman_image_t*> masks;         // solid alpha p
    std::map<uint32_t, pixman_image_t*> colours;  // solid opaque colours
    std::vector<pixman_region32_t> clips;
    std::vector<std::vector<Op>> frames;

    ~State() {
        for (auto& [key, image] : cells) pixman_image_unref(image);
        for (auto& [key, image] : masks) pixman_image_unref(image);
        for (auto& [key, image] : colours) pixman_image_unref(image);
        for (pixman_region32_t& r : clips) pixman_region32_fini(&r);
        if (dest) pixman_image_unref(dest);
    }

    pixman_image_t* Cell(const engine::ImageRecord& r, bool opaque) {
        const engine::Picture* p = r.picture.get();
        const auto key = std::make_tuple(p, r.offsetX, r.offsetY, r.width, r.height, opaque);
        if (auto found = cells.find(key); found != cells.end()) return found->second;
        uint32_t* bits;
        if (opaque) {
            bits = r.picture->pixels.data();
        } else {
            std::vector<uint32_t>& pre = premultiplied[p];
            if (pre.empty()) {
                pre.resize(p->pixels.size());
                for (size_t i = 0; i < pre.size(); ++i) {
                    const uint32_t v = p->pixels[i], a = v >> 24;
                    auto channel = [&](int shift) { return (((v >> shift) & 255) * a + 127) / 255 << shift; };
                    pre[i] = a << 24 | channel(16) | channel(8) | channel(0);
                }
            }
            bits = pre.data();
        }
        bits += size_t(r.offsetY) * size_t(p->pitch) + size_t(r.offsetX);
        pixman_image_t* image = pixman_image_create_bits(opaque ? PIXMAN_x8r8g8b8 : PIXMAN_a8r8g8b8, r.width,
                                                         r.height, bits, p->pitch * 4);
        if (image) pixman_image_set_filter(image, PIXMAN_FILTER_NEAREST, nullptr, 0);
        cells[key] = image;
        return image;
    }

    pixman_image_t* Mask(int p) {
        if (p >= 255) return nullptr;
        pixman_image_t*& m = masks[p];
        if (!m) {
            const pixman_color_t alpha{0, 0, 0, uint16_t(p * 257)};
            m = pixman_image_create_solid_fill(&alpha);
        }
        return m;
    }

    pixman_image_t* Colour(uint32_t rgb) {
        pixman_image_t*& c = colours[rgb];
        if (!c) {
            const pixman_color_t colour{uint16_t((rgb >> 16 & 255) * 257), uint16_t((rgb >> 8 & 255) * 257),
                                        uint16_t((rgb & 255) * 257), 0xFFFF};
            c = pixman_image_create_solid_fill(&colour);
        }
        return c;
    }

    int Clip(const engine::DrawState& s) {
        for (size_t i = 0; i < clips.size(); ++i) {
            const pixman_box32_t* b = pixman_region32_extents(&clips[i]);
            if (b->x1 == s.clipX1 && b->y1 == s.clipY1 && b->x2 == s.clipX2 && b->y2 == s.clipY2)
                return int(i);
        }
        clips.emplace_back();
        pixman_region32_init_rect(&clips.back(), s.clipX1, s.clipY1, unsigned(s.clipX2 - s.clipX1),
                                  unsigned(s.clipY2 - s.clipY1));
        return int(clips.size() - 1);
    }
};

PixmanPeer::PixmanPeer() : state_(std::make_unique<State>()) {}
PixmanPeer::~PixmanPeer() = default;

const uint32_t* PixmanPeer::Pixels() const { return state_->canvas.data(); }

int PixmanPeer::Prepare(const std::vector<engine::DrawCall>& calls) {
    State& st = *state_;
    if (!st.dest) {
        st.dest = pixman_image_create_bits(PIXMAN_x8r8g8b8, kWidth, kHeight, st.canvas.data(), kWidth * 4);
        if (!st.dest) return -1;
    }
    std::vector<Op> ops;
    const engine::DrawState whole{};
    for (const engine::DrawCall& c : calls) {
        const engine::DrawState& s = c.state;
        const int mode =
            s.blendMode == engine::kBlendAlpha || s.blendMode == engine::kBlendAdditive ? s.blendMode : 0;
        const int p = std::clamp(s.blendParameter, 0, 255);
        if (c.kind == engine::DrawCall::Kind::kClear) {
            ops.push_back(Op{.op = PIXMAN_OP_SRC,
                             .src = st.Colour(0),
                             .width = kWidth,
                             .height = kHeight,
                             .clip = st.Clip(whole)});
            continue;
        }
        if (s.nothingDrawn) continue;
        const pixman_op_t blended = mode == engine::kBlendAdditive ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
        pixman_image_t* mask = mode ? st.Mask(p) : nullptr;
        if (c.kind == engine::DrawCall::Kind::kRectangle) {
            const int x1 = std::min(c.x, c.x2), x2 = std::max(c.x, c.x2), y1 = std::min(c.y, c.y2),
                      y2 = std::max(c.y, c.y2);
            if (x1 == x2 || y1 == y2) continue;
            Op op{.op = mode ? blended : PIXMAN_OP_SRC,
                  .src = st.Colour(uint32_t(c.colour) & 0xFFFFFF),
                  .mask = mask,
                  .clip = st.Clip(s)};
            auto strip = [&](int a, int b, int top, int bottom) {
                if (a >= b || top >= bottom) return;
                op.x = a, op.y = top, op.width = b - a, op.height = bottom - top;
                ops.push_back(op);
            };
            if (c.fill) {
                strip(x1, x2, y1, y2);
            } else {
                strip(x1, x2, y1, y1 + 1);
                if (y2 - 1 > y1) strip(x1, x2, y2 - 1, y2);
                strip(x1, x1 + 1, y1 + 1, y2 - 1);
                if (x2 - 1 > x1) strip(x2 - 1, x2, y1 + 1, y2 - 1);
            }
            continue;
        }
        const engine::ImageRecord* r = engine::FindImage(c.handle);
        if (!r) continue;
        const engine::Picture& picture = *r->picture;
        const bool opaque = c.transparent == 0 || (!picture.hasTransparent && !picture.hasPartial);
        pixman_image_t* cell = st.Cell(*r, opaque);
        if (!cell) return -1;
        Op op{.op = mode     ? blended
                    : opaque ? PIXMAN_OP_SRC
                             : PIXMAN_OP_OVER,
              .src = cell,
              .mask = mask,
              .clip = st.Clip(s)};
        const double cs = std::cos(c.angle), sn = std::sin(c.angle);
        const int cx = r->width / 2, cy = r->height / 2;
        if (c.kind == engine::DrawCall::Kind::kImage ||
            (c.scale == 1 && cs == 1 && sn == 0 && c.mirror == 0)) {
            const bool plain = c.kind == engine::DrawCall::Kind::kRotated;
            op.x = plain ? c.x - cx : c.x, op.y = plain ? c.y - cy : c.y;
            op.width = r->width, op.height = r->height;
            ops.push_back(op);
            continue;
        }
        if (!(std::fabs(c.scale) >= 1.0 / 16384) || !std::isfinite(c.angle)) continue;
        // Screen (X, Y) reads the picture at (cx + mu (c dx + s dy) / scale, cy + (c dy - s dx) / scale).
        const double mu = c.mirror ? -1.0 : 1.0, inv = 1.0 / c.scale;
        const double m[2][3] = {{mu * cs * inv, mu * sn * inv, cx - mu * (cs * c.x + sn * c.y) * inv},
                                {-sn * inv, cs * inv, cy - (cs * c.y - sn * c.x) * inv}};
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 3; ++j) op.transform.matrix[i][j] = pixman_double_to_fixed(m[i][j]);
        op.transform.matrix[2][0] = op.transform.matrix[2][1] = 0;
        op.transform.matrix[2][2] = pixman_fixed_1;
        op.transformed = true;
        if (!mode) op.op = PIXMAN_OP_OVER;  // the pixels around the turned picture stay
        // The turned rectangle's box on the screen, within the clip.
        double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
        for (double u : {double(-cx), double(r->width - cx)}) {
            for (double v : {double(-cy), double(r->height - cy)}) {
                const double a = mu * u * c.scale, b = v * c.scale;
                const double dx = cs * a - sn * b, dy = sn * a + cs * b;
                x0 = std::min(x0, dx), x1 = std::max(x1, dx), y0 = std::min(y0, dy), y1 = std::max(y1, dy);
            }
        }
        const int left = int(std::clamp(std::floor(c.x + x0) - 1, double(s.clipX1), double(s.clipX2)));
        const int right = int(std::clamp(std::ceil(c.x + x1) + 1, double(s.clipX1), double(s.clipX2)));
        const int top = int(std::clamp(std::floor(c.y + y0) - 1, double(s.clipY1), double(s.clipY2)));
        const int bottom = int(std::clamp(std::ceil(c.y + y1) + 1, double(s.clipY1), double(s.clipY2)));
        if (left >= right || top >= bottom) continue;
        op.x = op.srcX = left, op.y = op.srcY = top;
        op.width = right - left, op.height = bottom - top;
        ops.push_back(op);
    }
    st.frames.push_back(std::move(ops));
    return int(st.frames.size() - 1);
}

void PixmanPeer::Draw(int frame) {
    State& st = *state_;
    int clip = -1;
    for (const Op& op : st.frames[size_t(frame)]) {
        if (op.clip != clip) {
            clip = op.clip;
            pixman_image_set_clip_region32(st.dest, &st.clips[size_t(clip)]);
        }
        pixman_image_set_transform(op.src, op.transformed ? &op.transform : nullptr);
        pixman_image_composite32(op.op, op.src, op.mask, st.dest, op.srcX, op.srcY, 0, 0, op.x, op.y,
                                 op.width, op.height);
    }
}

}  // namespace busiest
