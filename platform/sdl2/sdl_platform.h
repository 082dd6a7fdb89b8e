// The SDL2 back-end: the real window, presentation, keyboard and mouse, audio device and dialog.
#pragma once

#include <memory>

#include "engine/platform.h"

namespace sdl {

std::unique_ptr<platform::Platform> MakeSdlPlatform(const platform::Options& options);

// Set-1 scan code (+128 for extended keys) of an SDL scancode; 0 for keys the game cannot name.
int ScanCodeFromSdl(int sdlScancode);

// The window size a resize to w x h becomes when it keeps the picture's W:H. A dragged edge sets the
// other side; a dragged corner goes by the side with the larger share of the picture's size.
void AspectSize(int W, int H, bool widthDragged, bool heightDragged, int* w, int* h);

}  // namespace sdl
