// Review pictures: a contact sheet of every picture with its cell grid, and a mock of a busy stage.
#include <algorithm>
#include <cmath>
#include <map>

#include "pictures/families.h"
#include "pictures/text.h"

namespace datagen::pic {

namespace {

Image8 Blank(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    Image8 img{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
    for (size_t i = 0; i < img.px.size(); i += 4) {
        img.px[i] = r;
        img.px[i + 1] = g;
        img.px[i + 2] = b;
        img.px[i + 3] = 255;
    }
    return img;
}

void PutOver(Image8& dst, int x, int y, const uint8_t* s, int mode = 0, float param = 1) {
    if (x < 0 || y < 0 || x >= dst.w || y >= dst.h || s[3] == 0) return;
    uint8_t* d = &dst.px[(static_cast<size_t>(y) * dst.w + x) * 4];
    float a = s[3] / 255.0f * param;
    for (int c = 0; c < 3; ++c) {
        float v = mode == 2 ? d[c] + s[c] * a : s[c] * a + d[c] * (1 - a);
        d[c] = static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f));
    }
}

void Rect(Image8& dst, int x0, int y0, int x1, int y1, uint8_t r, uint8_t g, uint8_t b, bool fill) {
    const uint8_t px[4] = {r, g, b, 255};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (fill || y == y0 || y == y1 - 1 || x == x0 || x == x1 - 1) PutOver(dst, x, y, px);
}

// Turned, scaled, nearest-pixel drawing of one cell, centred on (cx, cy), as the game draws sprites.
void DrawCell(Image8& dst, const Baked& b, int cell, float cx, float cy, float scale, float angle,
              int mode = 0, float param = 1) {
    int sx0 = (cell % b.cols) * b.cellW, sy0 = (cell / b.cols) * b.cellH;
    float ca = std::cos(angle), sa = std::sin(angle);
    float reach = 0.75f * scale * (b.cellW + b.cellH);
    for (int y = static_cast<int>(cy - reach); y <= static_cast<int>(cy + reach); ++y)
        for (int x = static_cast<int>(cx - reach); x <= static_cast<int>(cx + reach); ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float u = (dx * ca + dy * sa) / scale + b.cellW * 0.5f,
                  v = (-dx * sa + dy * ca) / scale + b.cellH * 0.5f;
            int iu = static_cast<int>(std::floor(u)), iv = static_cast<int>(std::floor(v));
            if (iu < 0 || iv < 0 || iu >= b.cellW || iv >= b.cellH) continue;
            PutOver(dst, x, y, &b.img.px[(static_cast<size_t>(sy0 + iv) * b.img.w + sx0 + iu) * 4], mode,
                    param);
        }
}

void DrawTop(Image8& dst, const Baked& b, int cell, int x, int y) {
    DrawCell(dst, b, cell, x + b.cellW * 0.5f, y + b.cellH * 0.5f, 1, 0);
}

void Label(Image8& dst, Lettering& font, const std::string& text, int x, int y, int size) {
    Mask m = font.Render(text, size, 1);
    for (int j = 0; j < m.h; ++j)
        for (int i = 0; i < m.w; ++i) {
            float v = m.a[j * m.w + i];
            const uint8_t px[4] = {230, 236, 255, static_cast<uint8_t>(v * 255)};
            PutOver(dst, x + i, y + j, px);
        }
}

}  // namespace

