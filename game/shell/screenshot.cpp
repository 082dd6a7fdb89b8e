// Screenshots (the capture itself lands with the screen-capture work).
#include "game/shell/screenshot.h"

namespace game {

int32_t screenshotNumber = 0;

void CheckScreenshotKey() {}

}  // namespace game
