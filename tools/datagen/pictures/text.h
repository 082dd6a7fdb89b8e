// Lettering for the pictures: FreeType renders text into coverage masks that are then painted.
#pragma once

#include <string>
#include <vector>

#include "pictures/canvas.h"

namespace datagen::pic {

constexpr const char* kMonoFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
constexpr const char* kSansFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Coverage 0..1 of a rendered line; `baseline` is the row of the text's base line.
struct Mask {
    int w = 0, h = 0, baseline = 0;
    std::vector<float> a;
    float At(int x, int y) const { return x < 0 || y < 0 || x >= w || y >= h ? 0.0f : a[y * w + x]; }
};

// One FreeType library and face; not shared between threads.
class Lettering {
public:
    explicit Lettering(const char* fontPath);
    ~Lettering();
    Lettering(const Lettering&) = delete;
    Lettering& operator=(const Lettering&) = delete;
    bool Ok() const { return face_ != nullptr; }
    // The text at the given pixel size, with `pad` empty pixels on every side.
    Mask Render(const std::string& text, int pixelSize, int pad = 0, float tracking = 0);

private:
    void* lib_ = nullptr;
    void* face_ = nullptr;
};

// Grows a mask by r pixels (for outlines), and blurs it (for glows).
Mask Dilate(const Mask& m, float r);
Mask Blur(const Mask& m, int r);

// Paints a mask with its top-left corner at (x, y).
void PaintMask(Canvas& cv, const Mask& m, float x, float y, const Paint& p);
void LightMask(Canvas& cv, const Mask& m, float x, float y, const Paint& p, float strength);

// Styled text: dark outline, gradient face; `centre` places the line's middle at (x, y).
struct TextStyle {
    int size = 24;
    Color top, bottom;
    Color outline = Hex(0x05050c);
    float outlineWidth = 2;
    Color glow{0, 0, 0, 0};
    float glowRadius = 0;
    float tracking = 0;
    float maxWidth = 0;  // when set, the size shrinks until the line fits
};
void DrawText(Canvas& cv, Lettering& font, const std::string& text, float x, float y, const TextStyle& st,
              bool centre);

}  // namespace datagen::pic
