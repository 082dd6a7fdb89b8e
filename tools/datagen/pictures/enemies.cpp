// The sixteen ordinary enemy kinds. Each family has its own colour (drifters teal, circlers orange,
// hunters red, rammers yellow, dashers violet, gunners rose, carriers silver); light and heavy kinds
// share it and differ in shape and size. Every enemy faces +x (toward the bunny) and glows with a
// warm eye. Heavy kinds repeat their four frames scorched and burning as frames 4 to 7.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "pictures/families.h"

namespace datagen::pic {

namespace {

const Color kRim = Hex(0x07040c);

Color Lighter(Color c, float t) { return Mix(c, Hex(0xffffff), t); }
Color Darker(Color c, float t) { return Mix(c, Hex(0x000000), t); }

// Rounded volume: lit near the middle, dark toward the rim.
Paint Body(V2 c, float r, Color base) {
    return Radial({c.x - r * 0.25f, c.y - r * 0.25f}, r * 1.4f, Lighter(base, 0.45f), Darker(base, 0.45f));
}

void Eye(Canvas& cv, V2 c, float r, Color col = Hex(0xffd040)) {
    Fill(cv, Circle(c, r + 1.2f), kRim);
    Fill(cv, Circle(c, r), Radial(c, r, Hex(0xffffff), col));
}

using DrawFn = std::function<void(Canvas&, const Xf&, int frame)>;

// Scorch marks, glowing cracks and flames over what a cell already holds.
void Damage(Picture& p, int k, uint32_t seed, int phase) {
    ClipCell(p, k);
    Canvas& cv = p.cv;
    for (int y = cv.clipY0; y < cv.clipY1; ++y)
        for (int x = cv.clipX0; x < cv.clipX1; ++x) {
            float* px = cv.At(x, y);
            if (px[3] <= 0) continue;
            float n = Fbm(x * 0.18f, y * 0.18f, 3, seed);
            float dark = std::clamp((n - 0.38f) * 2.2f, 0.0f, 0.75f);
            px[0] = px[0] * (1 - dark) + px[3] * dark * 0.16f;
            px[1] *= 1 - dark;
            px[2] *= 1 - dark;
        }
    V2 c = CellCentre(p, k);
    Rng rng(seed);
    float reach = std::min(p.cellW, p.cellH) * 0.28f;
    for (int i = 0; i < 3; ++i) {
        V2 a{c.x + rng.Range(-reach, reach), c.y + rng.Range(-reach, reach)};
        V2 b{a.x + rng.Range(-7, 7), a.y + rng.Range(-7, 7)};
        if (cv.At(static_cast<int>(a.x), static_cast<int>(a.y))[3] > 0.5f)
            Line(cv, a, b, 1.3f, Hex(0xff6020));
    }
    // Flames flicker with the phase.
    for (int i = 0; i < 2; ++i) {
        V2 f{c.x + rng.Range(-reach, reach * 0.5f), c.y + rng.Range(-reach, reach)};
        float r = 3.0f + ((phase + i) % 2) * 1.5f;
        Fill(cv, Circle(f, r + 1), Hex(0x401008));
        Fill(cv, Circle(f, r), Radial(f, r, Hex(0xffffa0), Hex(0xff4000)));
    }
    cv.ClipAll();
}

Picture Kind(const std::string& name, int cellH, bool heavy, uint32_t seed, const DrawFn& draw) {
    Picture p = MakePicture("enemy/" + name, 4, heavy ? 2 : 1, 64, cellH);
    for (int k = 0; k < (heavy ? 8 : 4); ++k) {
        ClipCell(p, k);
        draw(p.cv, Xf{CellCentre(p, k), 0, 1}, k % 4);
        if (k >= 4) Damage(p, k, seed + k, k);
    }
    p.cv.ClipAll();
    return p;
}

// Drifters: manta-like gliders, wings flapping over the four frames.
void Drifter(Canvas& cv, const Xf& t, int f, bool heavy) {
    const Color teal = Hex(0x20c8a0), fin = Hex(0x0f7a78);
    float flap = 1.0f + 0.18f * std::sin(f * kPi / 2);
    float span = (heavy ? 26.0f : 18.0f) * flap, back = heavy ? -5.0f : -7.0f;
    for (float s : {-1.0f, 1.0f}) {
        Shape wing = Poly(
            {t(back + 8, 4 * s), t(back - 2, span * s), t(back - 10, (span - 3) * s), t(back - 8, 5 * s)});
        FillOutlined(cv, wing, Linear(t(back, 0), Lighter(fin, 0.2f), t(back, span * s), Darker(fin, 0.3f)),
                     kRim, 1.5f);
        Fill(cv, Circle(t(back - 2, (span - 1) * s), 2.0f), Hex(0x80ffe0));
    }
    float r = heavy ? 15.0f : 10.0f;
    Shape body = Ellipse(t(back, 0), r * 1.2f, r, t.angle);
    FillOutlined(cv, body, Body(t(back, 0), r, teal), kRim, 1.7f);
    // Tail fins.
    FillOutlined(cv,
                 Poly({t(back - r, -3), t(back - r - 9, -6 - f % 2), t(back - r - 5, 0),
                       t(back - r - 9, 6 + f % 2), t(back - r, 3)}),
                 Flat(fin), kRim, 1.3f);
    if (heavy) {
        for (float s : {-1.0f, 1.0f})
            Fill(cv, Ellipse(t(back - 2, 7 * s), 5, 2, t.angle), Darker(teal, 0.4f));
        FillOutlined(cv, Ellipse(t(back + 10, 0), 5, 8, t.angle), Flat(Hex(0x158a80)), kRim, 1.2f);
    }
    Eye(cv, t(back + r * 0.75f, 0), heavy ? 4.0f : 3.0f);
}

// Circlers: spinning saucers; the rim lights run round over the frames.
void Circler(Canvas& cv, const Xf& t, int f) {
    const Color orange = Hex(0xff8a1e);
    for (float s : {-1.0f, 1.0f})
        FillOutlined(cv, Circle(t(0, 16 * s), 5), Body(t(0, 16 * s), 5, Hex(0xd06010)), kRim, 1.4f);
    FillOutlined(cv, Circle(t(-1, 0), 13.5f), Body(t(-1, 0), 13.5f, orange), kRim, 1.8f);
    Fill(cv, Ring(t(-1, 0), 9.5f, 1.0f), Darker(orange, 0.45f));
    for (int i = 0; i < 8; ++i) {
        float a = i * kPi / 4 + f * kPi / 16;
        V2 l = t(-1 + std::cos(a) * 11.5f, std::sin(a) * 11.5f);
        Fill(cv, Circle(l, 1.4f), i % 2 ? Hex(0xffe8a0) : Hex(0x7a2a00));
    }
    Eye(cv, t(2, 0), 4.5f, Hex(0xff3030));
}

void HeavyCircler(Canvas& cv, const Xf& t, int f) {
    const Color orange = Hex(0xff7a10);
    Fill(cv, Capsule(t(0, -16), t(0, 16), 4.5f), kRim);
    Fill(cv, Capsule(t(0, -16), t(0, 16), 3.2f), Hex(0x8a4010));
    for (float s : {-1.0f, 0.0f, 1.0f}) {
        V2 c = t(0, 16 * s);
        FillOutlined(cv, Circle(c, 10), Body(c, 10, s == 0 ? orange : Hex(0xe06a10)), kRim, 1.7f);
        for (int b = 0; b < 3; ++b) {
            float a = b * 2 * kPi / 3 + f * kPi / 6 * (s == 0 ? 1 : -1);
            Line(cv, c, {c.x + std::cos(a) * 7, c.y + std::sin(a) * 7}, 2.2f, Darker(orange, 0.5f));
        }
        Fill(cv, Circle(c, 3), s == 0 ? Hex(0xffd0a0) : Hex(0xffa040));
    }
    Eye(cv, t(6, 0), 3.5f, Hex(0xff3030));
}

// Hunters: sharp red arrowheads, engines flickering.
void Hunter(Canvas& cv, const Xf& t, int f, float k) {
    const Color red = Hex(0xe83040);
    FillLight(cv, Ellipse(t(-13 * k - 3, 0), (5 + f % 2 * 2) * k, 2.5f * k, t.angle), Flat(Hex(0xffa040)));
    Shape body = Poly({t(14 * k, 0), t(-10 * k, -12 * k), t(-6 * k, 0), t(-10 * k, 12 * k)});
    FillOutlined(cv, body, Linear(t(0, -10 * k), Lighter(red, 0.35f), t(0, 10 * k), Darker(red, 0.4f)), kRim,
                 1.7f);
    Fill(cv, Poly({t(12 * k, 0), t(-4 * k, -2.5f * k), t(-4 * k, 2.5f * k)}), Darker(red, 0.5f));
    Eye(cv, t(3 * k, 0), 2.6f * k);
}

void HeavyHunter(Canvas& cv, const Xf& t, int f) {
    const Color red = Hex(0xd02030);
    for (float s : {-1.0f, 1.0f}) {
        FillLight(cv, Ellipse(t(-22 - f % 2 * 2, 8 * s), 6, 2.5f, t.angle), Flat(Hex(0xffa040)));
        FillOutlined(cv, Poly({t(4, 8 * s), t(-14, 24 * s), t(-20, 22 * s), t(-12, 6 * s)}),
                     Linear(t(0, 0), red, t(0, 24 * s), Darker(red, 0.5f)), kRim, 1.5f);
        FillOutlined(cv, Capsule(t(-8, 8 * s), t(-20, 8 * s), 3.2f), Flat(Hex(0x802030)), kRim, 1.3f);
    }
    Shape body = Poly({t(24, 0), t(4, -9), t(-18, -7), t(-14, 0), t(-18, 7), t(4, 9)});
    FillOutlined(cv, body, Linear(t(0, -9), Lighter(red, 0.4f), t(0, 9), Darker(red, 0.4f)), kRim, 1.8f);
    FillOutlined(cv, Poly({t(14, -4), t(22, -12), t(18, -3)}), Flat(red), kRim, 1.2f);
    FillOutlined(cv, Poly({t(14, 4), t(22, 12), t(18, 3)}), Flat(red), kRim, 1.2f);
    Eye(cv, t(6, 0), 4.2f);
}

// Spread hunter: a wide red wing with two gun pods far out to the sides (64 x 128 cells).
void SpreadHunter(Canvas& cv, const Xf& t, int f) {
    const Color red = Hex(0xc81830);
    for (float s : {-1.0f, 1.0f}) {
        Shape wing = Poly({t(8, 8 * s), t(-2, 28 * s), t(-12, 46 * s), t(-20, 44 * s), t(-18, 10 * s)});
        FillOutlined(cv, wing, Linear(t(0, 8 * s), Lighter(red, 0.25f), t(-14, 44 * s), Darker(red, 0.5f)),
                     kRim, 1.6f);
        Line(cv, t(-4, 14 * s), t(-14, 40 * s), 1.4f, Hex(0xffb040));
        FillLight(cv, Ellipse(t(-19 - f % 2 * 2, 34 * s), 5, 2.5f, t.angle), Flat(Hex(0xffa040)));
        V2 pc = t(-3, 34 * s);
        Shape pod = Union(Circle(pc, 10.5f), Poly({t(-3, 24.5f * s), t(20, 34 * s), t(-3, 43.5f * s)}));
        FillOutlined(cv, pod, Body(pc, 12, Hex(0xb02030)), kRim, 1.6f);
        Fill(cv, Circle(t(20, 34 * s), 2.2f), Hex(0xffe060));
        Eye(cv, t(2, 34 * s), 3.5f);
    }
    Shape body = Poly({t(26, 0), t(4, -13), t(-20, -11), t(-14, 0), t(-20, 11), t(4, 13)});
    FillOutlined(cv, body, Linear(t(0, -13), Lighter(red, 0.45f), t(0, 13), Darker(red, 0.35f)), kRim, 1.8f);
    Fill(cv, Poly({t(22, 0), t(2, -3), t(-10, 0), t(2, 3)}), Darker(red, 0.5f));
    Eye(cv, t(6, 0), 5.0f);
}

// Rammers: yellow drills; the stripes turn with the frames.
void Drill(Canvas& cv, const Xf& t, int f, float r) {
    const Color gold = Hex(0xffc820);
    Shape cone = Poly({t(r * 1.45f, 0), t(-r * 0.3f, -r), t(-r * 0.3f, r)});
    FillOutlined(cv, cone, Linear(t(0, -r), Lighter(gold, 0.5f), t(0, r), Darker(gold, 0.45f)), kRim, 1.6f);
    for (int i = 0; i < 3; ++i) {
        float u = std::fmod(i / 3.0f + f / 12.0f, 1.0f);
        float x0 = -r * 0.3f + u * r * 1.6f, w = r * (1 - u * 0.9f);
        Line(cv, t(x0, -w * 0.9f), t(x0 + r * 0.25f, w * 0.9f), 1.6f, Darker(gold, 0.55f));
    }
    FillOutlined(cv, Ellipse(t(-r * 0.55f, 0), r * 0.45f, r * 0.95f, t.angle),
                 Body(t(-r * 0.55f, 0), r, Hex(0x9a7a20)), kRim, 1.5f);
    Eye(cv, t(-r * 0.55f, 0), r * 0.28f, Hex(0xff4020));
}

void SplitRammer(Canvas& cv, const Xf& t, int f) {
    const float a = 2 * kPi / 3;
    Fill(cv, Circle(t(0, 0), 9), kRim);
    for (int i = 0; i < 3; ++i) {
        float ang = i * a;
        Xf d{t(std::cos(ang) * 11, std::sin(ang) * 11), t.angle + ang, 1};
        Drill(cv, d, f + i, 10);
    }
    FillOutlined(cv, Circle(t(0, 0), 7), Body(t(0, 0), 7, Hex(0xd09010)), kRim, 1.5f);
    Eye(cv, t(0, 0), 3, Hex(0xff4020));
}

// Dashers: violet squids with the body behind the centre, fins trailing.
void Dasher(Canvas& cv, const Xf& t, int f, float k, float back) {
    const Color violet = Hex(0xa050ff);
    float sway = std::sin(f * kPi / 2) * 2 * k;
    // Tentacle tips stay well inside the cell whatever the size.
    auto tip = [&](float fw, float sd) { return t(std::max(fw, -27.0f), std::clamp(sd, -25.0f, 25.0f)); };
    for (float s : {-1.0f, 1.0f})
        for (int i = 0; i < 2; ++i) {
            float y = (5 + i * 5) * s * k;
            Line(cv, t(back - 8 * k, y), tip(back - (20 + i * 3) * k, y + sway + s * 3 * k), 2.6f * k,
                 Hex(0x5a2090));
        }
    Shape body = Union(Circle(t(back, 0), 12.5f * k),
                       Poly({t(back + 4 * k, -9 * k), t(back + 24 * k, 0), t(back + 4 * k, 9 * k)}));
    FillOutlined(cv, body, Body(t(back, 0), 13 * k, violet), kRim, 1.7f);
    for (float s : {-1.0f, 1.0f})
        FillOutlined(
            cv,
            Poly({t(back - 4 * k, 10 * s * k), tip(back - 14 * k, 20 * s * k), t(back - 12 * k, 8 * s * k)}),
            Flat(Hex(0x7030c0)), kRim, 1.2f);
    Eye(cv, t(back + 6 * k, -4 * k), 2.6f * k, Hex(0xfff060));
    Eye(cv, t(back + 6 * k, 4 * k), 2.6f * k, Hex(0xfff060));
}

void SprayDasher(Canvas& cv, const Xf& t, int f) {
    const Color violet = Hex(0x9040f0);
    for (float s : {-1.0f, 1.0f}) {
        Fill(cv, Capsule(t(-4, 6 * s), t(-18, 26 * s), 4.5f), kRim);
        Fill(cv, Capsule(t(-4, 6 * s), t(-18, 26 * s), 3.2f), Hex(0x5a2090));
        V2 pc = t(-18, 26 * s);
        FillOutlined(cv, Circle(pc, 13.5f), Body(pc, 13.5f, Hex(0x7a30d0)), kRim, 1.6f);
        for (int i = 0; i < 4; ++i) {
            float a = i * kPi / 2 + f * kPi / 8;
            Fill(cv, Circle({pc.x + std::cos(a) * 8, pc.y + std::sin(a) * 8}, 2), Hex(0xe0b0ff));
        }
        Eye(cv, pc, 4, Hex(0xff60c0));
    }
    Dasher(cv, t, f, 1.45f, -2);
    (void)violet;
}

// Gunners: rose turrets with a forward cannon that recoils over the frames.
void Gunner(Canvas& cv, const Xf& t, int f, bool heavy) {
    const Color rose = Hex(0xff5a9a);
    float recoil = (f == 1 ? -3.0f : f == 2 ? -1.5f : 0.0f);
    float r = heavy ? 18.0f : 11.5f, back = heavy ? -4.0f : 0.0f;
    for (float s : heavy ? std::vector<float>{-1, 1} : std::vector<float>{0}) {
        float y = s * 6;
        FillOutlined(cv, Capsule(t(back + 4, y), t(back + r + 10 + recoil, y), heavy ? 3.4f : 3.0f),
                     Flat(Hex(0xb0a0b8)), kRim, 1.4f);
        Fill(cv, Circle(t(back + r + 10 + recoil, y), 1.8f), Hex(0x301020));
    }
    // Base plate with legs.
    for (int i = 0; i < 4; ++i) {
        float a = kPi / 4 + i * kPi / 2;
        FillOutlined(
            cv, Capsule(t(back, 0), t(back + std::cos(a) * r * 1.25f, std::sin(a) * r * 1.25f), r * 0.22f),
            Flat(Hex(0x902050)), kRim, 1.3f);
    }
    FillOutlined(cv, Circle(t(back, 0), r), Body(t(back, 0), r, rose), kRim, 1.8f);
    Fill(cv, Ring(t(back, 0), r * 0.62f, 1.0f), Darker(rose, 0.45f));
    if (heavy)
        for (int i = 0; i < 6; ++i) {
            float a = i * kPi / 3 + f * kPi / 12;
            Fill(cv, Circle(t(back + std::cos(a) * r * 0.8f, std::sin(a) * r * 0.8f), 1.6f), Hex(0xffe0f0));
        }
    Eye(cv, t(back + r * 0.2f, 0), heavy ? 5.0f : 3.5f);
}

// Item carriers: a silver tug at (-16, 0) towing the item pod on its left (or right) side; the
// pod shows the carried item, lit and dim in turn (two frames per item kind).
Picture Carrier(bool left) {
    Picture p = MakePicture(std::string("enemy/itemCarrier") + (left ? "L" : "R") + ".bmp", 2, 5, 64, 64, 10);
    for (int k = 0; k < 10; ++k) {
        ClipCell(p, k);
        Xf t{CellCentre(p, k), 0, 1};
        Canvas& cv = p.cv;
        float s = left ? -1.0f : 1.0f;
        int item = k / 2;
        bool lit = k % 2 == 0;
        Fill(cv, Capsule(t(-16, 0), t(-16, 21 * s), 4.5f), kRim);
        Fill(cv, Capsule(t(-16, 0), t(-16, 21 * s), 3.0f), Hex(0x7080a0));
        Shape hull = Union(Ellipse(t(-16, 0), 13, 9.5f, 0), Poly({t(-8, -6), t(4, 0), t(-8, 6)}));
        FillOutlined(cv, hull, Body(t(-14, 0), 13, Hex(0xc8d0e0)), kRim, 1.7f);
        FillLight(cv, Ellipse(t(-30, 0), 4, 2.5f, 0), Flat(Hex(0x80c0ff)));
        Fill(cv, Ellipse(t(-10, 0), 4, 3, 0), Hex(0x304060));
        Eye(cv, t(-3, 0), 2.4f, Hex(0xffd040));
        V2 pod = t(-16, 21 * s);
        Fill(cv, Circle(pod, 11.5f), kRim);
        Fill(cv, Circle(pod, 10.5f), lit ? Hex(0xffffff) : Hex(0x606a80));
        DrawItemIcon(cv, item, pod, 0.62f, 0);
    }
    p.cv.ClipAll();
    return p;
}

std::string Teki(int n) { return "teki" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".bmp"; }

}  // namespace

void AddEnemyJobs(Jobs& jobs) {
    jobs.push_back({"drifters and circlers", [] {
                        std::vector<Picture> v;
                        v.push_back(Kind(Teki(0), 64, false, 10,
                                         [](Canvas& c, const Xf& t, int f) { Drifter(c, t, f, false); }));
                        v.push_back(Kind(Teki(1), 64, true, 11,
                                         [](Canvas& c, const Xf& t, int f) { Drifter(c, t, f, true); }));
                        v.push_back(Kind(Teki(2), 64, false, 12, Circler));
                        v.push_back(Kind(Teki(3), 64, true, 13, HeavyCircler));
                        return v;
                    }});
    jobs.push_back({"hunters and rammers", [] {
                        std::vector<Picture> v;
                        v.push_back(Kind(Teki(4), 64, false, 14,
                                         [](Canvas& c, const Xf& t, int f) { Hunter(c, t, f, 1.25f); }));
                        v.push_back(Kind(Teki(5), 64, true, 15, HeavyHunter));
                        v.push_back(Kind(Teki(6), 64, false, 16,
                                         [](Canvas& c, const Xf& t, int f) { Drill(c, t, f, 13); }));
                        v.push_back(Kind(Teki(7), 64, true, 17, SplitRammer));
                        v.push_back(Kind(Teki(12), 128, true, 22, SpreadHunter));
                        return v;
                    }});
    jobs.push_back({"dashers, gunners and carriers", [] {
                        std::vector<Picture> v;
                        v.push_back(Kind(Teki(8), 64, false, 18,
                                         [](Canvas& c, const Xf& t, int f) { Dasher(c, t, f, 1.0f, -9); }));
                        v.push_back(Kind(Teki(9), 64, true, 19,
                                         [](Canvas& c, const Xf& t, int f) { Dasher(c, t, f, 1.5f, -7); }));
                        v.push_back(Kind(Teki(10), 64, false, 20,
                                         [](Canvas& c, const Xf& t, int f) { Gunner(c, t, f, false); }));
                        v.push_back(Kind(Teki(11), 64, true, 21,
                                         [](Canvas& c, const Xf& t, int f) { Gunner(c, t, f, true); }));
                        v.push_back(Kind(Teki(13), 128, true, 23, SprayDasher));
                        v.push_back(Carrier(true));
                        v.push_back(Carrier(false));
                        return v;
                    }});
}

}  // namespace datagen::pic
