// Drawing helpers of the picture generator: canvas, paints, signed-distance shapes, noise.
#include "pictures/canvas.h"

#include <algorithm>

namespace datagen::pic {

Color Hex(uint32_t rgb, float a) {
    return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f, a};
}

Color Mix(Color a, Color b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Color Scale(Color c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
Color WithAlpha(Color c, float a) { return {c.r, c.g, c.b, a}; }

Canvas::Canvas(int width, int height)
    : w(width), h(height), px(static_cast<size_t>(width) * height * 4, 0.0f) {
    ClipAll();
}

void Canvas::ClipAll() { Clip(0, 0, w, h); }

void Canvas::Clip(int x0, int y0, int x1, int y1) {
    clipX0 = std::clamp(x0, 0, w);
    clipY0 = std::clamp(y0, 0, h);
    clipX1 = std::clamp(x1, 0, w);
    clipY1 = std::clamp(y1, 0, h);
}

void Canvas::Over(int x, int y, Color c, float cover) {
    float a = std::clamp(c.a * cover, 0.0f, 1.0f);
    if (a <= 0) return;
    float* p = At(x, y);
    p[0] = c.r * a + p[0] * (1 - a);
    p[1] = c.g * a + p[1] * (1 - a);
    p[2] = c.b * a + p[2] * (1 - a);
    p[3] = a + p[3] * (1 - a);
}

void Canvas::Add(int x, int y, Color c, float cover) {
    float a = std::clamp(c.a * cover, 0.0f, 1.0f);
    if (a <= 0) return;
    float* p = At(x, y);
    p[0] += c.r * a;
    p[1] += c.g * a;
    p[2] += c.b * a;
    p[3] = std::min(1.0f, p[3] + a);
}

void Canvas::FillAll(Color c) {
    for (int y = clipY0; y < clipY1; ++y)
        for (int x = clipX0; x < clipX1; ++x) {
            float* p = At(x, y);
            p[0] = c.r * c.a;
            p[1] = c.g * c.a;
            p[2] = c.b * c.a;
            p[3] = c.a;
        }
}

void Canvas::Shade(const std::function<Color(float, float)>& f) {
    for (int y = clipY0; y < clipY1; ++y)
        for (int x = clipX0; x < clipX1; ++x) {
            Color c = f(x + 0.5f, y + 0.5f);
            float* p = At(x, y);
            p[0] = c.r * c.a;
            p[1] = c.g * c.a;
            p[2] = c.b * c.a;
            p[3] = c.a;
        }
}

Color Paint::At(V2 p) const {
    switch (mode) {
        case kFlat:
            return c0;
        case kLinear: {
            V2 d = p1 - p0;
            float t = Dot(p - p0, d) / std::max(1e-6f, Dot(d, d));
            return Mix(c0, c1, t);
        }
        case kRadial:
            return Mix(c0, c1, Len(p - p0) / r);
    }
    return c0;
}

Paint Flat(Color c) { return {Paint::kFlat, c, c, {}, {}, 1}; }
Paint Linear(V2 p0, Color c0, V2 p1, Color c1) { return {Paint::kLinear, c0, c1, p0, p1, 1}; }
Paint Radial(V2 centre, float radius, Color inner, Color outer) {
    return {Paint::kRadial, inner, outer, centre, {}, radius};
}

Shape Circle(V2 c, float r) {
    return {[c, r](V2 p) { return Len(p - c) - r; }, c.x - r, c.y - r, c.x + r, c.y + r};
}

Shape Ellipse(V2 c, float rx, float ry, float angle) {
    float ca = std::cos(angle), sa = std::sin(angle), e = std::max(rx, ry);
    return {[=](V2 p) {
                V2 d = p - c;
                float u = (d.x * ca + d.y * sa) / rx, v = (-d.x * sa + d.y * ca) / ry;
                float l = std::sqrt(u * u + v * v);
                // Scaled by the gradient length so the edge stays about one pixel wide.
                float gu = u / (rx * std::max(l, 1e-6f)), gv = v / (ry * std::max(l, 1e-6f));
                float g = std::sqrt(gu * gu + gv * gv);
                return (l - 1) / std::max(g, 1.0f / e);
            },
            c.x - e, c.y - e, c.x + e, c.y + e};
}

Shape Capsule(V2 a, V2 b, float r) {
    return {[a, b, r](V2 p) {
                V2 pa = p - a, ba = b - a;
                float t = std::clamp(Dot(pa, ba) / std::max(1e-6f, Dot(ba, ba)), 0.0f, 1.0f);
                return Len(pa - ba * t) - r;
            },
            std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r, std::max(a.y, b.y) + r};
}

Shape Poly(std::vector<V2> v) {
    Shape s;
    s.x0 = s.y0 = 1e9f;
    s.x1 = s.y1 = -1e9f;
    for (V2 p : v) {
        s.x0 = std::min(s.x0, p.x);
        s.y0 = std::min(s.y0, p.y);
        s.x1 = std::max(s.x1, p.x);
        s.y1 = std::max(s.y1, p.y);
    }
    s.sd = [v = std::move(v)](V2 p) {
        size_t n = v.size();
        float d = Dot(p - v[0], p - v[0]), sign = 1;
        for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
            V2 e = v[j] - v[i], w = p - v[i];
            V2 b = w - e * std::clamp(Dot(w, e) / std::max(1e-9f, Dot(e, e)), 0.0f, 1.0f);
            d = std::min(d, Dot(b, b));
            bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
            if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) sign = -sign;
        }
        return sign * std::sqrt(d);
    };
    return s;
}

