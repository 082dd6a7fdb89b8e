// The four bosses: dark gunmetal armour with one accent colour each (crimson, violet, toxic green,
// gold) and a burning core. They face +x (the bunny); hit circles and muzzles sit where the game puts
// them, so shots leave from visible guns.
#include <cmath>
#include <string>

#include "pictures/families.h"

namespace datagen::pic {

namespace {

const Color kRim = Hex(0x050308);
const Color kSteel = Hex(0x4a5068), kSteelDark = Hex(0x1a1c28);

Paint Metal(V2 a, V2 b) { return Linear(a, Hex(0x7a8098), b, kSteelDark); }

Paint Plate(V2 c, float r, Color accent) {
    return Radial({c.x - r * 0.3f, c.y - r * 0.3f}, r * 1.5f, Mix(kSteel, accent, 0.35f),
                  Mix(kSteelDark, accent, 0.12f));
}

void Core(Canvas& cv, V2 c, float r, Color accent) {
    Fill(cv, Circle(c, r + 3), kRim);
    Fill(cv, Circle(c, r), Radial(c, r, Hex(0xffffff), accent));
    FillLight(cv, Circle(c, r * 0.55f), Flat(Hex(0xffffff, 0.5f)));
}

void Gun(Canvas& cv, const Xf& t, float f0, float s, float f1, float r, Color accent) {
    FillOutlined(cv, Capsule(t(f0, s), t(f1, s), r), Metal(t(f0, s - r), t(f0, s + r)), kRim, 1.6f);
    Fill(cv, Circle(t(f1, s), r * 0.55f), accent);
}

// Seams across a plate: thin dark grooves and a lit accent line.
void Seams(Canvas& cv, const Xf& t, float f0, float f1, float s0, float s1, Color accent, int n) {
    for (int i = 1; i < n; ++i) {
        float f = f0 + (f1 - f0) * i / n;
        Line(cv, t(f, s0), t(f, s1), 1.2f, Hex(0x0a0a12, 0.8f));
    }
    Line(cv, t(f0, (s0 + s1) / 2), t(f1, (s0 + s1) / 2), 1.6f, WithAlpha(accent, 0.9f));
}

// Boss 1: a crimson crab with two claws ahead, side guns and a long tail.
Picture Boss1() {
    Picture p = MakePicture("enemy/boss/boss1.bmp", 1, 1, 256, 256);
    Canvas& cv = p.cv;
    const Color acc = Hex(0xff2a40);
    Xf t{{128, 128}, 0, 1};
    // Tail segments down to the tail gun at -106.
    for (int i = 3; i >= 0; --i) {
        float f = -56 - i * 15.0f, r = 16 - i * 2.5f;
        FillOutlined(cv, Circle(t(f, 0), r), Plate(t(f, 0), r, acc), kRim, 2);
    }
    FillOutlined(cv, Poly({t(-100, -9), t(-118, 0), t(-100, 9)}), Flat(Hex(0x803040)), kRim, 1.6f);
    Fill(cv, Circle(t(-106, 0), 4), acc);
    for (float s : {-1.0f, 1.0f}) {
        // Legs.
        for (int i = 0; i < 3; ++i) {
            V2 a = t(-10 - i * 18.0f, 40 * s), b = t(-30 - i * 22.0f, (84 - i * 6) * s),
               c = t(-52 - i * 22.0f, (96 - i * 10) * s);
            Fill(cv, Capsule(a, b, 6), kRim);
            Fill(cv, Capsule(b, c, 5), kRim);
            Fill(cv, Capsule(a, b, 4.2f), Hex(0x5a3040));
            Fill(cv, Capsule(b, c, 3.4f), Hex(0x5a3040));
        }
        // Arm and claw at (61, 52).
        Fill(cv, Capsule(t(20, 36 * s), t(52, 50 * s), 11), kRim);
        Fill(cv, Capsule(t(20, 36 * s), t(52, 50 * s), 9), Plate(t(30, 40 * s), 12, acc));
        Shape claw = Minus(Circle(t(64, 52 * s), 30), Poly({t(64, 52 * s), t(100, 40 * s), t(100, 66 * s)}));
        FillOutlined(cv, claw, Plate(t(60, 50 * s), 30, acc), kRim, 2.2f);
        Fill(cv, Ring(t(64, 52 * s), 20, 1.5f), WithAlpha(acc, 0.8f));
        Core(cv, t(54, 52 * s), 6, acc);
    }
    // Carapace.
    Shape shell = Ellipse(t(0, 0), 60, 52, 0);
    FillOutlined(cv, shell, Plate(t(0, 0), 58, acc), kRim, 2.6f);
    Seams(cv, t, -44, 40, -40, 40, acc, 5);
    for (float s : {-1.0f, 1.0f}) {
        Gun(cv, t, -6, 19 * s, 24, 5, acc);
        Core(cv, t(30, 26 * s), 5, Hex(0xffd040));
    }
    Gun(cv, t, 8, -6, 26, 3, acc);
    Gun(cv, t, 8, 6, 26, 3, acc);
    Core(cv, t(-14, 0), 13, acc);
    return p;
}

// Boss 2: a violet battleship with two forward hulls, a twin gun at the back and a spray cannon.
Picture Boss2() {
    Picture p = MakePicture("enemy/boss/boss2.bmp", 1, 1, 256, 256);
    Canvas& cv = p.cv;
    const Color acc = Hex(0xb050ff);
    Xf t{{128, 128}, 0, 1};
    for (float s : {-1.0f, 1.0f}) {
        // Outer hulls centred on (57, 58).
        Shape hull = Union(Capsule(t(88, 58 * s), t(20, 62 * s), 28),
                           Poly({t(100, 50 * s), t(122, 58 * s), t(100, 72 * s)}));
        FillOutlined(cv, hull, Plate(t(55, 58 * s), 36, acc), kRim, 2.4f);
        Seams(cv, t, 30, 96, 44 * s, 76 * s, acc, 4);
        Core(cv, t(62, 58 * s), 8, acc);
        // Wing spars to the rear.
        FillOutlined(cv, Poly({t(-20, 30 * s), t(-90, 110 * s), t(-104, 104 * s), t(-60, 30 * s)}),
                     Metal(t(-40, 30 * s), t(-90, 100 * s)), kRim, 2);
        Line(cv, t(-30, 36 * s), t(-92, 104 * s), 2, acc);
        FillLight(cv, Ellipse(t(-100, 104 * s), 8, 4, 0), Flat(Hex(0xd080ff)));
    }
    Shape body = Union(Ellipse(t(0, 0), 66, 48, 0), Poly({t(40, -22), t(70, 0), t(40, 22)}));
    FillOutlined(cv, body, Plate(t(0, 0), 64, acc), kRim, 2.6f);
    Seams(cv, t, -50, 40, -34, 34, acc, 6);
    // Twin gun turrets firing from (-16, 22) and (-16, -22).
    for (float s : {-1.0f, 1.0f}) {
        FillOutlined(cv, Circle(t(4, 22 * s), 8), Plate(t(4, 22 * s), 8, acc), kRim, 1.6f);
        Gun(cv, t, 4, 22 * s, -16, 4.5f, Hex(0xffe060));
    }
    Gun(cv, t, 30, 0, 56, 8, Hex(0xff60c0));
    Core(cv, t(-8, 0), 15, acc);
    for (float s : {-1.0f, 1.0f}) Fill(cv, Circle(t(-40, 18 * s), 4), Hex(0xffe060));
    return p;
}

// Boss 3: the heaviest, a green fortress ring with two great forward pods and scatter guns along
// its rear wings.
Picture Boss3() {
    Picture p = MakePicture("enemy/boss/boss3.bmp", 1, 1, 320, 320);
    Canvas& cv = p.cv;
    const Color acc = Hex(0x70ff40);
    Xf t{{160, 160}, 0, 1};
    for (float s : {-1.0f, 1.0f}) {
        // Rear wing carrying the scatter guns at (-11, 68), (-17, 92), (-21, 107).
        FillOutlined(cv, Poly({t(10, 50 * s), t(-8, 118 * s), t(-34, 122 * s), t(-40, 56 * s)}),
                     Metal(t(0, 50 * s), t(-30, 120 * s)), kRim, 2.2f);
        Gun(cv, t, -24, 68 * s, -11, 6, acc);
        Gun(cv, t, -30, 92 * s, -17, 5, acc);
        Gun(cv, t, -34, 107 * s, -21, 4.5f, acc);
        // Forward pods at (88, 89), radius 40.
        Fill(cv, Capsule(t(40, 50 * s), t(80, 84 * s), 16), kRim);
        Fill(cv, Capsule(t(40, 50 * s), t(80, 84 * s), 13), Plate(t(60, 66 * s), 16, acc));
        Shape pod = Circle(t(88, 89 * s), 40);
        FillOutlined(cv, pod, Plate(t(88, 89 * s), 40, acc), kRim, 2.6f);
        Fill(cv, Ring(t(88, 89 * s), 28, 2), Hex(0x10200c));
        for (int i = 0; i < 6; ++i) {
            float a = i * kPi / 3;
            Fill(cv, Circle(t(88 + std::cos(a) * 28, 89 * s + std::sin(a) * 28), 3.5f), acc);
        }
        Core(cv, t(88, 89 * s), 12, acc);
    }
    Shape body = Circle(t(0, 0), 92);
    FillOutlined(cv, body, Plate(t(0, 0), 90, acc), kRim, 3);
    Fill(cv, Ring(t(0, 0), 74, 3), Hex(0x0c1808));
    for (int i = 0; i < 16; ++i) {
        float a = i * kPi / 8;
        V2 q = t(std::cos(a) * 82, std::sin(a) * 82);
        Fill(cv, Circle(q, 3.5f), i % 2 ? Hex(0x203a18) : acc);
    }
    Fill(cv, Circle(t(0, 0), 62), Plate(t(0, 0), 62, Hex(0x305020)));
    Seams(cv, t, -58, 58, -40, 40, acc, 6);
    // Fan guns at (-8, 25) and (-8, -25), the bomb tube ahead.
    for (float s : {-1.0f, 1.0f}) Gun(cv, t, -28, 25 * s, -8, 6, Hex(0xffe060));
    Gun(cv, t, 20, 0, 50, 10, Hex(0xffa040));
    Core(cv, t(-6, 0), 22, acc);
    return p;
}

// Boss 4: a golden winged beast in two frames; its wing guns change sides with the frame.
Picture Boss4() {
    Picture p = MakePicture("enemy/boss/boss4.bmp", 1, 2, 320, 192);
    const Color acc = Hex(0xffc030);
    for (int k = 0; k < 2; ++k) {
        ClipCell(p, k);
        Canvas& cv = p.cv;
        Xf t{CellCentre(p, k), 0, 1};
        float up = k == 1 ? 1.0f : -1.0f;  // the side whose wing carries the (-75, 58) gun
        for (float s : {-1.0f, 1.0f}) {
            bool raised = s == up;
            float span = raised ? 86.0f : 70.0f;
            Shape wing = Poly(
                {t(10, 30 * s), t(-60, span * s), t(-100, (span - 4) * s), t(-80, 40 * s), t(-40, 26 * s)});
            FillOutlined(cv, wing, Linear(t(0, 30 * s), Mix(kSteel, acc, 0.5f), t(-90, span * s), kSteelDark),
                         kRim, 2.2f);
            for (int i = 0; i < 3; ++i)
                Line(cv, t(-10 - i * 20.0f, 34 * s), t(-50 - i * 18.0f, (span - 6) * s), 1.6f,
                     WithAlpha(acc, 0.8f));
            if (raised) Gun(cv, t, -60, 58 * s, -75, 6, Hex(0xff4020));
        }
        // Tail with guns at (-131, 24), (-95, 23), (-100, 13) on the side opposite the raised wing.
        float ts = -up;
        FillOutlined(cv, Poly({t(-40, -20), t(-120, -14), t(-146, 0), t(-120, 14), t(-40, 20)}),
                     Metal(t(-40, -20), t(-140, 20)), kRim, 2);
        Gun(cv, t, -112, 24 * ts, -131, 5.5f, Hex(0xff4020));
        Gun(cv, t, -80, 23 * ts, -95, 5, acc);
        Gun(cv, t, -86, 13 * ts, -100, 4, acc);
        Shape body =
            Union(Ellipse(t(0, 0), 58, 40, 0), Poly({t(30, -24), t(92, -8), t(100, 0), t(92, 8), t(30, 24)}));
        FillOutlined(cv, body, Plate(t(0, 0), 58, acc), kRim, 2.6f);
        Seams(cv, t, -40, 60, -28, 28, acc, 5);
        // Head: horns and a burning eye facing the bunny.
        for (float s : {-1.0f, 1.0f})
            FillOutlined(cv, Poly({t(70, 10 * s), t(110, 34 * s), t(84, 16 * s)}),
                         Flat(Mix(acc, kSteel, 0.3f)), kRim, 1.6f);
        Core(cv, t(72, 0), 9, Hex(0xff3010));
        Core(cv, t(-6, 0), 16, acc);
    }
    p.cv.ClipAll();
    return p;
}

}  // namespace

void AddBossJobs(Jobs& jobs) {
    jobs.push_back({"bosses 1 and 2", [] {
                        std::vector<Picture> v;
                        v.push_back(Boss1());
                        v.push_back(Boss2());
                        return v;
                    }});
    jobs.push_back({"bosses 3 and 4", [] {
                        std::vector<Picture> v;
                        v.push_back(Boss3());
                        v.push_back(Boss4());
                        return v;
                    }});
}

}  // namespace datagen::pic
