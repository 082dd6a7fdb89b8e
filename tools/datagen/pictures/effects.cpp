// Effects and enemy bullets. Explosions burn white to orange to smoke over their twelve cells;
// sparks are four-point glints that turn; hit flashes and waves are rings. Enemy bullets are hot
// colours with white cores and dark rims, so they stand out on every backdrop and never look like
// the player's cyan shots.
#include <cmath>
#include <cstdio>
#include <string>

#include "pictures/families.h"

namespace datagen::pic {

namespace {

const Color kRim = Hex(0x08040a);

struct Fire {
    Color hot, mid, cool, smoke;
};
const Fire kOrangeFire{Hex(0xfff4c0), Hex(0xffa020), Hex(0xc02808), Hex(0x3a3038)};
const Fire kBlueFire{Hex(0xf0ffff), Hex(0x40c0ff), Hex(0x2040c0), Hex(0x283048)};

// Twelve-cell burst: a flash, a growing fireball, then smoke thinning out.
Picture Explosion(const std::string& name, int cell, uint32_t seed, const Fire& fire) {
    Picture p = MakePicture(name, 3, 4, cell, cell);
    for (int k = 0; k < 12; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float t = k / 11.0f;
        float radius = cell * 0.5f * (0.35f + 0.6f * std::sqrt(t));
        float heat = std::clamp(1.25f - t * 1.3f, 0.0f, 1.0f);
        float thin = std::clamp((t - 0.55f) * 1.8f, 0.0f, 0.8f);
        float scale = 5.0f / cell;
        p.cv.Shade([&](float x, float y) {
            V2 q{x - c.x, y - c.y};
            float d = Len(q) / radius;
            float n = Fbm(q.x * scale + k * 0.37f, q.y * scale - k * 0.21f, 4, seed);
            float dens = std::clamp(1.0f - d + (n - 0.5f) * 0.9f - thin * (1.0f - n), 0.0f, 1.0f);
            float h = std::clamp(heat * (0.4f + dens * 1.2f) - d * 0.3f, 0.0f, 1.0f);
            Color col = h > 0.66f   ? Mix(fire.mid, fire.hot, (h - 0.66f) * 3)
                        : h > 0.33f ? Mix(fire.cool, fire.mid, (h - 0.33f) * 3)
                                    : Mix(fire.smoke, fire.cool, h * 3);
            col.a = std::clamp(dens * 3.0f, 0.0f, 1.0f);
            return col;
        });
    }
    p.cv.ClipAll();
    return p;
}

// Four-point glints turning over six frames (sparks loop through them).
Picture Spark(const std::string& name, int cell, Color core, Color edge, float turn) {
    Picture p = MakePicture(name, 1, 6, cell, cell);
    for (int k = 0; k < 6; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float r = cell * 0.46f * (k % 2 ? 0.8f : 1.0f), a = k * turn;
        std::vector<V2> star;
        for (int i = 0; i < 8; ++i) {
            float rr = i % 2 ? r * 0.22f : r;
            star.push_back({c.x + std::cos(a + i * kPi / 4) * rr, c.y + std::sin(a + i * kPi / 4) * rr});
        }
        Fill(p.cv, Poly(star), Radial(c, r, Hex(0xffffff), edge));
        Fill(p.cv, Circle(c, r * 0.28f), core);
    }
    p.cv.ClipAll();
    return p;
}

// Expanding rings; `png` ones fade out with real alpha.
Picture Waves(const std::string& name, int cols, int rows, int cellW, int cellH, int count, Color col,
              bool png) {
    Picture p = MakePicture(name, cols, rows, cellW, cellH, count);
    for (int k = 0; k < count; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float t = (k + 0.5f) / count, half = std::min(cellW, cellH) * 0.5f;
        float r = half * (0.2f + 0.7f * t), w = half * 0.12f * (1.2f - t);
        if (png) {
            Glow(p.cv, c, r * 0.6f, col, 0.6f * (1 - t));
            Fill(p.cv, Ring(c, r, w),
                 Linear({c.x, c.y - r}, WithAlpha(Hex(0xffffff), 1 - t * 0.7f), {c.x, c.y + r},
                        WithAlpha(col, 1 - t * 0.7f)));
        } else {
            Fill(p.cv, Ring(c, r, std::max(w, 1.5f)), Radial(c, r + w, Mix(Hex(0xffffff), col, t), col));
            if (k < 2) Fill(p.cv, Circle(c, r * 0.5f), Hex(0xffffff));
        }
    }
    p.cv.ClipAll();
    return p;
}

// Soft round puffs (smoke or plasma) that swell and fade.
Picture Puffs(const std::string& name, int cols, int rows, int cell, int count, Color inner, Color outer,
              uint32_t seed, bool png) {
    Picture p = MakePicture(name, cols, rows, cell, cell, count);
    for (int k = 0; k < count; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float t = k / std::max(1.0f, count - 1.0f), r = cell * 0.5f * (0.45f + 0.45f * t);
        p.cv.Shade([&](float x, float y) {
            V2 q{x - c.x, y - c.y};
            float n = Fbm(q.x * 0.12f + k, q.y * 0.12f, 3, seed);
            float dens = std::clamp(1.0f - Len(q) / r + (n - 0.5f) * 0.8f, 0.0f, 1.0f);
            Color col = Mix(outer, inner, dens * (1 - t * 0.5f));
            col.a = png ? dens * (1 - t * 0.8f) : (dens > 0.08f ? 1.0f : 0.0f);
            return col;
        });
    }
    p.cv.ClipAll();
    return p;
}

// Streaks along +x: trails, beams and flares.
Picture Streaks(const std::string& name, int cols, int rows, int cellW, int cellH, int count, Color col,
                bool png) {
    Picture p = MakePicture(name, cols, rows, cellW, cellH, count);
    for (int k = 0; k < count; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float t = k / std::max(1.0f, count - 1.0f);
        float len = cellW * 0.45f * (1 - t * 0.4f), th = cellH * 0.18f * (1 - t * 0.5f);
        if (png) Glow(p.cv, c, th * 2.0f, col, 0.7f * (1 - t * 0.6f));
        Fill(p.cv, Ellipse(c, len, th, 0), Radial(c, len, Hex(0xffffff), col));
        Fill(p.cv, Ellipse(c, len * 0.6f, th * 0.35f, 0), Hex(0xffffff));
    }
    p.cv.ClipAll();
    return p;
}

// Enemy bullets: five cells of 32 x 32, the same bullet with a slight pulse.
Picture Bullet(int kind) {
    char name[32];
    std::snprintf(name, sizeof name, "bullet/tama%02d.bmp", kind);
    Picture p = MakePicture(name, 5, 1, 32, 32);
    for (int k = 0; k < 5; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        Xf t{c, 0, 1};
        float pulse = 1.0f + 0.08f * (k % 2);
        Canvas& cv = p.cv;
        switch (kind) {
            case 0:  // accelerating: an orange spindle along its flight
                FillOutlined(cv, Ellipse(c, 9 * pulse, 4.2f, 0),
                             Radial(t(3, 0), 10, Hex(0xffffff), Hex(0xff8a10)), kRim, 1.6f);
                Fill(cv, Ellipse(t(2, 0), 4, 1.6f, 0), Hex(0xffffff));
                break;
            case 1:  // small: a red ring round a white core
                FillOutlined(cv, Circle(c, 5.5f * pulse), Radial(c, 6, Hex(0xffffff), Hex(0xff2a3a)), kRim,
                             1.6f);
                Fill(cv, Circle(c, 2.2f), Hex(0xffffff));
                break;
            case 2:  // medium: hot pink
                FillOutlined(cv, Circle(c, 7.5f * pulse), Radial(c, 8, Hex(0xffffff), Hex(0xff3aa8)), kRim,
                             1.8f);
                Fill(cv, Ring(c, 5.8f, 0.9f), Hex(0xff90e0));
                Fill(cv, Circle(c, 3), Hex(0xffffff));
                break;
            case 3:  // large: a violet-pink orb
                FillOutlined(cv, Circle(c, 10.5f * pulse),
                             Radial(t(-2, -2), 12, Hex(0xffffff), Hex(0xc030ff)), kRim, 2);
                Fill(cv, Ring(c, 8, 1.2f), Hex(0xff60d0));
                Fill(cv, Circle(c, 4), Hex(0xffffff));
                break;
            case 4: {  // homing: a lime star, drawn unturned
                std::vector<V2> star;
                for (int i = 0; i < 10; ++i) {
                    float a = i * kPi / 5 + k * 0.2f, r = i % 2 ? 3.5f : 9.0f * pulse;
                    star.push_back({c.x + std::cos(a) * r, c.y + std::sin(a) * r});
                }
                FillOutlined(cv, Poly(star), Radial(c, 9, Hex(0xffffff), Hex(0x80ff30)), kRim, 1.5f);
                Fill(cv, Circle(c, 2.5f), Hex(0xffffff));
                break;
            }
            default: {  // bomb: a spiked mine; cell 3 is the bright half of its blink
                bool flash = k == 3;
                for (int i = 0; i < 8; ++i) {
                    float a = i * kPi / 4;
                    FillOutlined(cv,
                                 Poly({t(std::cos(a) * 14, std::sin(a) * 14),
                                       t(std::cos(a + 0.3f) * 8, std::sin(a + 0.3f) * 8),
                                       t(std::cos(a - 0.3f) * 8, std::sin(a - 0.3f) * 8)}),
                                 Flat(flash ? Hex(0xffe0a0) : Hex(0x9aa0b0)), kRim, 1.2f);
                }
                FillOutlined(cv, Circle(c, 9.5f),
                             Radial(t(-3, -3), 12, flash ? Hex(0xffffff) : Hex(0xff8a80),
                                    flash ? Hex(0xff4020) : Hex(0xa01010)),
                             kRim, 1.6f);
                Fill(cv, Circle(c, 3.5f), flash ? Hex(0xffffff) : Hex(0xffd040));
                break;
            }
        }
    }
    p.cv.ClipAll();
    return p;
}

// The bomb's blast: drawn additively from a tenth of its size up to full, over four pictures.
Picture Blast() {
    Picture p = MakePicture("bullet/tama06.bmp", 4, 1, 256, 256);
    for (int k = 0; k < 4; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float fade = 1.0f - k * 0.2f;
        p.cv.Shade([&](float x, float y) {
            V2 q{x - c.x, y - c.y};
            float d = Len(q) / 100.0f;
            float n = Fbm(q.x * 0.04f + k, q.y * 0.04f, 3, 77);
            float ring = std::exp(-std::pow((d - (0.55f + k * 0.12f)) * 4.0f, 2.0f));
            float body = std::clamp(1.0f - d, 0.0f, 1.0f) * (k == 0 ? 1.0f : 0.45f);
            float v = std::clamp((ring + body) * (0.75f + n * 0.5f) * fade, 0.0f, 1.0f);
            Color col = v > 0.6f ? Mix(Hex(0xff9040), Hex(0xfff0d0), (v - 0.6f) * 2.5f)
                                 : Mix(Hex(0x200000), Hex(0xff3010), v / 0.6f);
            col.a = d < 1.15f ? 1.0f : 0.0f;
            return col;
        });
    }
    p.cv.ClipAll();
    return p;
}

// A shot's hit: a cyan-white flash with a star, drawn additively at half strength.
Picture HitFlash() {
    Picture p = MakePicture("effect/hiteff.bmp", 3, 2, 48, 48);
    for (int k = 0; k < 6; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float t = k / 5.0f;
        float r = 6 + 16 * t;
        Fill(p.cv, Ring(c, r, 2.5f * (1 - t) + 0.8f), Mix(Hex(0xffffff), Hex(0x3090ff), t));
        if (k < 4) {
            float s = 20 * (1 - t);
            Fill(p.cv, Poly({{c.x - s, c.y}, {c.x, c.y - 2}, {c.x + s, c.y}, {c.x, c.y + 2}}), Hex(0xffffff));
            Fill(p.cv, Poly({{c.x, c.y - s}, {c.x + 2, c.y}, {c.x, c.y + s}, {c.x - 2, c.y}}), Hex(0xffffff));
            Fill(p.cv, Circle(c, 5 * (1 - t)), Hex(0xe0ffff));
        }
    }
    p.cv.ClipAll();
    return p;
}

// The boss's last flash: a band of light across the whole field in six cells.
Picture BossBands() {
    Picture p = MakePicture("effect/boss_dead1.bmp", 1, 6, 1280, 80);
    for (int k = 0; k < 6; ++k) {
        ClipCell(p, k);
        V2 c = CellCentre(p, k);
        float th = 34 * (1 - k / 7.0f);
        p.cv.Shade([&](float x, float y) {
            float d = std::fabs(y - c.y) / th, e = std::fabs(x - c.x) / 640.0f;
            float v = std::clamp(1.0f - d - e * e * 0.6f, 0.0f, 1.0f) * (1 - k * 0.13f);
            Color col = Mix(Hex(0xff6020), Hex(0xffffff), v);
            col.a = v > 0.02f ? 1.0f : 0.0f;
            return col;
        });
    }
    p.cv.ClipAll();
    return p;
}

Picture BossDeath() {
    Picture p = MakePicture("effect/boss_death.png", 1, 1, 256, 256);
    V2 c{128, 128};
    Glow(p.cv, c, 50, Hex(0xffe0a0), 1.0f);
    Fill(p.cv, Ring(c, 96, 10),
         Radial(c, 110, WithAlpha(Hex(0xffffff), 0.9f), WithAlpha(Hex(0xff8020), 0.2f)));
    Fill(p.cv, Ring(c, 70, 3), WithAlpha(Hex(0xffffff), 0.7f));
    return p;
}

}  // namespace

void AddEffectJobs(Jobs& jobs) {
    jobs.push_back({"big explosions", [] {
                        std::vector<Picture> v;
                        v.push_back(Explosion("effect/bak0.bmp", 200, 500, kOrangeFire));
                        return v;
                    }});
    jobs.push_back({"explosions", [] {
                        std::vector<Picture> v;
                        v.push_back(Explosion("effect/bak1.bmp", 96, 501, kOrangeFire));
                        v.push_back(Explosion("effect/bak2.bmp", 48, 502, kOrangeFire));
                        v.push_back(Explosion("effect/bak3.bmp", 37, 503, kOrangeFire));
                        v.push_back(Explosion("effect/bak_jiki.bmp", 128, 504, kBlueFire));
                        return v;
                    }});
    jobs.push_back({"sparks and flashes", [] {
                        std::vector<Picture> v;
                        v.push_back(Spark("effect/bak5.bmp", 39, Hex(0xffffff), Hex(0xffc020), 0.26f));
                        v.push_back(Spark("effect/bak5_2.bmp", 39, Hex(0xffffff), Hex(0xff6020), -0.26f));
                        v.push_back(Spark("effect/bak6.bmp", 24, Hex(0xffffff), Hex(0xff9020), 0.26f));
                        v.push_back(Spark("effect/bak6_2.bmp", 24, Hex(0xffffff), Hex(0xff5010), -0.26f));
                        v.push_back(Spark("effect/bak7.bmp", 24, Hex(0xffffff), Hex(0x60c0ff), 0.26f));
                        v.push_back(Spark("effect/bak7_2.bmp", 24, Hex(0xffffff), Hex(0x4080ff), -0.26f));
                        v.push_back(HitFlash());
                        v.push_back(Waves("effect/bak12.png", 3, 2, 64, 64, 6, Hex(0xffd040), true));
                        return v;
                    }});
    jobs.push_back(
        {"other effects", [] {
             std::vector<Picture> v;
             v.push_back(Waves("effect/bak10.png", 3, 2, 96, 96, 6, Hex(0x40a0ff), true));
             v.push_back(Waves("effect/bak11.png", 3, 2, 64, 64, 6, Hex(0x50ff80), true));
             v.push_back(Puffs("effect/bak13.bmp", 3, 2, 96, 6, Hex(0xa0a0b0), Hex(0x303038), 510, false));
             v.push_back(Puffs("effect/bak13_2.bmp", 3, 2, 96, 6, Hex(0x9090a8), Hex(0x282830), 511, false));
             v.push_back(Puffs("effect/bak14.bmp", 3, 2, 64, 6, Hex(0xffe080), Hex(0xc03010), 512, false));
             v.push_back(Puffs("effect/bak14_2.bmp", 3, 2, 64, 6, Hex(0xfff0a0), Hex(0xd04010), 513, false));
             v.push_back(Puffs("effect/bak15.bmp", 3, 2, 48, 6, Hex(0xffffff), Hex(0x4080ff), 514, false));
             v.push_back(Puffs("effect/bak15_2.bmp", 3, 2, 48, 6, Hex(0xffffff), Hex(0x40ffa0), 515, false));
             v.push_back(Puffs("effect/bak16.png", 3, 2, 40, 6, Hex(0xffffff), Hex(0xffa040), 516, true));
             v.push_back(Puffs("effect/bak16_2.png", 3, 2, 52, 6, Hex(0xffffff), Hex(0xff6040), 517, true));
             v.push_back(Waves("effect/bak17.png", 3, 2, 64, 64, 6, Hex(0xc060ff), true));
             v.push_back(Streaks("effect/homing_k2.png", 4, 2, 64, 32, 8, Hex(0x80ff40), true));
             v.push_back(Streaks("effect/biteff.bmp", 3, 2, 64, 32, 6, Hex(0x40c0ff), false));
             v.push_back(Streaks("effect/biteff2.bmp", 3, 2, 64, 32, 6, Hex(0xff60c0), false));
             v.push_back(Puffs("effect/homing_k.png", 4, 2, 32, 8, Hex(0xffffff), Hex(0x80ff40), 518, true));
             v.push_back(Streaks("effect/hibana.png", 2, 6, 51, 26, 12, Hex(0xffb040), true));
             v.push_back(Streaks("effect/pr.bmp", 2, 2, 192, 128, 4, Hex(0xff3030), false));
             v.push_back(Streaks("effect/pg.bmp", 2, 2, 192, 128, 4, Hex(0x30ff60), false));
             v.push_back(Streaks("effect/py.bmp", 2, 2, 192, 128, 4, Hex(0xffe030), false));
             v.push_back(BossDeath());
             v.push_back(BossBands());
             v.push_back(Waves("effect/bak34.bmp", 2, 2, 96, 96, 4, Hex(0xff8020), false));
             v.push_back(Waves("effect/bak34_2.bmp", 2, 2, 64, 64, 4, Hex(0xffb040), false));
             return v;
         }});
    jobs.push_back({"bullets", [] {
                        std::vector<Picture> v;
                        for (int k = 0; k < 6; ++k) v.push_back(Bullet(k));
                        v.push_back(Blast());
                        return v;
                    }});
}

}  // namespace datagen::pic
