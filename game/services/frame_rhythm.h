// The frame rhythm every screen runs: poll the input counters, update and draw, EndFrame.
#pragma once

#include <cstdint>

#include "engine/input/scan_codes.h"

namespace game {

inline constexpr int kKeyEscape = engine::kScanEscape;
inline constexpr int kKeyP = engine::kScanP;
inline constexpr int kLeftButton = 44;  // the left mouse button rides in entry 44
inline constexpr int kKeySpace = engine::kScanSpace;
inline constexpr int kFrameMillis = 17;

void PollInput();
int KeyCount(int code);
void ResetKeys();
void EndFrame();

// Counters and frame stamp back to start-up (ResetAll).
void ResetFrameRhythm();

// Called at the end of every EndFrame when set (tests and --digest); null switches it off.
using FrameObserver = void (*)();
void SetFrameObserver(FrameObserver observer);
FrameObserver CurrentFrameObserver();

}  // namespace game
