// Screenshots: on the frame P goes down, the finished picture goes to the next numbered BMP file.
#include "game/services/screenshot.h"

#include <cstdio>
#include <filesystem>

#include "engine/capture/capture.h"
#include "engine/frame/frame.h"
#include "game/services/frame_rhythm.h"
#include "game/services/user_folder.h"

namespace game {

int32_t screenshotNumber = 0;

namespace {

constexpr const char* kCounterFile = "Option/savess.dat";
// The counter stops here rather than wrap negative: every number below it has been used.
constexpr int32_t kNoNumberLeft = INT32_MAX;

// Each kind of trouble is told once a run: a player pressing P again and again gets one line.
struct Reports {
    bool switchedOff = false;
    bool noNumberLeft = false;
    bool saveFailed = false;
};
Reports reports;

void SayOnce(bool* said, const std::string& line) {
    if (*said) return;
    *said = true;
    std::fprintf(stderr, "velmoran: %s\n", line.c_str());
    engine::LogMessage(line + "\n");
}

}  // namespace

std::string ScreenshotFileName(int32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "ScreenShots/SS%04d.bmp", int(number));
    return name;
}

void ForgetScreenshotReports() { reports = Reports(); }

void CheckScreenshotKey() {
    if (KeyCount(kKeyP) != 1) return;  // only the frame P goes down: holding it saves one file
    if (screenshotNumber < 0) {
        SayOnce(&reports.switchedOff,
                "screenshots are switched off: " + UserPath(kCounterFile) + " holds a negative number");
        return;
    }
    std::string name;
    std::error_code error;
    do {
        if (screenshotNumber >= kNoNumberLeft) {
            SayOnce(&reports.noNumberLeft, "no screenshot number is left (" + UserPath(kCounterFile) +
                                               " holds 2147483647); no more screenshots are saved");
            return;
        }
        name = UserPath(ScreenshotFileName(screenshotNumber));
        // The number is used up even when the save fails (no folder).
        ++screenshotNumber;
        // A number whose file exists is passed over: when the counter could not be kept (no Option
        // folder) a run starts again at 0 and must not overwrite an earlier run's pictures.
    } while (std::filesystem::exists(name, error) || std::filesystem::is_symlink(name, error));
    if (engine::SaveDrawScreen(0, 0, 640, 480, name, engine::kSaveBmp, 80, 1, -1) != 0)
        SayOnce(&reports.saveFailed,
                "the screenshot " + name + " could not be saved (" + engine::SaveDrawScreenError() + ")");
}

}  // namespace game
