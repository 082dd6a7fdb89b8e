// Drawing state: the clip rectangle and blend settings every primitive reads.
#include "engine/image/draw_state.h"

#include <algorithm>
#include <utility>

#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "engine/image/image.h"

namespace engine {

DrawState& CurrentDrawState() {
    static DrawState state;
    return state;
}

void SetDrawCallObserver(DrawCallObserver observer) { drawCallObserver = observer; }

void DrawTargetChanged(int oldWidth, int oldHeight, int newWidth, int newHeight) {
    if (oldWidth == newWidth && oldHeight == newHeight) return;
    DrawState& s = CurrentDrawState();
    s.clipX1 = 0;
    s.clipY1 = 0;
    s.clipX2 = newWidth;
    s.clipY2 = newHeight;
    s.nothingDrawn = newWidth <= 0 || newHeight <= 0;
}

void ResetDrawState(int width, int height) {
    CurrentDrawState() = DrawState{};
    DrawTargetChanged(-1, -1, width, height);
}

int SetClipRect(int x1, int y1, int x2, int y2) {
    DrawState& s = CurrentDrawState();
    const Surface& t = DrawTargetSurface();
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    s.clipX1 = std::clamp(x1, 0, t.width);
    s.clipY1 = std::clamp(y1, 0, t.height);
    s.clipX2 = std::clamp(x2, 0, t.width);
    s.clipY2 = std::clamp(y2, 0, t.height);
    s.nothingDrawn = s.clipX1 == s.clipX2 || s.clipY1 == s.clipY2;
    return 0;
}

int SetBlendMode(int mode, int parameter) {
    DrawState& s = CurrentDrawState();
    s.blendMode = mode;
    s.blendParameter = std::clamp(parameter, 0, 255);
    return 0;
}

int SetTransparentColor(int red, int green, int blue) {
    if (ScreenColourDepth() == 8) return 0;
    CurrentDrawState().transparentColour =
        (uint32_t(red & 255) << 16) | (uint32_t(green & 255) << 8) | uint32_t(blue & 255);
    return 0;
}

}  // namespace engine
