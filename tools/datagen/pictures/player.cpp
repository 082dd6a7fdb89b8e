// The player's side: ship, spare-ship marker, options, shots, items and the bunny.
// Palette: white hull with cyan glass and blue engines; shots cyan (ship) and mint (options).
#include <cmath>
#include <string>

#include "pictures/families.h"
#include "pictures/text.h"

namespace datagen::pic {

namespace {

const Color kRim = Hex(0x060812);
const Color kHullLight = Hex(0xf4f8ff), kHullDark = Hex(0x8a9cc0);
const Color kCyan = Hex(0x40e0ff), kDeepBlue = Hex(0x1a4cc0);

// The ship faces +x. `phase` 0..3 drives the turbine and the chasing wing lights (1 = at rest).
void DrawShipShape(Canvas& cv, const Xf& t, int phase) {
    const float k = t.k;
    // Engine flame behind.
    float flame = phase == 1 ? 1.0f : 1.25f;
    FillLight(cv, Ellipse(t(-21 - 3 * flame, 0), 8 * flame * k, 4 * k, t.angle),
              Radial(t(-19, 0), 10 * k, Hex(0xd0f4ff), Hex(0x2060ff, 0)));
    // Swept wings.
    for (float s : {-1.0f, 1.0f}) {
        Shape wing = Poly({t(6, 5 * s), t(-8, 24 * s), t(-16, 25 * s), t(-13, 6 * s)});
        FillOutlined(cv, wing, Linear(t(0, 4 * s), kHullLight, t(-14, 24 * s), kHullDark), kRim, 1.6f * k);
        Line(cv, t(-2, 9 * s), t(-11, 21 * s), 1.6f * k, kDeepBlue);
        // Wing-tip lights chase round: one tip is lit per phase.
        bool lit = (phase == 0 && s < 0) || (phase == 2 && s > 0) || phase == 1;
        Fill(cv, Circle(t(-14, 24 * s), 2.2f * k),
             lit ? (s < 0 ? Hex(0xff5060) : Hex(0x60ff90)) : Hex(0x304060));
    }
    // Side engine pods.
    for (float s : {-1.0f, 1.0f}) {
        Shape pod = Capsule(t(-2, 11 * s), t(-17, 11 * s), 3.6f * k);
        FillOutlined(cv, pod, Linear(t(0, 8 * s), Hex(0xc8d4f0), t(0, 14 * s), Hex(0x5a6a90)), kRim,
                     1.4f * k);
        Fill(cv, Circle(t(-18, 11 * s), 2.2f * k), Hex(0x9fe8ff));
    }
    // Hull.
    Shape hull = Poly({t(25, 0), t(10, -6), t(-6, -8.5f), t(-17, -5), t(-17, 5), t(-6, 8.5f), t(10, 6)});
    FillOutlined(cv, hull, Linear(t(0, -8), kHullLight, t(0, 8), Hex(0xb0c0e0)), kRim, 1.8f * k);
    Fill(cv, Poly({t(25, 0), t(10, -1.2f), t(-12, -1.2f), t(-12, 1.2f), t(10, 1.2f)}), Hex(0x8aa0d0));
    // Turbine at the back: a disc whose blades turn with the phase.
    Fill(cv, Circle(t(-12, 0), 4.5f * k), Hex(0x203060));
    for (int b = 0; b < 3; ++b) {
        float a = phase * kPi / 6 + b * 2 * kPi / 3;
        V2 c = t(-12, 0);
        V2 e{c.x + std::cos(a + t.angle) * 4 * k, c.y + std::sin(a + t.angle) * 4 * k};
        Line(cv, c, e, 1.4f * k, kCyan);
    }
    // Cockpit glass.
    Fill(cv, Ellipse(t(7, 0), 7 * k, 3.6f * k, t.angle),
         Radial(t(9, -1), 7 * k, Hex(0xe0ffff), Hex(0x0a70c0)));
    Fill(cv, Ellipse(t(9, -1.2f), 2.5f * k, 1.0f * k, t.angle), Hex(0xffffff, 0.9f));
}

Picture Ship() {
    Picture p = MakePicture("jiki/jiki.bmp", 2, 2, 64, 64);
    for (int k = 0; k < 4; ++k) {
        ClipCell(p, k);
        DrawShipShape(p.cv, Xf{CellCentre(p, k), 0, 1}, k);
    }
    p.cv.ClipAll();
    return p;
}

Picture SpareShip() {
    Picture p = MakePicture("zanki.bmp", 1, 1, 24, 24);
    DrawShipShape(p.cv, Xf{{12, 13}, -kPi / 2, 0.42f}, 1);  // drawn unturned: nose up
    return p;
}

// Option: a cyan orb in a gimbal ring, with a nub toward its firing direction (+x).
Picture Option() {
    Picture p = MakePicture("jiki/opt.bmp", 1, 1, 32, 32);
    Xf t{{16, 16}, 0, 1};
    FillOutlined(p.cv, Poly({t(13, 0), t(6, -4), t(6, 4)}), Flat(Hex(0xd0e8ff)), kRim, 1.4f);
    FillOutlined(p.cv, Ring(t(0, 0), 9, 1.6f), Flat(Hex(0x8aa8d8)), kRim, 1.2f);
    Fill(p.cv, Circle(t(0, 0), 6.5f), Radial(t(-1.5f, -1.5f), 7, Hex(0xffffff), Hex(0x10a0e0)));
    Fill(p.cv, Circle(t(-2, -2), 1.8f), Hex(0xffffff));
    return p;
}

// A shot bolt along +x: bright core, coloured body, soft glow (PNG alpha).
Picture Bolt(const std::string& name, Color body, Color glow, float length, float width) {
    Picture p = MakePicture(name, 4, 2, 96, 96);
    for (int k = 0; k < 8; ++k) {
        ClipCell(p, k);
        Xf t{CellCentre(p, k), 0, 1};
        float pulse = 1.0f + 0.12f * std::sin(k * kPi / 2);
        Glow(p.cv, t(0, 0), width * 2.6f * pulse, WithAlpha(glow, 1), 0.55f);
        Glow(p.cv, t(length * 0.25f, 0), width * 1.6f, WithAlpha(glow, 1), 0.5f);
        Fill(p.cv, Capsule(t(-length * 0.5f, 0), t(length * 0.5f, 0), width * pulse), body);
        Fill(p.cv, Capsule(t(-length * 0.35f, 0), t(length * 0.5f - 1, 0), width * 0.45f), Hex(0xffffff));
        // Trailing sparks.
        for (int i = 1; i <= 3; ++i)
            Fill(p.cv, Circle(t(-length * 0.5f - i * 5.0f, ((k + i) % 3 - 1) * 1.5f), 1.6f - i * 0.3f),
                 WithAlpha(body, 1 - i * 0.25f));
    }
    p.cv.ClipAll();
    return p;
}

Picture Napalm() {
    Picture p = MakePicture("jiki/napalm.bmp", 4, 2, 64, 64);
    for (int k = 0; k < 8; ++k) {
        ClipCell(p, k);
        Xf t{CellCentre(p, k), 0, 1};
        Rng rng(300 + k);
        // Flame tail toward -x, wobbling with the frame.
        for (int i = 5; i >= 0; --i) {
            float f = -4.0f - i * 3.5f, s = std::sin(k * 0.8f + i) * 1.5f;
            Fill(p.cv, Circle(t(f, s), 7.0f - i * 0.9f), Mix(Hex(0xffe070), Hex(0xc02000), i / 5.0f));
        }
        Fill(p.cv, Circle(t(4, 0), 8.5f), Radial(t(6, 0), 9, Hex(0xffffff), Hex(0xff8010)));
        Fill(p.cv, Ring(t(4, 0), 8.5f, 1.0f), Hex(0xff4010));
        for (int i = 0; i < 3; ++i)
            Fill(p.cv, Circle(t(rng.Range(-10, 8), rng.Range(-7, 7)), 1.4f), Hex(0xffffa0));
    }
    p.cv.ClipAll();
    return p;
}

// The napalm's bomb: drawn additively from a speck to three times this size, so the ball fills
// about 70 % of the half cell (the reach of its hit circle). A fireball first, then a shock ring
// that runs out to that reach and thins; added light, so black is see-through and every edge fades
// to black: the late frames, scaled past the field's width, show as a ring of light, never a disc.
Picture Bomb() {
    Picture p = MakePicture("jiki/bomb.BMP", 2, 2, 192, 192);
    // Heat to light: deep red, orange, then pale gold to white at the crest.
    auto heat = [](float v) {
        v = std::max(v, 0.0f);
        if (v < 0.35f) return Scale(Hex(0xd82018), v / 0.35f);
        if (v < 0.7f) return Mix(Hex(0xd82018), Hex(0xff8c28), (v - 0.35f) / 0.35f);
        return Mix(Hex(0xff8c28), Hex(0xfff6d8), (v - 0.7f) / 0.4f);
    };
    const float reach = 67;
    const float shellAt[4] = {0.45f, 0.72f, 0.92f, 1.02f}, shellWidth[4] = {0.3f, 0.2f, 0.14f, 0.1f};
    const float shellPeak[4] = {0.9f, 1.1f, 0.95f, 0.6f}, body[4] = {1.25f, 0.75f, 0.32f, 0.1f};
    for (int k = 0; k < 4; ++k) {
        ClipCell(p, k);
        const V2 c = CellCentre(p, k);
        p.cv.Shade([&](float x, float y) {
            V2 q{x - c.x, y - c.y};
            float d = Len(q) / reach;
            float a = std::atan2(q.y, q.x);
            float n = Fbm(x * 0.06f + k * 3, y * 0.06f, 3, 900 + k);
            // Streaks along the radius: noise of the angle, stretched outward.
            float rays = Noise(std::cos(a) * 9 + 20, std::sin(a) * 9 + 20 + d * 1.5f, 931 + k);
            float shell = shellPeak[k] * std::exp(-std::pow((d - shellAt[k]) / shellWidth[k], 2.0f));
            float core = body[k] * std::clamp(1.0f - d / (shellAt[k] + 0.1f), 0.0f, 1.0f);
            float v = (shell + core * core) * (0.7f + n * 0.6f) + rays * rays * 0.35f * shell;
            v *= std::clamp((1.32f - d) / 0.2f, 0.0f, 1.0f);  // nothing reaches the cell's edge
            Color col = heat(v);
            col.a = d < 1.35f ? 1.0f : 0.0f;
            return col;
        });
        if (k >= 2) {  // embers thrown ahead of the ring
            Rng rng(950 + k);
            for (int i = 0; i < 14; ++i) {
                float ang = rng.Range(0, 2 * kPi), r = reach * (shellAt[k] + rng.Range(0.02f, 0.2f));
                V2 e{c.x + std::cos(ang) * r, c.y + std::sin(ang) * r};
                Glow(p.cv, e, rng.Range(1.2f, 2.2f), Hex(0xffe0a0), k == 2 ? 0.9f : 0.6f);
            }
        }
    }
    p.cv.ClipAll();
    return p;
}

// Items: a coloured badge whose symbol reads upright when the item points down the screen
// (its +x is "down" in the symbol's frame), as it does parked beside the ship.
struct ItemLook {
    Color ring, core;
};

void ItemSymbol(Canvas& cv, int kind, const Xf& t) {
    // t maps (right, down) of the symbol into the file.
    const Color w = Hex(0xffffff);
    switch (kind) {
        case 0:  // option: a small orb with its ring
            Fill(cv, Ring(t(0, 0), 5.5f, 1.2f), w);
            Fill(cv, Circle(t(0, 0), 3), Hex(0xffffff));
            Fill(cv, Circle(t(5.5f, -2), 1.8f), Hex(0xffffff));
            break;
        case 1:  // extra life: a heart
            Fill(cv,
                 Union(Union(Circle(t(-2.8f, -1.5f), 3.3f), Circle(t(2.8f, -1.5f), 3.3f)),
                       Poly({t(-6, -0.5f), t(6, -0.5f), t(0, 6.5f)})),
                 w);
            break;
        case 2:  // twin: two parallel bolts
            Fill(cv, Capsule(t(-3, -6), t(-3, 6), 1.8f), w);
            Fill(cv, Capsule(t(3, -6), t(3, 6), 1.8f), w);
            break;
        case 3:  // napalm: a flame
            Fill(cv, Union(Circle(t(0, 2.5f), 4.2f), Poly({t(-4, 2), t(0, -7.5f), t(4, 2)})), w);
            Fill(cv, Circle(t(0, 3.2f), 2.0f), Hex(0xff8a20));
            break;
        default:  // spread: a fan of three
            Fill(cv, Capsule(t(0, 5), t(0, -6.5f), 1.5f), w);
            Fill(cv, Capsule(t(0, 5), t(-5.5f, -4.5f), 1.5f), w);
            Fill(cv, Capsule(t(0, 5), t(5.5f, -4.5f), 1.5f), w);
            break;
    }
}

const ItemLook kItemLooks[5] = {{Hex(0x30c8ff), Hex(0x0a4a90)},
                                {Hex(0xff5a8a), Hex(0x901030)},
                                {Hex(0x50f070), Hex(0x107030)},
                                {Hex(0xff8a20), Hex(0x903800)},
                                {Hex(0xffe040), Hex(0x8a6a00)}};

void DrawItemBadge(Canvas& cv, int kind, V2 c, float scale, int frame) {
    const ItemLook& look = kItemLooks[kind];
    Xf t{c, -kPi / 2, scale};
    float spin = frame * kPi / 8;
    Shape hex = Poly({t(std::cos(spin) * 14, std::sin(spin) * 14),
                      t(std::cos(spin + 1.047f) * 14, std::sin(spin + 1.047f) * 14),
                      t(std::cos(spin + 2.094f) * 14, std::sin(spin + 2.094f) * 14),
                      t(std::cos(spin + 3.14f) * 14, std::sin(spin + 3.14f) * 14),
                      t(std::cos(spin + 4.19f) * 14, std::sin(spin + 4.19f) * 14),
                      t(std::cos(spin + 5.24f) * 14, std::sin(spin + 5.24f) * 14)});
    Fill(cv, Grow(hex, 1.5f * scale), kRim);
    Fill(cv, hex, look.ring);
    Fill(cv, Circle(c, 10.5f * scale),
         Radial(t(-3, -3), 12 * scale, Mix(look.ring, Hex(0xffffff), 0.2f), look.core));
    ItemSymbol(cv, kind, t);
}

Picture Item(int kind) {
    Picture p = MakePicture("item/item" + std::to_string(kind) + ".bmp", 4, 1, 32, 32);
    for (int k = 0; k < 4; ++k) {
        ClipCell(p, k);
        DrawItemBadge(p.cv, kind, CellCentre(p, k), 1.0f, k);
    }
    p.cv.ClipAll();
    return p;
}

// The bunny: white fur, pink ears, standing on the field centre (bottom middle of its cell).
void DrawBunny(Canvas& cv, V2 feet, int frame, bool hurt) {
    const Color fur = Hex(0xfafaff), shade = Hex(0xc8c8e8), pink = Hex(0xff9ab8);
    float bob = frame == 1 ? 1.5f : 0.0f;
    float earTilt = frame == 1 ? 0.22f : 0.08f;
    V2 head{feet.x, feet.y - 52 + bob};
    for (float s : {-1.0f, 1.0f}) {
        float a = s * earTilt;
        V2 ear{head.x + s * 7 + std::sin(a) * 16, head.y - 22};
        Fill(cv, Grow(Ellipse(ear, 5.5f, 17, a), 1.6f), kRim);
        Fill(cv, Ellipse(ear, 5.5f, 17, a), Linear({0, ear.y - 17}, fur, {0, ear.y + 17}, shade));
        Fill(cv, Ellipse({ear.x, ear.y + 2}, 2.6f, 12, a), pink);
    }
    Shape body = Ellipse({feet.x, feet.y - 20}, 17, 20, 0);
    FillOutlined(cv, body, Radial({feet.x - 5, feet.y - 30}, 30, fur, shade), kRim, 1.6f);
    Fill(cv, Ellipse({feet.x, feet.y - 15}, 9, 11, 0), Hex(0xffffff));
    for (float s : {-1.0f, 1.0f})
        FillOutlined(cv, Ellipse({feet.x + s * 10, feet.y - 4}, 8, 4, 0), Flat(fur), kRim, 1.4f);
    Shape face = Circle(head, 16);
    FillOutlined(cv, face, Radial({head.x - 4, head.y - 5}, 22, fur, shade), kRim, 1.6f);
    for (float s : {-1.0f, 1.0f}) {
        V2 e{head.x + s * 6, head.y - 1};
        if (hurt) {
            Line(cv, {e.x - 3, e.y - 2 - s * 0}, {e.x + 3, e.y}, 1.6f, kRim);
            Line(cv, {e.x - 3, e.y + 2}, {e.x + 3, e.y}, 1.6f, kRim);
            continue;
        }
        Fill(cv, Ellipse(e, 2.6f, 3.4f, 0), Hex(0x201838));
        Fill(cv, Circle({e.x - 0.8f, e.y - 1.2f}, 1.0f), Hex(0xffffff));
        Fill(cv, Ellipse({e.x + s * 3, e.y + 5}, 2.6f, 1.4f, 0), Hex(0xffb0c8, 0.8f));
    }
    Fill(cv, Ellipse({head.x, head.y + 5}, 2.0f, 1.4f, 0), Hex(0xff6a90));
    Line(cv, {head.x, head.y + 6}, {head.x, head.y + 8.5f}, 1.0f, Hex(0x806080));
}

Picture Bunny() {
    Picture p = MakePicture("bunny.bmp", 2, 1, 64, 96);
    for (int k = 0; k < 2; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        DrawBunny(p.cv, {c.x, c.y + 46}, k, false);
    }
    p.cv.ClipAll();
    return p;
}

// Hurt picture: a red burst behind the bunny's pained face; the game scales it up to twice its size.
Picture BunnyHurt() {
    Picture p = MakePicture("bunnyDamage.bmp", 1, 1, 64, 64);
    V2 c{32, 32};
    std::vector<V2> star;
    for (int i = 0; i < 20; ++i) {
        float a = i * kPi / 10, r = i % 2 ? 17.0f : 30.0f;
        star.push_back({c.x + std::cos(a) * r, c.y + std::sin(a) * r});
    }
    FillOutlined(p.cv, Poly(star), Radial(c, 30, Hex(0xfff080), Hex(0xff2010)), kRim, 1.5f);
    Canvas& cv = p.cv;
    FillOutlined(cv, Circle(c, 13), Radial({c.x - 3, c.y - 4}, 18, Hex(0xffffff), Hex(0xd0d0f0)), kRim, 1.4f);
    for (float s : {-1.0f, 1.0f}) {
        V2 e{c.x + s * 5, c.y - 2};
        Line(cv, {e.x - 3 * s, e.y - 2}, {e.x + 2 * s, e.y}, 1.6f, kRim);
        Line(cv, {e.x - 3 * s, e.y + 2}, {e.x + 2 * s, e.y}, 1.6f, kRim);
        Fill(cv, Ellipse({e.x + s * 1, e.y + 5}, 1.3f, 2.6f, 0), Hex(0x60c0ff));
    }
    Fill(cv, Ellipse({c.x, c.y + 7}, 3.2f, 2.2f, 0), Hex(0x802040));
    return p;
}

Picture BunnyDead() {
    Picture p = MakePicture("bunny_dead.bmp", 1, 1, 96, 96);
    Canvas& cv = p.cv;
    const Color fur = Hex(0xd8d8e8), shade = Hex(0x9a9ab8);
    // Lying flat on the ground, ears drooping, eyes crossed out; a little ghost drifts up.
    for (float s : {0.0f, 1.0f})
        FillOutlined(cv, Ellipse({22 + s * 8, 80 - s * 3}, 14, 4.5f, 0.15f - s * 0.3f), Flat(fur), kRim,
                     1.4f);
    FillOutlined(cv, Ellipse({60, 82}, 24, 12, 0), Radial({55, 76}, 26, fur, shade), kRim, 1.6f);
    FillOutlined(cv, Circle({40, 78}, 13), Radial({37, 74}, 16, fur, shade), kRim, 1.6f);
    for (float x : {35.0f, 45.0f}) {
        Line(cv, {x - 2.5f, 74.5f}, {x + 2.5f, 79.5f}, 1.6f, kRim);
        Line(cv, {x - 2.5f, 79.5f}, {x + 2.5f, 74.5f}, 1.6f, kRim);
    }
    Fill(cv, Circle({78, 88}, 5), Hex(0xffffff));
    // Ghost.
    Shape ghost = Union(Circle({60, 34}, 12),
                        Poly({{48, 34}, {72, 34}, {72, 52}, {66, 47}, {60, 52}, {54, 47}, {48, 52}}));
    FillOutlined(cv, ghost, Linear({0, 22}, Hex(0xe8f4ff), {0, 52}, Hex(0x90b0e0)), Hex(0x203050), 1.4f);
    for (float s : {-1.0f, 1.0f}) Fill(cv, Ellipse({60 + s * 6, 14}, 2.2f, 6, s * 0.2f), Hex(0xe8f4ff));
    Fill(cv, Circle({56, 33}, 1.8f), Hex(0x203050));
    Fill(cv, Circle({64, 33}, 1.8f), Hex(0x203050));
    Fill(cv, Ring({60, 16}, 8, 1.2f), Hex(0xffe060));
    return p;
}

}  // namespace

void AddPlayerJobs(Jobs& jobs) {
    jobs.push_back({"ship", [] {
                        std::vector<Picture> v;
                        v.push_back(Ship());
                        v.push_back(SpareShip());
                        v.push_back(Option());
                        return v;
                    }});
    jobs.push_back({"shots", [] {
                        std::vector<Picture> v;
                        v.push_back(Bolt("jiki/mainShot.png", Hex(0x60e8ff), Hex(0x2080ff), 36, 4.2f));
                        v.push_back(Bolt("jiki/mainShot2.png", Hex(0x70ffb0), Hex(0x10c060), 28, 3.4f));
                        v.push_back(Napalm());
                        v.push_back(Bomb());
                        return v;
                    }});
    jobs.push_back({"items and bunny", [] {
                        std::vector<Picture> v;
                        for (int k = 0; k < 5; ++k) v.push_back(Item(k));
                        v.push_back(Bunny());
                        v.push_back(BunnyHurt());
                        v.push_back(BunnyDead());
                        return v;
                    }});
}

// Shared with the carriers: an item badge of the given kind.
void DrawItemIcon(Canvas& cv, int kind, V2 c, float scale, int frame) {
    DrawItemBadge(cv, kind, c, scale, frame);
}
void DrawShipIcon(Canvas& cv, const Xf& t, int phase) { DrawShipShape(cv, t, phase); }
void DrawBunnyFigure(Canvas& cv, V2 feet, int frame) { DrawBunny(cv, feet, frame, false); }

}  // namespace datagen::pic
