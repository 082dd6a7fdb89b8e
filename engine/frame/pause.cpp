// The pause keys and the pause's picture.
#include "engine/frame/pause.h"

#include <algorithm>
#include <cstring>

#include "engine/image/image.h"
#include "engine/input/controls.h"
#include "engine/input/scan_codes.h"
#include "engine/platform.h"

namespace engine {

namespace {
struct PauseState {
    bool paused = false;
    bool seen = false;  // the press counts below were taken
    uint8_t pausePresses = 0, f1Presses = 0;
    uint32_t padPresses = 0;
    int glyphs[128] = {};
    bool hasFont = false;
};
PauseState& P() {
    static PauseState p;
    return p;
}

uint32_t Blend(uint32_t dst, uint32_t src) {
    const uint32_t a = src >> 24;
    if (a == 255) return src | 0xFF000000u;
    if (a == 0) return dst;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t d = (dst >> shift) & 0xFFu, s = (src >> shift) & 0xFFu;
        out |= ((s * a + d * (255 - a)) / 255) << shift;
    }
    return out;
}

// Writes `text` centred on `centreX` with its top at `top`; returns false when a letter is missing.
void Write(Surface& s, const char* text, int centreX, int top) {
    const PauseState& p = P();
    int width = 0;
    Surface glyph{};
    for (const char* c = text; *c; ++c)
        if (ImagePixels(p.glyphs[*c & 0x7F], &glyph)) width += glyph.width;
    int x = centreX - width / 2;
    for (const char* c = text; *c; ++c) {
        if (!ImagePixels(p.glyphs[*c & 0x7F], &glyph)) continue;
        for (int row = 0; row < glyph.height; ++row) {
            const int y = top + row;
            if (y < 0 || y >= s.height) continue;
            const uint32_t* from = glyph.pixels + size_t(row) * size_t(glyph.pitch);
            uint32_t* to = s.pixels + size_t(y) * size_t(s.pitch);
            for (int col = 0; col < glyph.width; ++col)
                if (x + col >= 0 && x + col < s.width) to[x + col] = Blend(to[x + col], from[col]);
        }
        x += glyph.width;
    }
}

void Bar(Surface& s, int x, int y, int w, int h) {
    for (int row = std::max(y, 0); row < std::min(y + h, s.height); ++row)
        for (int col = std::max(x, 0); col < std::min(x + w, s.width); ++col)
            s.pixels[size_t(row) * size_t(s.pitch) + size_t(col)] = 0xFFFFFFFFu;
}
}  // namespace

bool GamePaused() { return P().paused; }

bool FollowPauseKeys() {
    PauseState& p = P();
    platform::Platform* pl = platform::Current();
    if (!pl) return false;
    const platform::InputState& in = pl->Input();
    const uint32_t pad = CurrentControls().pads ? in.padPresses[platform::kPadY] : p.padPresses;
    const bool pressed = p.seen && (in.keyPresses[kScanPause] != p.pausePresses ||
                                    in.keyPresses[kScanF1] != p.f1Presses || pad != p.padPresses);
    p.seen = true;
    p.pausePresses = in.keyPresses[kScanPause];
    p.f1Presses = in.keyPresses[kScanF1];
    p.padPresses = pad;
    // Pressed without the focus (it cannot be, in a window): the pause waits for the player's return.
    if (!pressed || !in.active) return false;
    p.paused = !p.paused;
    return true;
}

void SetOverlayFont(const int* glyphs) {
    PauseState& p = P();
    std::memcpy(p.glyphs, glyphs, sizeof p.glyphs);
    p.hasFont = true;
}

void DrawPauseOverlay(Surface& s) {
    for (int row = 0; row < s.height; ++row) {
        uint32_t* line = s.pixels + size_t(row) * size_t(s.pitch);
        for (int col = 0; col < s.width; ++col) line[col] = 0xFF000000u | ((line[col] >> 2) & 0x3F3F3Fu);
    }
    const int cx = s.width / 2, cy = s.height / 2;
    Bar(s, cx - 18, cy - 70, 12, 40);  // the pause sign
    Bar(s, cx + 6, cy - 70, 12, 40);
    if (!P().hasFont) return;
    Write(s, "PAUSED", cx, cy - 16);
    Write(s, "F1 to play on", cx, cy + 30);
}

void ResetPause() { P() = PauseState{}; }

}  // namespace engine
