// The record files: one decimal integer and a CR LF each.
#include "game/shell/records.h"

#include <cctype>
#include <cstdio>

#include "engine/file/atomic_write.h"
#include "game/services/screenshot.h"
#include "game/services/user_folder.h"
#include "game/state.h"

namespace game {

namespace {
constexpr int kLastStage = 600;
constexpr int32_t kHighScoreCap = 99999999;  // the panel shows eight digits
constexpr const char* kStartFile = "Option/start.dat";
constexpr const char* kScoreFile = "Option/score.dat";
constexpr const char* kScreenshotFile = "Option/savess.dat";
// A record is a dozen bytes; looking further than this into a file is looking at something else.
constexpr long kMaxRecordBytes = 1 << 20;

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }
}  // namespace

bool ReadRecordFile(const std::string& path, int32_t* value) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    // Like formatted input: white space (as much as there is, up to the cap), an optional sign,
    // decimal digits; leading zeros do not count towards the size.
    long budget = kMaxRecordBytes;
    auto next = [&]() { return budget-- > 0 ? std::fgetc(f) : EOF; };
    int c = next();
    while (c != EOF && std::isspace(c)) c = next();
    const bool negative = c == '-';
    if (c == '+' || c == '-') c = next();
    bool digits = false, fits = true;
    int64_t v = 0;
    for (; c != EOF && std::isdigit(c); c = next()) {
        digits = true;
        v = v * 10 + (c - '0');
        if (v > int64_t(INT32_MAX) + 1) {
            fits = false;
            v = int64_t(INT32_MAX) + 1;  // keeps the sum bounded while the rest of the digits go by
        }
    }
    std::fclose(f);
    if (negative) v = -v;
    if (!digits || !fits || v < INT32_MIN || v > INT32_MAX) return false;
    *value = int32_t(v);
    return true;
}

bool WriteRecordFile(const std::string& path, int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d\r\n", int(value));
    std::string error;
    if (engine::ReplaceFile(path, text, &error)) return true;
    std::fprintf(stderr, "velmoran: %s could not be written (%s); it keeps its earlier record\n",
                 path.c_str(), error.c_str());
    return false;
}

void ReadRecords() {
    GameState& gs = gameState;
    ReadRecordFile(UserPath(kStartFile), &gs.highestStage);
    ReadRecordFile(UserPath(kScoreFile), &gs.highScore);
    ReadRecordFile(UserPath(kScreenshotFile), &screenshotNumber);
    // What the screens can show and use: stage select runs 1..600, the panel has eight digits.
    gs.highestStage = Clamp(gs.highestStage, 1, kLastStage);
    gs.highScore = Clamp(gs.highScore, 0, kHighScoreCap);
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
