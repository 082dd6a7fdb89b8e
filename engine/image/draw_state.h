// The drawing state shared by the primitives: clip rectangle, blend mode, transparent colour.
#pragma once

#include <cstdint>

namespace engine {

struct DrawState {
    int clipX1 = 0, clipY1 = 0, clipX2 = 640, clipY2 = 480;  // x1 <= x < x2, y1 <= y < y2 are drawn
    bool nothingDrawn = false;              // the clip rectangle is empty: primitives return 0 at once
    int blendMode = 0;                      // 0 none, 1 alpha, 2 add; other values draw as 0
    int blendParameter = 0;                 // 0..255, unused in mode 0
    uint32_t transparentColour = 0xFF00FF;  // 24-bit RGB key for images created afterwards
};

DrawState& CurrentDrawState();

// A number for the pixels of a screen as last drawn, the same after a frame that repeats the one
// before it is copied (0: not known); the frame loop tells the back-end when it presents the same.
uint64_t ScreenVersion(const uint32_t* pixels);

// One drawing primitive as it was called, with the clip rectangle and blend mode in force; the
// drawing benchmark records a frame this way to draw it again, here and with another renderer.
struct DrawCall {
    enum class Kind : uint8_t { kImage, kRotated, kRectangle, kClear };
    Kind kind = Kind::kClear;
    int x = 0, y = 0, x2 = 0, y2 = 0;  // position; the far corner of a rectangle
    int handle = 0, transparent = 0, mirror = 0, colour = 0, fill = 0;
    double scale = 1, angle = 0;
    DrawState state;
};
using DrawCallObserver = void (*)(const DrawCall& call);
// Null (the default) records nothing; the primitives test it once per call.
void SetDrawCallObserver(DrawCallObserver observer);
inline DrawCallObserver drawCallObserver = nullptr;
// Called when the draw target changes: a target of another size gets the whole target as clip.
void DrawTargetChanged(int oldWidth, int oldHeight, int newWidth, int newHeight);
// A clear of a screen joins the held draws (true), or is left to the caller for other targets.
bool HoldClear(uint32_t colour);
// Forgets the held draws (the screens are being replaced).
void DiscardDrawing();
// Turned draws that repeat one of the last frame's (the same picture, cell, angle, scale and
// mirroring) read the source pixels it read, kept aside, in place of the picture: the same pixels.
// Off by default (it saved no time on the busiest frame); the drawing benchmark times both.
void SetTurnedReuse(bool on);
// Back to the start-up drawing state (InitEngine, tests).
void ResetDrawState(int width, int height);

}  // namespace engine
