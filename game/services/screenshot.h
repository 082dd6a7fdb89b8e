// Screenshots: P saves the back screen as "ScreenShots/SS%04d.bmp".
#pragma once

#include <cstdint>
#include <string>

namespace game {

// Number of the next screenshot file; negative switches screenshots off. The record file
// "Option/savess.dat" reads it at start-up and writes it at shutdown.
extern int32_t screenshotNumber;

// Called first in EndFrame: saves a screenshot on the frame P goes down.
void CheckScreenshotKey();

// The file name for a screenshot number: "ScreenShots/SS%04d.bmp".
std::string ScreenshotFileName(int32_t number);

}  // namespace game
