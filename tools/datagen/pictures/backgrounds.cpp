// Backdrops: a star field with its own nebula per map, the planet under the bunny, the field's
// frame, the title screen and the stage-clear backdrops. Backdrops stay dark (sprites must read on
// them); each map has its own mood: blue, ember, aurora, violet.
#include <cmath>
#include <string>
#include <vector>

#include "pictures/families.h"
#include "pictures/text.h"

namespace datagen::pic {

namespace {

struct Mood {
    Color deep, nebulaA, nebulaB, star;
    Color land, sea, cloud, atmosphere;
    uint32_t seed;
};

const Mood kMoods[4] = {
    {Hex(0x02040c), Hex(0x1a3a8a), Hex(0x5a2a90), Hex(0xd8e8ff), Hex(0x3a8a40), Hex(0x1a4aa0), Hex(0xf0f8ff),
     Hex(0x60b0ff), 11},
    {Hex(0x0a0204), Hex(0x8a2010), Hex(0x9a5a10), Hex(0xfff0d8), Hex(0xc05a20), Hex(0x6a1a10), Hex(0xffd0a0),
     Hex(0xff8040), 22},
    {Hex(0x010806), Hex(0x0a7a5a), Hex(0x1a4a8a), Hex(0xe0fff0), Hex(0xd0f0f8), Hex(0x2a7a9a), Hex(0xffffff),
     Hex(0x80fff0), 33},
    {Hex(0x060210), Hex(0x6a1a9a), Hex(0x1a1a6a), Hex(0xf0e0ff), Hex(0xb070d0), Hex(0x4a2080), Hex(0xf0d0ff),
     Hex(0xd080ff), 44},
};

// Nebula clouds (domain-warped noise, kept dim) and stars of three sizes.
void StarField(Canvas& cv, const Mood& m, float strength) {
    const float s = 1.0f / 260.0f;
    auto nebula = [&](float x, float y) {
        float wx = Fbm(x * s, y * s, 3, m.seed) * 2.5f,
              wy = Fbm(x * s + 7.1f, y * s - 3.3f, 3, m.seed + 9) * 2.5f;
        float a = Fbm(x * s * 1.3f + wx, y * s * 1.3f + wy, 5, m.seed + 20);
        float b = Fbm(x * s * 2.1f - wy, y * s * 2.1f + wx, 4, m.seed + 40);
        float na = std::pow(std::clamp((a - 0.42f) * 2.2f, 0.0f, 1.0f), 2.0f) * strength;
        float nb = std::pow(std::clamp((b - 0.48f) * 2.4f, 0.0f, 1.0f), 2.0f) * strength * 0.8f;
        return Mix(Mix(m.deep, m.nebulaA, na * 0.65f), m.nebulaB, nb * 0.6f);
    };
    // The clouds are smooth: work them out every 4 pixels and blend in between.
    const int step = 4, gw = cv.w / step + 2, gh = cv.h / step + 2;
    std::vector<Color> grid(static_cast<size_t>(gw) * gh);
    for (int j = 0; j < gh; ++j)
        for (int i = 0; i < gw; ++i)
            grid[static_cast<size_t>(j) * gw + i] = nebula(i * step + 0.5f, j * step + 0.5f);
    cv.Shade([&](float x, float y) {
        float gx = (x - 0.5f) / step, gy = (y - 0.5f) / step;
        int i = static_cast<int>(gx), j = static_cast<int>(gy);
        float tx = gx - i, ty = gy - j;
        const Color* g = &grid[static_cast<size_t>(j) * gw + i];
        return Mix(Mix(g[0], g[1], tx), Mix(g[gw], g[gw + 1], tx), ty);
    });
    Rng rng(m.seed * 7 + 1);
    int count = cv.w * cv.h / 260;
    for (int i = 0; i < count; ++i) {
        V2 p{rng.Range(0, static_cast<float>(cv.w)), rng.Range(0, static_cast<float>(cv.h))};
        float b = rng.Uniform();
        Color col = Mix(m.star, rng.Uniform() < 0.5f ? Hex(0xffd8a0) : Hex(0xa0c8ff), rng.Uniform() * 0.5f);
        if (b < 0.85f) {
            cv.Over(static_cast<int>(p.x), static_cast<int>(p.y), col, 0.15f + b * 0.45f);
        } else if (b < 0.985f) {
            Fill(cv, Circle(p, 0.9f), WithAlpha(col, 0.75f));
        } else {
            Fill(cv, Circle(p, 1.3f), col);
            Line(cv, {p.x - 5, p.y}, {p.x + 5, p.y}, 0.8f, WithAlpha(col, 0.5f));
            Line(cv, {p.x, p.y - 5}, {p.x, p.y + 5}, 0.8f, WithAlpha(col, 0.5f));
        }
    }
}

Picture Space(int map) {
    std::string n = std::to_string(map);
    Picture p = MakePicture("map/stage" + n + "/space" + n + ".bmp", 1, 1, 1088, 1088);
    StarField(p.cv, kMoods[map - 1], 1.0f);
    return p;
}

// The planet: radius 100, the bullets' safe zone round the bunny, lit from one side.
void DrawPlanet(Canvas& cv, V2 c, float r, const Mood& m, int style) {
    const V2 light{-0.55f, -0.6f};
    float halo = r * 0.14f;
    int x0 = static_cast<int>(c.x - r - halo - 2), x1 = static_cast<int>(c.x + r + halo + 2);
    int y0 = static_cast<int>(c.y - r - halo - 2), y1 = static_cast<int>(c.y + r + halo + 2);
    for (int y = std::max(y0, cv.clipY0); y < std::min(y1, cv.clipY1); ++y)
        for (int x = std::max(x0, cv.clipX0); x < std::min(x1, cv.clipX1); ++x) {
            float dx = (x + 0.5f - c.x) / r, dy = (y + 0.5f - c.y) / r, d2 = dx * dx + dy * dy;
            float d = std::sqrt(d2);
            if (d > 1 + halo / r) continue;
            if (d > 1) {
                float t = (d - 1) / (halo / r);
                Color col = Mix(m.atmosphere, m.deep, std::pow(t, 0.6f));
                float lit = std::clamp(0.35f - (dx * light.x + dy * light.y) * 0.8f, 0.15f, 1.0f);
                cv.Over(x, y, Mix(m.deep, col, lit), 1.0f);
                continue;
            }
            float nz = std::sqrt(std::max(0.0f, 1 - d2));
            float u = std::asin(std::clamp(dx, -1.0f, 1.0f)) * 1.6f,
                  v = std::asin(std::clamp(dy, -1.0f, 1.0f)) * 1.6f;
            Color surf;
            if (style == 3) {  // banded gas giant
                float band = std::sin(v * 9 + Fbm(u * 2, v * 2, 3, m.seed) * 4);
                surf = Mix(m.sea, m.land, band * 0.5f + 0.5f);
            } else {
                float h = Fbm(u * 2.2f, v * 2.2f, 5, m.seed + 3);
                surf = h > 0.52f ? Mix(m.land, Scale(m.land, 0.7f), (h - 0.52f) * 3)
                                 : Mix(Scale(m.sea, 0.7f), m.sea, h * 2);
                if (style == 1 && h > 0.62f) surf = Mix(surf, Hex(0xffc040), (h - 0.62f) * 4);  // lava seams
                float cl = Fbm(u * 3.5f + 5, v * 3.5f, 4, m.seed + 8);
                surf = Mix(surf, m.cloud, std::clamp((cl - 0.55f) * 2.5f, 0.0f, 0.85f));
            }
            float lambert = std::clamp(-(dx * light.x + dy * light.y) + nz * 0.6f, 0.0f, 1.0f);
            Color col = Mix(Scale(surf, 0.18f), surf, 0.25f + lambert * 0.85f);
            float rim = std::pow(1 - nz, 3.0f);
            col = Mix(col, m.atmosphere, rim * 0.6f);
            col.a = 1;
            // Soft edge against the halo.
            cv.Over(x, y, col, std::clamp((1 - d) * r + 0.5f, 0.0f, 1.0f));
        }
}

Picture Earth(int map) {
    std::string n = std::to_string(map);
    Picture p = MakePicture("map/stage" + n + "/earth" + n + ".bmp", 1, 1, 512, 512);
    DrawPlanet(p.cv, {256, 256}, 100, kMoods[map - 1], map - 1);
    return p;
}

// The field's frame: a thin rail round the play square, see-through inside, with corner brackets.
Picture Blind() {
    Picture p = MakePicture("blind.bmp", 1, 1, 480, 480);
    Canvas& cv = p.cv;
    const float w = 6;
    Paint metal = Linear({0, 0}, Hex(0x4a5a8a), {480, 480}, Hex(0x1a2040));
    Fill(cv, Poly({{0, 0}, {480, 0}, {480, w}, {0, w}}), metal);
    Fill(cv, Poly({{0, 480 - w}, {480, 480 - w}, {480, 480}, {0, 480}}), metal);
    Fill(cv, Poly({{0, 0}, {w, 0}, {w, 480}, {0, 480}}), metal);
    Fill(cv, Poly({{480 - w, 0}, {480, 0}, {480, 480}, {480 - w, 480}}), metal);
    const Color edge = Hex(0x7fc8ff);
    Line(cv, {w, w}, {480 - w, w}, 1, edge);
    Line(cv, {w, 480 - w}, {480 - w, 480 - w}, 1, edge);
    Line(cv, {w, w}, {w, 480 - w}, 1, edge);
    Line(cv, {480 - w, w}, {480 - w, 480 - w}, 1, edge);
    for (int corner = 0; corner < 4; ++corner) {
        float sx = corner % 2 ? -1.0f : 1.0f, sy = corner / 2 ? -1.0f : 1.0f;
        V2 o{corner % 2 ? 480.0f : 0.0f, corner / 2 ? 480.0f : 0.0f};
        Shape bracket = Poly({o,
                              {o.x + sx * 40, o.y},
                              {o.x + sx * 34, o.y + sy * 12},
                              {o.x + sx * 12, o.y + sy * 12},
                              {o.x + sx * 12, o.y + sy * 34},
                              {o.x, o.y + sy * 40}});
        Fill(cv, bracket, Linear(o, Hex(0x8aa0d0), {o.x + sx * 30, o.y + sy * 30}, Hex(0x2a3460)));
        Fill(cv, Circle({o.x + sx * 7, o.y + sy * 7}, 2.2f), Hex(0xffd040));
    }
    // Tick marks along the sides, every 60 pixels.
    for (int i = 1; i < 8; ++i) {
        float t = i * 60.0f;
        Line(cv, {t, 0}, {t, 10}, 2, Hex(0x6a7ab0));
        Line(cv, {t, 470}, {t, 480}, 2, Hex(0x6a7ab0));
        Line(cv, {0, t}, {10, t}, 2, Hex(0x6a7ab0));
        Line(cv, {470, t}, {480, t}, 2, Hex(0x6a7ab0));
    }
    return p;
}

Picture Title() {
    Picture p = MakePicture("titleback.bmp", 1, 1, 640, 480);
    Canvas& cv = p.cv;
    Mood m = kMoods[0];
    m.seed = 55;
    StarField(cv, m, 1.1f);
    DrawPlanet(cv, {520, 520}, 190, kMoods[0], 0);
    DrawBunnyFigure(cv, {470, 340}, 0);
    // The ship passing over the planet, clear of the stage-select arrows (x 263..407, y 250..282).
    DrawShipIcon(cv, Xf{{560, 226}, -0.5f, 1.6f}, 1);
    Lettering sans(kSansFont);
    TextStyle logo;
    logo.size = 96;
    logo.top = Hex(0xffffff);
    logo.bottom = Hex(0x2aa8ff);
    logo.outline = Hex(0x040818);
    logo.outlineWidth = 4;
    logo.glow = Hex(0x2060ff);
    logo.glowRadius = 6;
    logo.tracking = 4;
    logo.maxWidth = 600;
    DrawText(cv, sans, "VELMORAN", 320, 110, logo, true);
    TextStyle sub;
    sub.size = 18;
    sub.top = Hex(0xfff0b0);
    sub.bottom = Hex(0xffa030);
    sub.outlineWidth = 2;
    sub.tracking = 6;
    DrawText(cv, sans, "DEFEND THE BUNNY", 320, 178, sub, true);
    // A calm, darker band behind the menu rows (x 64..304, y 240..384).
    cv.Clip(48, 228, 320, 396);
    for (int y = 228; y < 396; ++y)
        for (int x = 48; x < 320; ++x) {
            float* px = cv.At(x, y);
            float edge =
                std::min({(x - 48) / 16.0f, (320 - x) / 16.0f, (y - 228) / 12.0f, (396 - y) / 12.0f, 1.0f});
            for (int c = 0; c < 3; ++c) px[c] *= 1 - 0.55f * edge;
        }
    cv.ClipAll();
    Line(cv, {48, 228}, {320, 228}, 1.5f, Hex(0x3a6ac0));
    Line(cv, {48, 396}, {320, 396}, 1.5f, Hex(0x3a6ac0));
    return p;
}

// Stage-clear backdrops: rays from behind the banner; the second picture turns them half a step.
Picture ClearBack(int n) {
    Picture p = MakePicture("cl" + std::to_string(n) + ".bmp", 1, 1, 640, 480);
    const V2 c{320, 200};
    float shift = n == 2 ? kPi / 16 : 0.0f;
    p.cv.Shade([&](float x, float y) {
        V2 q{x - c.x, y - c.y};
        float a = std::atan2(q.y, q.x) + shift, d = Len(q);
        float ray = std::cos(a * 16) > 0 ? 1.0f : 0.0f;
        Color base = Mix(Hex(0x0a1a4a), Hex(0x02040e), std::min(1.0f, d / 420));
        Color lit = Mix(Hex(0x1a3a8a), Hex(0x06102a), std::min(1.0f, d / 420));
        Color col = Mix(base, lit, ray * 0.8f);
        col = Mix(col, Hex(0x000000), std::clamp(1 - d / 140, 0.0f, 0.6f));  // calm behind the text
        col.a = 1;
        return col;
    });
    Rng rng(900 + n);
    for (int i = 0; i < 160; ++i) {
        V2 s{rng.Range(0, 640), rng.Range(0, 480)};
        Fill(p.cv, Circle(s, rng.Range(0.5f, 1.4f)), WithAlpha(Hex(0xe0f0ff), rng.Range(0.3f, 0.9f)));
    }
    return p;
}

}  // namespace

void AddBackgroundJobs(Jobs& jobs) {
    for (int map = 1; map <= 4; ++map)
        jobs.push_back({"space " + std::to_string(map), [map] {
                            std::vector<Picture> v;
                            v.push_back(Space(map));
                            v.push_back(Earth(map));
                            return v;
                        }});
    jobs.push_back({"title and frames", [] {
                        std::vector<Picture> v;
                        v.push_back(Title());
                        v.push_back(Blind());
                        v.push_back(ClearBack(1));
                        v.push_back(ClearBack(2));
                        return v;
                    }});
}

}  // namespace datagen::pic