Shape Ring(V2 c, float r, float hw) {
    return {[c, r, hw](V2 p) { return std::fabs(Len(p - c) - r) - hw; }, c.x - r - hw, c.y - r - hw,
            c.x + r + hw, c.y + r + hw};
}

Shape Union(Shape a, Shape b) {
    Shape s{nullptr, std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
    s.sd = [fa = std::move(a.sd), fb = std::move(b.sd)](V2 p) { return std::min(fa(p), fb(p)); };
    return s;
}

Shape Minus(Shape a, Shape b) {
    Shape s{nullptr, a.x0, a.y0, a.x1, a.y1};
    s.sd = [fa = std::move(a.sd), fb = std::move(b.sd)](V2 p) { return std::max(fa(p), -fb(p)); };
    return s;
}

Shape Intersect(Shape a, Shape b) {
    Shape s{nullptr, std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
    s.sd = [fa = std::move(a.sd), fb = std::move(b.sd)](V2 p) { return std::max(fa(p), fb(p)); };
    return s;
}

Shape Grow(Shape s, float k) {
    Shape g{nullptr, s.x0 - k, s.y0 - k, s.x1 + k, s.y1 + k};
    g.sd = [f = std::move(s.sd), k](V2 p) { return f(p) - k; };
    return g;
}

V2 Xf::operator()(float f, float s) const {
    float ca = std::cos(angle), sa = std::sin(angle);
    return {c.x + (f * ca - s * sa) * k, c.y + (f * sa + s * ca) * k};
}

namespace {

template <typename F>
void ForBox(Canvas& cv, const Shape& s, F&& f) {
    int x0 = std::max(cv.clipX0, static_cast<int>(std::floor(s.x0)) - 2);
    int y0 = std::max(cv.clipY0, static_cast<int>(std::floor(s.y0)) - 2);
    int x1 = std::min(cv.clipX1, static_cast<int>(std::ceil(s.x1)) + 2);
    int y1 = std::min(cv.clipY1, static_cast<int>(std::ceil(s.y1)) + 2);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            V2 p{x + 0.5f, y + 0.5f};
            float cover = std::clamp(0.5f - s.sd(p), 0.0f, 1.0f);
            if (cover > 0) f(x, y, p, cover);
        }
}

}  // namespace

void Fill(Canvas& cv, const Shape& s, const Paint& p) {
    ForBox(cv, s, [&](int x, int y, V2 q, float cover) { cv.Over(x, y, p.At(q), cover); });
}

void Fill(Canvas& cv, const Shape& s, Color c) { Fill(cv, s, Flat(c)); }

void FillLight(Canvas& cv, const Shape& s, const Paint& p) {
    ForBox(cv, s, [&](int x, int y, V2 q, float cover) { cv.Add(x, y, p.At(q), cover); });
}

void FillOutlined(Canvas& cv, const Shape& s, const Paint& p, Color outline, float width) {
    Fill(cv, Grow(s, width), outline);
    Fill(cv, s, p);
}

void Line(Canvas& cv, V2 a, V2 b, float width, Color c) { Fill(cv, Capsule(a, b, width * 0.5f), c); }

void Glow(Canvas& cv, V2 c, float radius, Color col, float strength) {
    float reach = radius * 2.6f;
    int x0 = std::max(cv.clipX0, static_cast<int>(c.x - reach)),
        x1 = std::min(cv.clipX1, static_cast<int>(c.x + reach) + 1);
    int y0 = std::max(cv.clipY0, static_cast<int>(c.y - reach)),
        y1 = std::min(cv.clipY1, static_cast<int>(c.y + reach) + 1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            float dx = x + 0.5f - c.x, dy = y + 0.5f - c.y;
            float t = (dx * dx + dy * dy) / (radius * radius);
            if (t < 6.8f) cv.Add(x, y, col, strength * std::exp(-t));
        }
}

void Halo(Canvas& cv, V2 c, float r0, float r1, Color inner, Color outer) {
    int x0 = std::max(cv.clipX0, static_cast<int>(c.x - r1) - 1),
        x1 = std::min(cv.clipX1, static_cast<int>(c.x + r1) + 2);
    int y0 = std::max(cv.clipY0, static_cast<int>(c.y - r1) - 1),
        y1 = std::min(cv.clipY1, static_cast<int>(c.y + r1) + 2);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            float d = Len(V2{x + 0.5f, y + 0.5f} - c);
            if (d >= r1) continue;
            float t = d <= r0 ? 0.0f : (d - r0) / (r1 - r0);
            cv.Over(x, y, Mix(inner, outer, t), 1.0f);
        }
}

