// Screen furniture: the two fonts, menu captions, score panel, panel animation, banners, cursor, arrows.
#include <cmath>
#include <string>

#include "pictures/families.h"
#include "pictures/text.h"

namespace datagen::pic {

namespace {

// Highlighted lettering is warm gold, plain lettering cool silver; both carry a dark rim.
const Color kGoldTop = Hex(0xfff6a0), kGoldBottom = Hex(0xff9a1a);
const Color kSilverTop = Hex(0xffffff), kSilverBottom = Hex(0x94a8d0);
const Color kInk = Hex(0x0a0614);

Picture Font(const std::string& name, bool highlighted) {
    Picture p = MakePicture(name, 16, 8, 16, 32);
    Lettering mono(kMonoFont);
    const int size = 22, pad = 3;
    for (int code = 33; code < 127; ++code) {
        Mask m = mono.Render(std::string(1, static_cast<char>(code)), size, pad);
        if (m.w == 0) continue;
        ClipCell(p, code);
        float advance = static_cast<float>(m.w - 2 * pad - 2);
        float cx = (code % 16) * 16.0f + (16 - advance) * 0.5f - pad;
        float cy = (code / 16) * 32.0f + 24 - m.baseline;
        PaintMask(p.cv, Dilate(m, 1.4f), cx, cy, Flat(kInk));
        float top = cy + m.baseline - 16, bottom = cy + m.baseline;
        Color t = highlighted ? kGoldTop : kSilverTop, b = highlighted ? kGoldBottom : kSilverBottom;
        PaintMask(p.cv, m, cx, cy, Linear({0, top}, t, {0, bottom}, b));
    }
    p.cv.ClipAll();
    return p;
}

TextStyle MenuStyle(bool highlighted, int size) {
    TextStyle st;
    st.size = size;
    st.top = highlighted ? kGoldTop : kSilverTop;
    st.bottom = highlighted ? kGoldBottom : kSilverBottom;
    st.outline = kInk;
    st.outlineWidth = 2.5f;
    if (highlighted) {
        st.glow = Hex(0xff7a10, 0.9f);
        st.glowRadius = 3;
    }
    return st;
}

// A dark plate in the panel's colours with cut corners and a lit rail on its left (and right, on a
// title); a caption's plate points right, at the number it labels.
void ResultPlate(Canvas& cv, float x0, float y0, float x1, float y1, bool pointed) {
    const float my = (y0 + y1) * 0.5f, cut = 6;
    Shape plate = pointed ? Poly({{x0 + cut, y0},
                                  {x1 - (my - y0), y0},
                                  {x1, my},
                                  {x1 - (my - y0), y1},
                                  {x0 + cut, y1},
                                  {x0, y1 - cut},
                                  {x0, y0 + cut}})
                          : Poly({{x0 + cut, y0},
                                  {x1 - cut, y0},
                                  {x1, y0 + cut},
                                  {x1, y1 - cut},
                                  {x1 - cut, y1},
                                  {x0 + cut, y1},
                                  {x0, y1 - cut},
                                  {x0, y0 + cut}});
    Fill(cv, Grow(plate, 2), kInk);
    Fill(cv, Grow(plate, 1), Linear({0, y0}, Hex(0x7a8aba), {0, y1}, Hex(0x2a3460)));
    Fill(cv, plate, Linear({0, y0}, Hex(0x1c2444), {0, y1}, Hex(0x0a0e20)));
    Paint rail = Linear({0, y0}, Hex(0x9fd8ff), {0, y1}, Hex(0x3a6ab0));
    Fill(cv, Poly({{x0 + 3, y0 + cut}, {x0 + 6, y0 + cut}, {x0 + 6, y1 - cut}, {x0 + 3, y1 - cut}}), rail);
    if (!pointed)
        Fill(cv, Poly({{x1 - 6, y0 + cut}, {x1 - 3, y0 + cut}, {x1 - 3, y1 - cut}, {x1 - 6, y1 - cut}}),
             rail);
    Line(cv, {x0 + cut + 4, y0 + 2.5f}, {x1 - (pointed ? my - y0 : cut) - 2, y0 + 2.5f}, 1, Hex(0x3a5aa0));
}

// Menu rows are drawn over the stage-select arrows and label, so each caption keeps to the left
// part of its cell and the rest stays see-through.
Picture MenuText() {
    Picture p = MakePicture("text.bmp", 2, 7, 240, 48, 14);
    Lettering sans(kSansFont);
    const char* rows[5] = {"START", "STAGE SELECT", "EXIT", "STAGE", "BACK"};
    for (int r = 0; r < 5; ++r)
        for (int hl = 0; hl < 2; ++hl) {
            int k = r * 2 + hl;
            ClipCell(p, k);
            V2 c = CellCentre(p, k);
            bool highlighted = hl == 0;
            if (highlighted) {
                // A small marker before the lit row.
                V2 m{c.x - 112, c.y};
                FillOutlined(p.cv, Poly({{m.x, m.y - 8}, {m.x + 10, m.y}, {m.x, m.y + 8}}), Flat(kGoldBottom),
                             kInk, 1.5f);
            }
            TextStyle st = MenuStyle(highlighted, 28);
            st.maxWidth = 208;
            DrawText(p.cv, sans, rows[r], c.x - 120 + 22, c.y - 17, st, false);
        }
    // The results screen: cells 10 and 11 label the numbers it writes in the 16x32 font, right-aligned
    // in a field that starts 222 pixels into the cell; the cells are drawn over the numbers, so each
    // plate stops before pixel 238, where a ten-digit number would begin, and the lettering is as tall
    // as the digits. Cell 12 is the screen's title and says how to go on.
    const char* captions[2] = {"HI-SCORE", "SCORE"};
    for (int i = 0; i < 2; ++i) {
        int k = 10 + i;
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float x0 = c.x - 120, y0 = c.y - 24;
        ResultPlate(p.cv, x0 + 2, y0 + 8, x0 + 230, y0 + 44, true);
        TextStyle st = MenuStyle(false, 22);
        st.top = Hex(0xffffff);
        st.bottom = Hex(0x8fc8ff);
        st.outlineWidth = 2;
        st.tracking = 1;
        DrawText(p.cv, sans, captions[i], x0 + 20, y0 + 13, st, false);
    }
    ClipCell(p, 12);
    V2 c = CellCentre(p, 12);
    ResultPlate(p.cv, c.x - 116, c.y - 22, c.x + 116, c.y + 22, false);
    TextStyle title = MenuStyle(false, 26);
    title.top = Hex(0xffffff);
    title.bottom = Hex(0x6fd8ff);
    title.glow = Hex(0x2a80ff, 0.9f);
    title.glowRadius = 3;
    title.tracking = 3;
    DrawText(p.cv, sans, "RESULT", c.x, c.y - 7, title, true);
    TextStyle hint = MenuStyle(true, 11);
    hint.outlineWidth = 1.2f;
    hint.glow = Color{0, 0, 0, 0};
    hint.glowRadius = 0;
    hint.tracking = 1.5f;
    DrawText(p.cv, sans, "CLICK TO CONTINUE", c.x, c.y + 13, hint, true);
    p.cv.ClipAll();
    return p;
}

void Bevel(Canvas& cv, float x0, float y0, float x1, float y1, Color fill, Color light, Color dark) {
    Fill(cv, Poly({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}), dark);
    Fill(cv, Poly({{x0, y0}, {x1 - 1, y0}, {x1 - 1, y1 - 1}, {x0, y1 - 1}}), light);
    Fill(cv, Poly({{x0 + 1, y0 + 1}, {x1 - 1, y0 + 1}, {x1 - 1, y1 - 1}, {x0 + 1, y1 - 1}}), fill);
}

Picture Panel() {
    Picture p = MakePicture("waku.bmp", 1, 1, 160, 480);
    Canvas& cv = p.cv;
    cv.Shade([](float x, float y) {
        float n = Fbm(x * 0.05f, y * 0.05f, 3, 71);
        Color base = Mix(Hex(0x161c34), Hex(0x0c1022), y / 480.0f);
        return Mix(base, Hex(0x222a4a), n * 0.35f + 0.05f * std::sin(y * 0.8f));
    });
    // Left rail against the field, and an outer frame.
    Fill(cv, Poly({{0, 0}, {6, 0}, {6, 480}, {0, 480}}),
         Linear({0, 0}, Hex(0x5a6a9a), {6, 0}, Hex(0x1a2040)));
    Fill(cv, Poly({{1, 0}, {2, 0}, {2, 480}, {1, 480}}), Hex(0x9fd8ff));
    Bevel(cv, 154, 0, 160, 480, Hex(0x1a2040), Hex(0x5a6a9a), Hex(0x080a18));
    Lettering sans(kSansFont);
    TextStyle logo = MenuStyle(false, 22);
    logo.top = Hex(0xffffff);
    logo.bottom = Hex(0x60c8ff);
    logo.glow = Hex(0x2060ff, 0.8f);
    logo.glowRadius = 3;
    logo.tracking = 1;
    DrawText(cv, sans, "VELMORAN", 80, 30, logo, true);
    Line(cv, {14, 52}, {146, 52}, 2, Hex(0x3a5aa0));
    TextStyle cap = MenuStyle(false, 13);
    cap.outlineWidth = 1.5f;
    cap.top = Hex(0xbfe8ff);
    cap.bottom = Hex(0x6fa0e0);
    // Number wells: the scores are drawn in cells from x 0 to 144 of the panel.
    DrawText(cv, sans, "HI-SCORE", 10, 72, cap, false);
    Bevel(cv, 4, 93, 150, 131, Hex(0x04060e), Hex(0x080a18), Hex(0x4a5a8a));
    DrawText(cv, sans, "SCORE", 10, 136, cap, false);
    Bevel(cv, 4, 156, 150, 194, Hex(0x04060e), Hex(0x080a18), Hex(0x4a5a8a));
    DrawText(cv, sans, "SHIPS", 10, 196, cap, false);
    Bevel(cv, 14, 210, 150, 240, Hex(0x04060e), Hex(0x080a18), Hex(0x4a5a8a));
    // A small bunny head marks the bunny's health boxes.
    Fill(cv, Ellipse({22, 254}, 2.2f, 6, -0.2f), Hex(0xf0f0ff));
    Fill(cv, Ellipse({30, 254}, 2.2f, 6, 0.2f), Hex(0xf0f0ff));
    Fill(cv, Circle({26, 263}, 6.5f), Hex(0xf0f0ff));
    Fill(cv, Circle({23.5f, 262}, 1.2f), Hex(0x202040));
    Fill(cv, Circle({28.5f, 262}, 1.2f), Hex(0x202040));
    Fill(cv, Circle({26, 265.5f}, 1.1f), Hex(0xff7090));
    Bevel(cv, 48, 246, 142, 274, Hex(0x04060e), Hex(0x080a18), Hex(0x4a5a8a));
    DrawText(cv, sans, "STAGE", 10, 300, cap, false);
    Bevel(cv, 66, 289, 150, 325, Hex(0x04060e), Hex(0x080a18), Hex(0x4a5a8a));
    Line(cv, {14, 330}, {146, 330}, 2, Hex(0x3a5aa0));
    // Rivets, in the gaps between the captions and wells.
    for (float y : {60.0f, 282.0f, 470.0f})
        for (float x : {12.0f, 146.0f}) {
            Fill(cv, Circle({x, y}, 2.2f), Hex(0x6a7aaa));
            Fill(cv, Circle({x - 0.6f, y - 0.6f}, 0.9f), Hex(0xd0e0ff));
        }
    return p;
}

// The panel animation: a radar scope watching the field, its beam a quarter turn on per frame.
// The cell is a slice of the score panel (its left rail and right bevel carry on through it), and the
// scope's unit keeps to the left 136 pixels: the stage-clear screen draws it at x 504, where the last
// 24 pixels fall off the screen and only the side meter goes with them.
Picture PanelAnim() {
    Picture p = MakePicture("bura.bmp", 2, 2, 160, 128);
    const Color wellDark = Hex(0x04060e), bevelLight = Hex(0x4a5a8a);
    for (int k = 0; k < 4; ++k) {
        ClipCell(p, k);
        Canvas& cv = p.cv;
        const V2 c = CellCentre(p, k);
        const float x0 = c.x - 80, y0 = c.y - 64;
        cv.Shade([&](float x, float y) {
            float n = Fbm(x * 0.05f, y * 0.05f, 3, 71);
            Color base = Mix(Hex(0x161c34), Hex(0x0c1022), (y - y0) / 128.0f);
            return Mix(base, Hex(0x222a4a), n * 0.35f);
        });
        // The panel's rails, as waku.bmp draws them.
        Fill(cv, Poly({{x0, y0}, {x0 + 6, y0}, {x0 + 6, y0 + 128}, {x0, y0 + 128}}),
             Linear({x0, 0}, Hex(0x5a6a9a), {x0 + 6, 0}, Hex(0x1a2040)));
        Fill(cv, Poly({{x0 + 1, y0}, {x0 + 2, y0}, {x0 + 2, y0 + 128}, {x0 + 1, y0 + 128}}), Hex(0x9fd8ff));
        Bevel(cv, x0 + 154, y0, x0 + 160, y0 + 128, Hex(0x1a2040), Hex(0x5a6a9a), Hex(0x080a18));

        // The scope's unit: a sunken housing whose right edge is the cut line on the clear screen.
        Bevel(cv, x0 + 8, y0 + 3, x0 + 135, y0 + 125, Hex(0x0a0e1e), wellDark, bevelLight);
        const V2 s{x0 + 66, c.y};
        const float r = 50;
        Fill(cv, Circle(s, r + 5), Linear({s.x, s.y - r}, Hex(0x6a7aaa), {s.x, s.y + r}, Hex(0x1a2040)));
        Fill(cv, Circle(s, r + 2.5f), Hex(0x04060e));
        for (int i = 0; i < 24; ++i) {  // bezel ticks, longer every quarter
            float a = i * kPi / 12, len = i % 6 == 0 ? 4.5f : 2.5f;
            V2 u{std::cos(a), std::sin(a)};
            Line(cv, s + u * (r + 4.5f), s + u * (r + 4.5f - len), 1, Hex(0xbfe8ff, 0.8f));
        }
        Fill(cv, Circle(s, r), Radial(s, r, Hex(0x07361f), Hex(0x021008)));
        for (float rr : {r / 3, r * 2 / 3}) Fill(cv, Ring(s, rr, 0.5f), Hex(0x1f8a50));
        Line(cv, {s.x - r, s.y}, {s.x + r, s.y}, 1, Hex(0x1a6a40));
        Line(cv, {s.x, s.y - r}, {s.x, s.y + r}, 1, Hex(0x1a6a40));
        const float beam = -kPi / 2 + k * kPi / 2;
        for (int i = 0; i < 24; ++i) {  // the sweep's trail
            float a0 = beam - i * 0.06f, a1 = beam - (i + 1) * 0.06f;
            Fill(cv,
                 Poly({s,
                       {s.x + std::cos(a0) * r, s.y + std::sin(a0) * r},
                       {s.x + std::cos(a1) * r, s.y + std::sin(a1) * r}}),
                 Hex(0x40ff90, 0.35f * (1 - i / 24.0f)));
        }
        Line(cv, s, {s.x + std::cos(beam) * r, s.y + std::sin(beam) * r}, 2, Hex(0xb0ffd0));
        // Blips: brighter just after the beam passed them.
        const float blips[5][2] = {{0.3f, 37}, {1.9f, 26}, {3.3f, 43}, {4.4f, 20}, {5.5f, 31}};
        for (auto& b : blips) {
            float since = std::fmod(beam - b[0] + 8 * kPi, 2 * kPi);
            float lit = 1.0f - since / (2 * kPi);
            V2 q{s.x + std::cos(b[0]) * b[1], s.y + std::sin(b[0]) * b[1]};
            Fill(cv, Circle(q, 2.5f), Mix(Hex(0x104020), Hex(0xff5050), lit));
        }
        // The bunny at the centre.
        Fill(cv, Circle(s, 4), Hex(0xffffff));
        Fill(cv, Ellipse({s.x - 2, s.y - 6}, 1.2f, 3, 0), Hex(0xffffff));
        Fill(cv, Ellipse({s.x + 2, s.y - 6}, 1.2f, 3, 0), Hex(0xffffff));
        // Status lamps between the scope and the housing's edge: one walks down, one walks up.
        for (int i = 0; i < 4; ++i) {
            V2 l{x0 + 126, y0 + 16 + i * 13.0f}, l2{x0 + 126, y0 + 73 + i * 13.0f};
            Fill(cv, Circle(l, 3.5f), wellDark);
            Fill(cv, Circle(l, 2.5f), i == k ? Hex(0xffd040) : Hex(0x3a3020));
            Fill(cv, Circle(l2, 3.5f), wellDark);
            Fill(cv, Circle(l2, 2.5f), i == 3 - k ? Hex(0x40c0ff) : Hex(0x102030));
        }
        // The side meter: a unit of its own, so the clear screen may cut it off whole.
        Bevel(cv, x0 + 139, y0 + 8, x0 + 152, y0 + 120, wellDark, wellDark, bevelLight);
        const int levels[4] = {5, 8, 6, 3};
        for (int i = 0; i < 9; ++i) {
            float y = y0 + 107 - i * 11.0f;
            Color on = i >= 7 ? Hex(0xff5040) : i >= 5 ? Hex(0xffd040) : Hex(0x40ff90);
            Fill(cv, Poly({{x0 + 142, y}, {x0 + 149, y}, {x0 + 149, y + 8}, {x0 + 142, y + 8}}),
                 i < levels[k] ? on : Scale(on, 0.18f));
        }
    }
    p.cv.ClipAll();
    return p;
}

Picture Banner(const std::string& name, int w, int h, const std::string& text, int size, Color top,
               Color bottom, Color glow, const std::string& sub = "") {
    Picture p = MakePicture(name, 1, 1, w, h);
    Lettering sans(kSansFont);
    TextStyle st;
    st.size = size;
    st.top = top;
    st.bottom = bottom;
    st.outline = kInk;
    st.outlineWidth = 3;
    st.glow = glow;
    st.glowRadius = 4;
    st.tracking = 2;
    st.maxWidth = w - 16.0f;
    if (sub.empty()) {
        DrawText(p.cv, sans, text, w * 0.5f, h * 0.5f, st, true);
    } else {
        DrawText(p.cv, sans, text, w * 0.34f, h * 0.5f, st, true);
        st.top = Hex(0xffffff);
        st.bottom = Hex(0xff90c0);
        st.size = size + 6;
        DrawText(p.cv, sans, sub, w * 0.79f, h * 0.5f, st, true);
    }
    return p;
}

// Title cursor: a reticle whose ticks turn an eighth of a quarter turn per frame.
Picture Cursor() {
    Picture p = MakePicture("cursor.bmp", 2, 2, 64, 64);
    for (int k = 0; k < 4; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        Xf t{c, k * kPi / 8, 1};
        Color body = Hex(0x7fe8ff), rim = kInk;
        FillOutlined(p.cv, Ring(c, 15, 2), Flat(body), rim, 1.5f);
        for (int i = 0; i < 4; ++i) {
            float a = i * kPi / 2;
            Xf r{c, t.angle + a, 1};
            FillOutlined(p.cv, Poly({r(18, -4), r(28, 0), r(18, 4)}), Flat(Hex(0xfff080)), rim, 1.5f);
        }
        FillOutlined(p.cv, Circle(c, 3), Flat(Hex(0xffffff)), rim, 1.5f);
    }
    p.cv.ClipAll();
    return p;
}

Picture Arrow(const std::string& name, bool left) {
    Picture p = MakePicture(name, 2, 1, 32, 32);
    for (int k = 0; k < 2; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float d = left ? -1.0f : 1.0f;
        Shape tri = Poly({{c.x + d * 11, c.y}, {c.x - d * 8, c.y - 11}, {c.x - d * 8, c.y + 11}});
        if (left) tri = Poly({{c.x + d * 11, c.y}, {c.x - d * 8, c.y + 11}, {c.x - d * 8, c.y - 11}});
        if (k == 1) Glow(p.cv, c, 8, Hex(0xff9a20), 0.9f);
        Color a = k == 1 ? kGoldTop : Hex(0xb0c4e8), b = k == 1 ? kGoldBottom : Hex(0x5a6e98);
        FillOutlined(p.cv, tri, Linear({c.x, c.y - 11}, a, {c.x, c.y + 11}, b), kInk, 2);
    }
    p.cv.ClipAll();
    return p;
}

// Danger marker: chevrons pointing outward (+x) at an enemy beyond the screen edge; cell 1 is the
// dim half of the blink.
Picture Danger() {
    Picture p = MakePicture("danger.bmp", 1, 2, 64, 32);
    for (int k = 0; k < 2; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        Color hot = k == 0 ? Hex(0xff3020) : Hex(0x8a1810), edge = k == 0 ? Hex(0xffe040) : Hex(0x806010);
        for (int i = 0; i < 2; ++i) {
            float x = c.x - 14 + i * 16;
            Shape chev = Poly({{x + 14, c.y},
                               {x, c.y - 12},
                               {x - 6, c.y - 12},
                               {x + 6, c.y},
                               {x - 6, c.y + 12},
                               {x, c.y + 12}});
            FillOutlined(p.cv, chev, Linear({x - 6, c.y}, hot, {x + 14, c.y}, edge), kInk, 1.5f);
        }
        FillOutlined(p.cv, Circle({c.x - 24, c.y}, 4), Flat(edge), kInk, 1.5f);
    }
    p.cv.ClipAll();
    return p;
}

}  // namespace

void AddUiJobs(Jobs& jobs) {
    jobs.push_back({"fonts", [] {
                        std::vector<Picture> v;
                        v.push_back(Font("font.bmp", true));
                        v.push_back(Font("font2.bmp", false));
                        return v;
                    }});
    jobs.push_back({"menu text", [] { return One(MenuText()); }});
    jobs.push_back({"panel", [] {
                        std::vector<Picture> v;
                        v.push_back(Panel());
                        v.push_back(PanelAnim());
                        return v;
                    }});
    jobs.push_back({"banners", [] {
                        std::vector<Picture> v;
                        v.push_back(Banner("stageclear.bmp", 320, 64, "STAGE CLEAR", 40, Hex(0xfffbd0),
                                           Hex(0xffa81a), Hex(0xff6010, 0.9f)));
                        v.push_back(Banner("bonus5000.bmp", 384, 64, "PERFECT", 30, Hex(0xd8ffe8),
                                           Hex(0x40e090), Hex(0x10a060, 0.9f), "+5000"));
                        return v;
                    }});
    jobs.push_back({"pointers", [] {
                        std::vector<Picture> v;
                        v.push_back(Cursor());
                        v.push_back(Arrow("selectL.bmp", true));
                        v.push_back(Arrow("selectR.bmp", false));
                        v.push_back(Danger());
                        return v;
                    }});
}

}  // namespace datagen::pic
