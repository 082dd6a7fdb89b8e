// The frame rhythm every screen runs: poll the input counters, update and draw, EndFrame.
#pragma once

#include <cstdint>

namespace game {

inline constexpr int kKeyEscape = 1;
inline constexpr int kKeyP = 25;
inline constexpr int kLeftButton = 44;  // the left mouse button rides in entry 44
inline constexpr int kKeySpace = 57;
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
