// The engine's own state behind its API (one per process); internal to engine/.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

struct EngineState {
    bool initialised = false;
    bool quitRequested = false;
    bool windowed = false;
    bool resizable = false;
    bool keepAspect = false;
    std::string title;
    int screenWidth = 640;
    int screenHeight = 480;
    int colourDepth = 32;
    int refreshRate = 60;
    uint32_t background = 0xFF000000u;  // ClearScreen colour, black
    bool logDisabled = false;
    std::string logFolder;
    int logIndent = 0;
    bool logAtLineStart = true;
    int startTime = 0;
    std::string savedWorkingFolder;
    std::string lastError;
    int64_t framesPumped = 0;
    uint64_t presentedOverlays = 0;  // OverlayGeneration of the last frame presented
};

EngineState& Engine();
uint32_t BackgroundColour();
void AllocateScreens(int width, int height);
void ReleaseScreens();
// The back screen's picture becomes the front one (the old front is left in the back screen).
void SwapScreens();
// Blocks while the window is inactive, handling messages and feeding sound (the game pauses).
void WaitWhileInactive();

}  // namespace engine
