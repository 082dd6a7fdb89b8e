// The record files: one decimal integer and a CR LF each.
#include "game/shell/records.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "game/services/screenshot.h"
#include "game/services/user_folder.h"
#include "game/state.h"

namespace game {

namespace {
constexpr int kLastStage = 600;
constexpr const char* kStartFile = "Option/start.dat";
constexpr const char* kScoreFile = "Option/score.dat";
constexpr const char* kScreenshotFile = "Option/savess.dat";
}  // namespace

bool ReadRecordFile(const std::string& path, int32_t* value) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char text[4096] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[n] = '\0';
    // Like formatted input: white space, an optional sign, decimal digits.
    const char* p = text;
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(start, &end, 10);
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
    *value = int32_t(v);
    return true;
}

void WriteRecordFile(const std::string& path, int32_t value) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "%d\r\n", value);
    std::fclose(f);
}

void ReadRecords() {
    GameState& gs = gameState;
    ReadRecordFile(UserPath(kStartFile), &gs.highestStage);
    if (gs.highestStage > kLastStage) gs.highestStage = kLastStage;
    ReadRecordFile(UserPath(kScoreFile), &gs.highScore);
    ReadRecordFile(UserPath(kScreenshotFile), &screenshotNumber);
}

void RecordStage() {
    GameState& gs = gameState;
    if (gs.highestStage > kLastStage) gs.highestStage = kLastStage;
    if (gs.highestStage < gs.stage) {
        gs.highestStage = gs.stage;
        WriteRecordFile(UserPath(kStartFile), gs.highestStage);
    }
}

void SaveHighScore() {
    gameState.highScore = gameState.score;
    WriteRecordFile(UserPath(kScoreFile), gameState.highScore);
}

void SaveScreenshotNumber() { WriteRecordFile(UserPath(kScreenshotFile), screenshotNumber); }

}  // namespace game
