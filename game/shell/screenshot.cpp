// Screenshots (the capture itself lands with the screen-capture work).
#include "game/shell/screenshot.h"

namespace game {

void CheckScreenshotKey() {}

}  // namespace game
