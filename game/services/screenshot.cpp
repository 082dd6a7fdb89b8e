// Screenshots: on the frame P goes down, the finished picture goes to the next numbered BMP file.
#include "game/services/screenshot.h"

#include <cstdio>
#include <filesystem>

#include "engine/capture/capture.h"
#include "game/services/frame_rhythm.h"
#include "game/services/user_folder.h"

namespace game {

int32_t screenshotNumber = 0;

std::string ScreenshotFileName(int32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "ScreenShots/SS%04d.bmp", int(number));
    return name;
}

void CheckScreenshotKey() {
    if (KeyCount(kKeyP) != 1) return;  // only the frame P goes down: holding it saves one file
    std::string name;
    std::error_code error;
    do {
        if (screenshotNumber < 0) return;
        name = UserPath(ScreenshotFileName(screenshotNumber));
        // The number is used up even when the save fails (no folder). Past 2147483647 it wraps
        // negative as the 32-bit field did, which switches screenshots off rather than overwriting
        // old files.
        screenshotNumber = int32_t(uint32_t(screenshotNumber) + 1u);
        // A number whose file exists is passed over: when the counter could not be kept (no Option
        // folder) a run starts again at 0 and must not overwrite an earlier run's pictures.
    } while (std::filesystem::exists(name, error) || std::filesystem::is_symlink(name, error));
    engine::SaveDrawScreen(0, 0, 640, 480, name, engine::kSaveBmp, 80, 1, -1);
}

}  // namespace game
