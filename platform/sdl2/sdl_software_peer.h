// SDL2's own software renderer behind a small interface without SDL types: the drawing benchmark
// draws the same calls with it to compare costs.
#pragma once

#include <cstdint>
#include <memory>

namespace sdl {

class SoftwarePeer {
public:
    SoftwarePeer();
    ~SoftwarePeer();
    SoftwarePeer(const SoftwarePeer&) = delete;
    SoftwarePeer& operator=(const SoftwarePeer&) = delete;

    // A width x height 32-bit surface with a software renderer on it; false when SDL cannot make it.
    bool Open(int width, int height);
    // A texture of 0xAARRGGBB pixels (alpha 0 where transparent); its index, or -1.
    int AddTexture(const uint32_t* pixels, int width, int height, int pitch);

    void SetClip(int x1, int y1, int x2, int y2);
    // 0 none (keyed by alpha when `transparent`), 1 alpha by `parameter`, 2 add by `parameter`.
    void SetBlend(int mode, int parameter, bool transparent);
    // Part (sx, sy, w, h) of a texture, its top-left corner at (x, y), unscaled.
    void Draw(int texture, int sx, int sy, int w, int h, int x, int y);
    // Part (sx, sy, w, h) of a texture centred by (cx, cy) on (x, y), scaled and turned (radians).
    void DrawTurned(int texture, int sx, int sy, int w, int h, int cx, int cy, int x, int y, double scale,
                    double angle);
    void Rectangle(int x1, int y1, int x2, int y2, uint32_t colour, bool fill);
    void Clear(uint32_t colour);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sdl