bool WriteContactSheet(const std::string& path, const std::vector<Baked>& pics) {
    const int width = 2200, margin = 12, labelH = 18;
    struct Place {
        const Baked* b;
        int x, y, scale;
    };
    std::vector<Place> places;
    int x = margin, y = margin, shelf = 0;
    for (const Baked& b : pics) {
        int scale = std::max(1, (std::max(b.img.w, b.img.h) + 399) / 400);
        int w = b.img.w / scale, h = b.img.h / scale + labelH;
        w = std::max(w, 150);
        if (x + w + margin > width) {
            x = margin;
            y += shelf + margin;
            shelf = 0;
        }
        places.push_back({&b, x, y, scale});
        x += w + margin;
        shelf = std::max(shelf, h);
    }
    Image8 sheet = Blank(width, y + shelf + margin, 16, 16, 22);
    Lettering font(kSansFont);
    for (const Place& p : places) {
        const Baked& b = *p.b;
        int ox = p.x, oy = p.y + labelH, w = b.img.w / p.scale, h = b.img.h / p.scale;
        // A checkerboard shows where the picture is see-through.
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                uint8_t v = ((i / 8 + j / 8) & 1) ? 44 : 30;
                const uint8_t bg[4] = {v, v, static_cast<uint8_t>(v + 10), 255};
                PutOver(sheet, ox + i, oy + j, bg);
                PutOver(sheet, ox + i, oy + j,
                        &b.img.px[(static_cast<size_t>(j * p.scale) * b.img.w + i * p.scale) * 4]);
            }
        for (int k = 0; k < b.count; ++k) {
            int cx = (k % b.cols) * b.cellW / p.scale, cy = (k / b.cols) * b.cellH / p.scale;
            Rect(sheet, ox + cx, oy + cy, ox + cx + b.cellW / p.scale, oy + cy + b.cellH / p.scale, 0, 200,
                 255, false);
        }
        std::string text = b.name + (p.scale > 1 ? " (1/" + std::to_string(p.scale) + ")" : "");
        Label(sheet, font, text, p.x, p.y, 11);
    }
    return WritePng(path, sheet);
}

