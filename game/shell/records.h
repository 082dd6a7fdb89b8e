// The record files in Option/: high score, highest stage, screenshot number.
#pragma once

namespace game {

void ReadRecords();
void WriteScoreRecord();
void WriteStartRecord();
void WriteScreenshotNumber();

}  // namespace game
