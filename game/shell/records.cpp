// The record files in Option/: high score, highest stage, screenshot number. (placeholder until its own work lands)
#include "game/shell/records.h"

namespace game {

void ReadRecords() {}
void WriteScoreRecord() {}
void WriteStartRecord() {}
void WriteScreenshotNumber() {}

}  // namespace game
