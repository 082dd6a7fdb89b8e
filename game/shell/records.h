// The record files in Option/: high score, highest stage started, next screenshot number.
#pragma once

#include <cstdint>
#include <string>

namespace game {

// Reads start.dat, score.dat and savess.dat, in that order; unreadable files leave their field.
void ReadRecords();
// At every stage set-up: caps highestStage at 600 and records a stage above it.
void RecordStage();
// highScore = score, written to score.dat.
void SaveHighScore();
// Writes the screenshot number (shutdown).
void SaveScreenshotNumber();

// One record: true and the value when the file holds a number that fits 32 signed bits.
bool ReadRecordFile(const std::string& path, int32_t* value);
// Writes "value\r\n"; a failure is silent (no Option folder: nothing survives the run).
void WriteRecordFile(const std::string& path, int32_t value);

}  // namespace game