uint32_t Rng::Next() {
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return static_cast<uint32_t>((s_ * 0x2545F4914F6CDD1Dull) >> 32);
}

namespace {

float Lattice(int x, int y, uint32_t seed) {
    uint32_t h =
        static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777215.0f;
}

}  // namespace

float Noise(float x, float y, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = Lattice(ix, iy, seed), b = Lattice(ix + 1, iy, seed);
    float c = Lattice(ix, iy + 1, seed), d = Lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float Fbm(float x, float y, int octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += Noise(x, y, seed + i * 101u) * amp;
        norm += amp;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f + 5.3f;
        amp *= 0.5f;
    }
    return sum / norm;
}

Picture MakePicture(const std::string& name, int cols, int rows, int cellW, int cellH, int count) {
    Picture p;
    p.name = name;
    p.png = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
    p.cols = cols;
    p.rows = rows;
    p.cellW = cellW;
    p.cellH = cellH;
    p.count = count < 0 ? cols * rows : count;
    p.cv = Canvas(cols * cellW, rows * cellH);
    return p;
}

V2 CellCentre(const Picture& p, int k) {
    return {(k % p.cols) * p.cellW + p.cellW * 0.5f, (k / p.cols) * p.cellH + p.cellH * 0.5f};
}

void ClipCell(Picture& p, int k) {
    int x = (k % p.cols) * p.cellW, y = (k / p.cols) * p.cellH;
    p.cv.Clip(x, y, x + p.cellW, y + p.cellH);
}

}  // namespace datagen::pic
