// Screenshots: P saves the back screen as "ScreenShots/SS%04d.bmp".
#pragma once

#include <cstdint>
#include <string>

namespace game {

// Number of the next screenshot file; negative switches screenshots off, and 2147483647 means every
// number has been used. The record file "Option/savess.dat" reads it at start-up and writes it at
// shutdown.
extern int32_t screenshotNumber;

// Called first in EndFrame: saves a screenshot on the frame P goes down. A save that fails, and a
// press while screenshots are off or out of numbers, are told once a run on stderr and in the log.
void CheckScreenshotKey();
// A new run (the counter has just been read): each of those is told again.
void ForgetScreenshotReports();

// The file name for a screenshot number: "ScreenShots/SS%04d.bmp".
std::string ScreenshotFileName(int32_t number);

}  // namespace game
