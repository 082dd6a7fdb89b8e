// The SDL2 back-end: the real window, presentation, keyboard and mouse, audio device and dialog.
#pragma once

#include <memory>

#include "engine/platform.h"

namespace sdl {

std::unique_ptr<platform::Platform> MakeSdlPlatform(const platform::Options& options);

// Set-1 scan code (+128 for extended keys) of an SDL scancode; 0 for keys the game cannot name.
int ScanCodeFromSdl(int sdlScancode);

}  // namespace sdl
