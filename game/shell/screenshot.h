// Screenshots: P saves the back screen as "ScreenShots/SS%04d.bmp".
#pragma once

#include <cstdint>

namespace game {

// Number of the next screenshot file. The record file "Option/savess.dat" reads it at start-up
// and writes it at shutdown.
extern int32_t screenshotNumber;

// Called first in EndFrame: saves a screenshot on the frame P goes down.
void CheckScreenshotKey();

}  // namespace game
