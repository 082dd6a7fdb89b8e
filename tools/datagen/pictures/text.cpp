// Lettering for the pictures: FreeType masks, outlines, glows and styled text.
#include "pictures/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace datagen::pic {

Lettering::Lettering(const char* fontPath) {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib)) return;
    lib_ = lib;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, fontPath, 0, &face)) return;
    face_ = face;
}

Lettering::~Lettering() {
    if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
    if (lib_) FT_Done_FreeType(static_cast<FT_Library>(lib_));
}

Mask Lettering::Render(const std::string& text, int pixelSize, int pad, float tracking) {
    Mask m;
    if (!face_) return m;
    FT_Face face = static_cast<FT_Face>(face_);
    FT_Set_Pixel_Sizes(face, 0, pixelSize);
    int asc = static_cast<int>(face->size->metrics.ascender >> 6);
    int desc = static_cast<int>(-(face->size->metrics.descender >> 6));
    float width = 0;
    for (unsigned char ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT)) continue;
        width += (face->glyph->advance.x >> 6) + tracking;
    }
    m.w = static_cast<int>(std::ceil(width)) + 2 * pad + 2;
    m.h = asc + desc + 2 * pad;
    m.baseline = pad + asc;
    m.a.assign(static_cast<size_t>(m.w) * m.h, 0.0f);
    float pen = static_cast<float>(pad);
    for (unsigned char ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_RENDER)) continue;
        FT_GlyphSlot g = face->glyph;
        int gx = static_cast<int>(std::lround(pen)) + g->bitmap_left, gy = m.baseline - g->bitmap_top;
        for (unsigned r = 0; r < g->bitmap.rows; ++r)
            for (unsigned c = 0; c < g->bitmap.width; ++c) {
                int x = gx + static_cast<int>(c), y = gy + static_cast<int>(r);
                if (x < 0 || y < 0 || x >= m.w || y >= m.h) continue;
                float v = g->bitmap.buffer[r * g->bitmap.pitch + c] / 255.0f;
                m.a[y * m.w + x] = std::max(m.a[y * m.w + x], v);
            }
        pen += (g->advance.x >> 6) + tracking;
    }
    return m;
}

Mask Dilate(const Mask& m, float r) {
    Mask d = m;
    int ri = static_cast<int>(std::ceil(r)) + 1;
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float best = 0;
            for (int dy = -ri; dy <= ri && best < 1; ++dy)
                for (int dx = -ri; dx <= ri; ++dx) {
                    float v = m.At(x + dx, y + dy);
                    if (v <= 0) continue;
                    float fall =
                        std::clamp(r + 0.5f - std::sqrt(static_cast<float>(dx * dx + dy * dy)), 0.0f, 1.0f);
                    best = std::max(best, v * fall);
                }
            d.a[y * m.w + x] = best;
        }
    return d;
}

Mask Blur(const Mask& m, int r) {
    Mask t = m, o = m;
    float n = 2.0f * r + 1;
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float s = 0;
            for (int k = -r; k <= r; ++k) s += m.At(x + k, y);
            t.a[y * m.w + x] = s / n;
        }
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float s = 0;
            for (int k = -r; k <= r; ++k) s += t.At(x, y + k);
            o.a[y * m.w + x] = s / n;
        }
    return o;
}

void PaintMask(Canvas& cv, const Mask& m, float x, float y, const Paint& p) {
    int ox = static_cast<int>(std::lround(x)), oy = static_cast<int>(std::lround(y));
    for (int j = 0; j < m.h; ++j)
        for (int i = 0; i < m.w; ++i) {
            int px = ox + i, py = oy + j;
            float v = m.a[j * m.w + i];
            if (v <= 0 || px < cv.clipX0 || py < cv.clipY0 || px >= cv.clipX1 || py >= cv.clipY1) continue;
            cv.Over(px, py, p.At({px + 0.5f, py + 0.5f}), v);
        }
}

void LightMask(Canvas& cv, const Mask& m, float x, float y, const Paint& p, float strength) {
    int ox = static_cast<int>(std::lround(x)), oy = static_cast<int>(std::lround(y));
    for (int j = 0; j < m.h; ++j)
        for (int i = 0; i < m.w; ++i) {
            int px = ox + i, py = oy + j;
            float v = m.a[j * m.w + i];
            if (v <= 0 || px < cv.clipX0 || py < cv.clipY0 || px >= cv.clipX1 || py >= cv.clipY1) continue;
            cv.Add(px, py, p.At({px + 0.5f, py + 0.5f}), v * strength);
        }
}

void DrawText(Canvas& cv, Lettering& font, const std::string& text, float x, float y, const TextStyle& st,
              bool centre) {
    int pad = static_cast<int>(std::ceil(st.outlineWidth + st.glowRadius * 2)) + 2;
    int size = st.size;
    Mask m = font.Render(text, size, pad, st.tracking);
    while (st.maxWidth > 0 && m.w - 2 * pad > st.maxWidth && size > 6)
        m = font.Render(text, --size, pad, st.tracking);
    if (m.w == 0) return;
    float ox = centre ? x - m.w * 0.5f : x - pad, oy = centre ? y - m.h * 0.5f : y - pad;
    if (st.glowRadius > 0 && st.glow.a > 0)
        LightMask(cv, Blur(Dilate(m, st.outlineWidth), static_cast<int>(st.glowRadius)), ox, oy,
                  Flat(st.glow), 1.0f);
    if (st.outlineWidth > 0) PaintMask(cv, Dilate(m, st.outlineWidth), ox, oy, Flat(st.outline));
    // The face's gradient runs over the cap height.
    float top = oy + m.baseline - size * 0.74f, bottom = oy + m.baseline;
    PaintMask(cv, m, ox, oy, Linear({0, top}, st.top, {0, bottom}, st.bottom));
}

}  // namespace datagen::pic
