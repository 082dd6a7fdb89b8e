// The pause: Pause, F1 or a controller's Y (the pause action's keys) holds the game exactly as a
// window without the focus does. The frame on the screen is shown dimmed under a menu: play on, or the
// options (volumes, mute, full screen, integer scale, steering speed, and the keys and controller
// buttons of every action), usable with the mouse, the keys and a controller.
#pragma once

#include <cstdint>

#include "engine/frame/screen.h"

namespace engine {

bool GamePaused();
// After each frame pump: a press of a pause key (counted, so a quick tap counts) starts or ends the
// pause. True when it changed.
bool FollowPauseKeys();
// While paused, after each pump: the menu's input. True when what it shows changed.
bool FollowPauseMenu();
// Changes whenever what the pause shows changes.
uint64_t PauseGeneration();
// The letters the menu writes with: 128 image handles by character code for the chosen row and for the
// others (the game's own fonts). None given, the pause shows its sign alone.
void SetOverlayFont(const int* chosenGlyphs, const int* otherGlyphs);
// Dims `picture` and draws the pause's menu over it.
void DrawPauseOverlay(Surface& picture);

// What the options screen shows of the picture and what it changed there, for settings.ini.
struct DisplayChoices {
    bool integerScale = false;
    bool windowModeChosen = false;  // the options switched full screen and window
    bool windowed = false;
};
void SetDisplayChoices(const DisplayChoices& choices);
// After each frame pump: Alt+Enter switches full screen and window.
void FollowWindowKeys();
DisplayChoices CurrentDisplayChoices();

// Not paused, the menu closed, no font; for engine resets (the display choices are kept).
void ResetPause();

}  // namespace engine
