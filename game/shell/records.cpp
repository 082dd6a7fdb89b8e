// The record files: one decimal integer and a CR LF each.
#include "game/shell/records.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

// Reads one record into `field`, held to lo..hi; a record refused or held is named on stderr (a
// missing one is not: it is how every player starts).
void ReadRecord(const char* file, const char* what, int32_t lo, int32_t hi, int32_t* field) {
    const std::string path = UserPath(file);
    std::string refused;
    int32_t value = *field;
    if (!ReadRecordFile(path, &value, &refused)) {
        if (!refused.empty())
            std::fprintf(stderr, "velmoran: %s is ignored: %s; %s stays %d\n", path.c_str(), refused.c_str(),
                         what, int(Clamp(*field, lo, hi)));
        *field = Clamp(*field, lo, hi);
        return;
    }
    *field = Clamp(value, lo, hi);
    if (*field != value)
        std::fprintf(stderr, "velmoran: %s holds %d, out of %d..%d; %s is held to %d\n", path.c_str(),
                     int(value), int(lo), int(hi), what, int(*field));
}
}  // namespace

bool ReadRecordFile(const std::string& path, int32_t* value, std::string* refused) {
    std::string unused;
    std::string& why = refused ? *refused : unused;
    why.clear();
    // Only a regular file (through a link is fine): opening a pipe would wait for a writer for ever.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return false;  // no record yet: normal
    if (error) {
        why = "it cannot be read (" + error.message() + ")";
        return false;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        why = "it is not a regular file";
        return false;
    }
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        why = std::string("it cannot be read (") + (errno ? std::strerror(errno) : "open refused") + ")";
        return false;
    }
    // Like formatted input: white space (as much as there is, up to the cap), an optional sign,
    // decimal digits; leading zeros do not count towards the size. The number must end inside the
    // cap: one that runs past it is refused, not read cut short.
    constexpr int kPastCap = -2;
    long budget = kMaxRecordBytes;
    auto next = [&]() { return budget-- > 0 ? std::fgetc(f) : kPastCap; };
    int c = next();
    while (c != EOF && c != kPastCap && std::isspace(c)) c = next();
    const bool negative = c == '-';
    if (c == '+' || c == '-') c = next();
    bool digits = false, fits = true;
    int64_t v = 0;
    for (; c != EOF && c != kPastCap && std::isdigit(c); c = next()) {
        digits = true;
        v = v * 10 + (c - '0');
        if (v > int64_t(INT32_MAX) + 1) {
            fits = false;
            v = int64_t(INT32_MAX) + 1;  // keeps the sum bounded while the rest of the digits go by
        }
    }
    // At the cap, one more byte says whether the number ended there or runs on.
    bool cut = false;
    if (c == kPastCap) {
        const int after = std::fgetc(f);
        cut = !digits || std::isdigit(after);
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (negative) v = -v;
    if (readError) {
        why = "it cannot be read";
    } else if (cut) {
        why = "no number ends within its first megabyte";
    } else if (!digits) {
        why = "it holds no number";
    } else if (!fits || v < INT32_MIN || v > INT32_MAX) {
        why = "its number does not fit 32 bits";
    } else {
        *value = int32_t(v);
        return true;
    }
    return false;
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
    // What the screens can show and use: stage select runs 1..600, the panel has eight digits.
    ReadRecord(kStartFile, "the highest stage", 1, kLastStage, &gs.highestStage);
    ReadRecord(kScoreFile, "the high score", 0, kHighScoreCap, &gs.highScore);
    // A negative number switches screenshots off, as it always did; a press of P says so.
    ReadRecord(kScreenshotFile, "the screenshot number", INT32_MIN, INT32_MAX, &screenshotNumber);
    ForgetScreenshotReports();
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
