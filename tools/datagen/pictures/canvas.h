// Drawing helpers of the picture generator: a floating-point RGBA canvas and anti-aliased shapes.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace datagen::pic {

constexpr float kPi = 3.14159265358979f;

struct V2 {
    float x = 0, y = 0;
};
inline V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
inline V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
inline V2 operator*(V2 a, float k) { return {a.x * k, a.y * k}; }
inline float Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
inline float Len(V2 a) { return std::sqrt(Dot(a, a)); }

// Straight (not premultiplied) colour, channels 0..1.
struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};
Color Hex(uint32_t rgb, float a = 1.0f);
Color Mix(Color a, Color b, float t);
Color Scale(Color c, float k);  // brightness, alpha kept
Color WithAlpha(Color c, float a);

// Premultiplied RGBA pixels; a clip rectangle keeps a cell's drawing inside its cell.
class Canvas {
public:
    Canvas() = default;
    Canvas(int width, int height);
    int w = 0, h = 0;
    std::vector<float> px;  // r, g, b, a per pixel, premultiplied
    int clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0;

    void ClipAll();
    void Clip(int x0, int y0, int x1, int y1);
    float* At(int x, int y) { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
    const float* At(int x, int y) const { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
    void Over(int x, int y, Color c, float cover);  // source-over
    void Add(int x, int y, Color c, float cover);   // light: adds colour and alpha
    void FillAll(Color c);
    // Paints the canvas with a function of the pixel centre (straight colour), inside the clip.
    void Shade(const std::function<Color(float x, float y)>& f);
};

// Colour as a function of the pixel position.
struct Paint {
    enum Mode { kFlat, kLinear, kRadial } mode = kFlat;
    Color c0, c1;
    V2 p0, p1;
    float r = 1;
    Color At(V2 p) const;
};
Paint Flat(Color c);
Paint Linear(V2 p0, Color c0, V2 p1, Color c1);
Paint Radial(V2 centre, float radius, Color inner, Color outer);

// A signed distance (pixels, negative inside) with its bounding box; edges come out anti-aliased.
struct Shape {
    std::function<float(V2)> sd;
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
Shape Circle(V2 c, float r);
Shape Ellipse(V2 c, float rx, float ry, float angle);
Shape Capsule(V2 a, V2 b, float r);
Shape Poly(std::vector<V2> pts);
Shape Ring(V2 c, float r, float halfWidth);
Shape Union(Shape a, Shape b);
Shape Minus(Shape a, Shape b);
Shape Intersect(Shape a, Shape b);
Shape Grow(Shape s, float k);  // outward by k pixels (negative shrinks)

// A sprite's frame: maps (forward, side) in sprite units to pixels; forward is the sprite's +x.
struct Xf {
    V2 c;
    float angle = 0;  // radians, turns the whole shape (frame animation)
    float k = 1;      // scale
    V2 operator()(float f, float s) const;
    float R(float r) const { return r * k; }
};

void Fill(Canvas& cv, const Shape& s, const Paint& p);
void Fill(Canvas& cv, const Shape& s, Color c);
void FillLight(Canvas& cv, const Shape& s, const Paint& p);  // additive
// Dark rim first, then the body: the outline keeps sprites readable on any background.
void FillOutlined(Canvas& cv, const Shape& s, const Paint& p, Color outline, float width);
void Line(Canvas& cv, V2 a, V2 b, float width, Color c);
// Soft additive light: strength at the centre, falling off as a Gaussian of the given radius.
void Glow(Canvas& cv, V2 c, float radius, Color col, float strength);
// Same but sets a floor of alpha (for BMPs, whose glows must be opaque to show).
void Halo(Canvas& cv, V2 c, float r0, float r1, Color inner, Color outer);

// Deterministic pseudo-random numbers (fixed seed per use).
class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    uint32_t Next();
    float Uniform() { return (Next() >> 8) * (1.0f / 16777216.0f); }
    float Range(float a, float b) { return a + (b - a) * Uniform(); }
    int Int(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }

private:
    uint64_t s_;
};

// Smooth value noise in 0..1 and its fractal sum.
float Noise(float x, float y, uint32_t seed);
float Fbm(float x, float y, int octaves, uint32_t seed);

// A picture file: its name under data/, format and cell layout.
struct Picture {
    std::string name;
    bool png = false;
    int cols = 1, rows = 1, cellW = 0, cellH = 0, count = 1;
    Canvas cv;
};
Picture MakePicture(const std::string& name, int cols, int rows, int cellW, int cellH, int count = -1);
// Centre of cell k (row by row) and a clip to it.
V2 CellCentre(const Picture& p, int k);
void ClipCell(Picture& p, int k);

}  // namespace datagen::pic
