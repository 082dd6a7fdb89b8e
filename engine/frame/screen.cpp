// The two screens, the draw target and clearing.
#include "engine/frame/screen.h"

#include <algorithm>
#include <vector>

#include "engine/frame/engine_state.h"
#include "engine/frame/frame.h"
#include "engine/image/draw_state.h"
#include "engine/image/image.h"

namespace engine {

namespace {
struct Screens {
    std::vector<uint32_t> back, front;
    Surface backSurface, frontSurface, target;
    int targetHandle = kFrontScreen;
};
Screens& S() {
    static Screens s;
    return s;
}
void MakeSurface(std::vector<uint32_t>& memory, Surface& surface, int width, int height) {
    memory.assign(size_t(width) * size_t(height), 0xFF000000u);
    surface = Surface{memory.data(), width, height, width};
}
}  // namespace

// Whoever asks for a screen reads its pixels: the held draws are drawn first.
Surface& BackScreen() {
    FlushDrawing();
    return S().backSurface;
}
Surface& FrontScreen() {
    FlushDrawing();
    return S().frontSurface;
}
Surface& DrawTargetSurface() { return S().target; }
int DrawTarget() { return S().targetHandle; }

void AllocateScreens(int width, int height) {
    DiscardDrawing();
    Screens& s = S();
    MakeSurface(s.back, s.backSurface, width, height);
    MakeSurface(s.front, s.frontSurface, width, height);
    s.target = s.targetHandle == kBackScreen ? s.backSurface : s.frontSurface;
    s.targetHandle = s.targetHandle == kBackScreen ? kBackScreen : kFrontScreen;
}

void SwapScreens() {
    FlushDrawing();
    Screens& s = S();
    std::swap(s.back, s.front);
    std::swap(s.backSurface, s.frontSurface);
    if (s.targetHandle == kBackScreen)
        s.target = s.backSurface;
    else if (s.targetHandle == kFrontScreen)
        s.target = s.frontSurface;
}

void ReleaseScreens() {
    DiscardDrawing();
    Screens& s = S();
    s = Screens{};
}

int SetDrawTarget(int target) {
    FlushDrawing();
    Screens& s = S();
    Surface next;
    if (target == kBackScreen) {
        next = s.backSurface;
    } else if (target == kFrontScreen) {
        next = s.frontSurface;
    } else if (!ImageSurface(target, &next)) {
        return -1;
    }
    if (!next.pixels) return -1;
    const Surface old = s.target;
    s.target = next;
    s.targetHandle = target;
    DrawTargetChanged(old.width, old.height, next.width, next.height);
    return 0;
}

int ClearScreen() {
    Surface& t = S().target;
    if (!t.pixels) return 0;
    if (drawCallObserver) {
        DrawCall call;
        call.state = CurrentDrawState();
        drawCallObserver(call);
    }
    if (PixelsSkipped()) return 0;
    const uint32_t colour = BackgroundColour();
    if (HoldClear(colour)) return 0;
    for (int y = 0; y < t.height; ++y) std::fill_n(t.pixels + size_t(y) * t.pitch, t.width, colour);
    return 0;
}

}  // namespace engine
