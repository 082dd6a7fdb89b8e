// Options: up to eight satellites trailing the ship on the inner ring; each fires and shields.
#pragma once

#include <cstdint>

namespace game {

struct OptionRecord {
    double x, y;     // world position, recomputed every frame
    int16_t radius;  // hit circle: 9
    int16_t angle;   // = angleTrail[index + 1], unreduced
    uint8_t active;  // the active options always occupy indexes 0..n-1
};

extern OptionRecord OptionRecords[8];

void ResetOptionsForGame();
void ResetOptionsForStage();
// All eight records, active or not, onto their trail entries (every frame).
void PositionOptions();
void DrawOptions();
// Destroys option `index` and closes the gap behind it.
void LoseOption(int index);
// Adds an option at the lowest free index (the option item); false when all eight exist.
bool GainOption();

}  // namespace game
