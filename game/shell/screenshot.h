// Screenshots: P saves the back screen as "ScreenShots/SS%04d.bmp".
#pragma once

namespace game {

// Called first in EndFrame: saves a screenshot on the frame P goes down.
void CheckScreenshotKey();

}  // namespace game
