// The record files in Option/: high score, highest stage started, next screenshot number.
#pragma once

#include <cstdint>
#include <string>

namespace game {

// Reads start.dat, score.dat and savess.dat, in that order; unreadable files leave their field.
// The highest stage is then held to 1..600 and the high score to 0..99999999. A file refused or a
// value held gets one line on stderr naming the file; a missing file is normal and says nothing.
void ReadRecords();
// At every stage set-up: caps highestStage at 600 and records a stage above it.
void RecordStage();
// highScore = score, written to score.dat.
void SaveHighScore();
// Writes the screenshot number (shutdown).
void SaveScreenshotNumber();

// One record: true and the value when the file is a regular file holding a number that fits 32
// signed bits (white space first, however much; the number ends within the first megabyte). On
// false, `refused` (when given) says why the file was not read, and is empty when there is none.
bool ReadRecordFile(const std::string& path, int32_t* value, std::string* refused = nullptr);
// Replaces the file with "value\r\n" whole; on a failure the old file stays, one line goes to
// stderr and the result is false.
bool WriteRecordFile(const std::string& path, int32_t value);

}  // namespace game