bool WriteMockScreen(const std::string& path, const std::vector<Baked>& pics) {
    Image8 screen = Blank(640, 480, 0, 0, 0);
    std::map<std::string, const Baked*> by;
    for (const Baked& b : pics) by[b.name] = &b;
    auto get = [&](const std::string& n) { return by.count(n) ? by[n] : nullptr; };
    auto at = [&](const std::string& n, int cell, float x, float y, float angle) {
        if (const Baked* b = get(n)) DrawCell(screen, *b, cell, x, y, 1, angle);
    };
    auto top = [&](const std::string& n, int cell, int x, int y) {
        if (const Baked* b = get(n)) DrawTop(screen, *b, cell, x, y);
    };
    const double unit = 2 * 3.14159265358979 / 1024;
    const int shipAngle = 700;
    const double shipX = 120 * std::cos(shipAngle * unit), shipY = 120 * std::sin(shipAngle * unit);
    const double theta = ((512 - shipAngle + 256 + 2048) % 1024) * unit;
    auto view = [&](double h) { return static_cast<float>((h + (512 - shipAngle) + 256) * unit); };
    auto screenAt = [&](double wx, double wy, float& sx, float& sy) {
        double u = wx - shipX, v = wy - shipY;
        sx = static_cast<float>(240 + u * std::cos(theta) - v * std::sin(theta));
        sy = static_cast<float>(360 + u * std::sin(theta) + v * std::cos(theta));
    };
    auto sprite = [&](const std::string& name, int cell, double r, double a, double facing, float scale = 1,
                      int mode = 0, float param = 1) {
        const Baked* b = get(name);
        if (!b) return;
        float sx, sy;
        screenAt(r * std::cos(a * unit), r * std::sin(a * unit), sx, sy);
        DrawCell(screen, *b, cell, sx, sy, scale, view(facing), mode, param);
    };
    auto inward = [](double a) { return a + 512; };
    at("map/stage3/space3.bmp", 0, 240, 480, view(0));
    at("map/stage3/earth3.bmp", 0, 240, 480, view(0));
    // Shots, the ship's options and their shots.
    for (int i = 0; i < 3; ++i) sprite("jiki/mainShot.png", 4, 160 + i * 60, shipAngle, shipAngle, 0.8f);
    for (int i = 0; i < 2; ++i)
        sprite("jiki/mainShot2.png", 4, 150 + i * 70, shipAngle - 48, shipAngle - 48, 0.8f);
    sprite("jiki/napalm.bmp", 4, 330, shipAngle + 20, shipAngle + 20);
    // Items parked and drifting.
    sprite("item/item0.bmp", 0, 108, shipAngle + 70, inward(shipAngle + 70));
    sprite("item/item4.bmp", 0, 200, shipAngle - 90, inward(shipAngle - 90));
    sprite("item/item1.bmp", 0, 260, shipAngle + 120, inward(shipAngle + 120));
    // Enemies of several families.
    const struct {
        const char* name;
        int cell;
        double r, a;
    } foes[] = {
        {"enemy/teki00.bmp", 1, 330, shipAngle - 40},  {"enemy/teki02.bmp", 2, 300, shipAngle + 60},
        {"enemy/teki05.bmp", 5, 250, shipAngle + 10},  {"enemy/teki06.bmp", 0, 200, shipAngle - 110},
        {"enemy/teki08.bmp", 3, 380, shipAngle + 95},  {"enemy/teki10.bmp", 0, 420, shipAngle - 75},
        {"enemy/teki12.bmp", 1, 400, shipAngle + 30},  {"enemy/itemCarrierL.bmp", 6, 350, shipAngle - 10},
        {"enemy/teki03.bmp", 0, 230, shipAngle + 150}, {"enemy/teki13.bmp", 0, 440, shipAngle - 140},
        {"enemy/teki07.bmp", 2, 160, shipAngle - 60}};
    for (const auto& f : foes) sprite(f.name, f.cell, f.r, f.a, inward(f.a));
    sprite("enemy/boss/boss1.bmp", 0, 520, shipAngle + 70, inward(shipAngle + 70));
    // Effects.
    sprite("effect/bak2.bmp", 5, 280, shipAngle - 20, 0);
    sprite("effect/bak3.bmp", 3, 290, shipAngle - 26, 100);
    sprite("effect/bak6.bmp", 1, 300, shipAngle - 14, 300, 1, 1, 1);
    sprite("effect/hiteff.bmp", 2, 330, shipAngle + 5, 40, 1, 2, 0.5f);
    sprite("effect/bak1.bmp", 4, 430, shipAngle + 60, 0);
    // Enemy bullets of every kind.
    for (int i = 0; i < 6; ++i)
        sprite("bullet/tama01.bmp", 1, 200 + i * 25, shipAngle + 40 - i * 6, inward(shipAngle));
    for (int i = 0; i < 5; ++i)
        sprite("bullet/tama02.bmp", 1, 170 + i * 30, shipAngle - 30 + i * 4, inward(shipAngle));
    for (int i = 0; i < 4; ++i)
        sprite("bullet/tama03.bmp", 1, 260 + i * 30, shipAngle + 80 + i * 8, inward(shipAngle));
    for (int i = 0; i < 4; ++i)
        sprite("bullet/tama00.bmp", 1, 300 + i * 20, shipAngle - 55, inward(shipAngle - 50));
    sprite("bullet/tama04.bmp", 1, 210, shipAngle - 65, 0);
    sprite("bullet/tama04.bmp", 1, 235, shipAngle - 80, 0);
    sprite("bullet/tama05.bmp", 3, 100, shipAngle + 200, inward(shipAngle + 200));
    sprite("bullet/tama06.bmp", 1, 100, shipAngle - 200, 0, 0.5f, 2, 1);
    // The ship and its options.
    for (int i = 0; i < 4; ++i)
        sprite("jiki/opt.bmp", 0, 108, shipAngle - 48 * i - 24, shipAngle - 48 * i - 24);
    at("jiki/jiki.bmp", 1, 240, 360, static_cast<float>(768 * unit));
    at("danger.bmp", 0, 464, 60, view(shipAngle + 150));
    at("blind.bmp", 0, 240, 240, 0);
    top("bunny.bmp", 0, 208, 384);
    // The panel.
    top("waku.bmp", 0, 480, 0);
    auto number = [&](int x, int y, long v, int d) {
        for (int j = 0; j <= d; ++j) {
            at("font.bmp", static_cast<int>(48 + v % 10), x + 16.0f * (d - j) + 8, y + 16.0f, 0);
            v /= 10;
            if (v == 0) break;
        }
    };
    number(480, 96, 1234560, 8);
    number(480, 159, 318450, 8);
    for (int i = 0; i < 3; ++i) top("zanki.bmp", 0, 500 + 26 * i, 212);
    for (int i = 0; i < 5; ++i) Rect(screen, 530 + 18 * i, 250, 545 + 18 * i, 270, 255, 0, 0, i < 4);
    const std::string label = " 2-3";
    for (size_t i = 0; i < label.size(); ++i)
        at("font2.bmp", label[i], 552 + 16 * static_cast<float>(i) + 8, 291 + 16, 0);
    top("bura.bmp", 1, 480, 334);
    return WritePng(path, screen);
}

}  // namespace datagen::pic
