// The set-1 scan codes of the keys the game, the engine and the back-ends read by name (extended
// keys add 128), and that input scripts and recordings write (docs/input-script.md).
#pragma once

namespace engine {

inline constexpr int kScanEscape = 1;
inline constexpr int kScanP = 25;  // a screenshot
inline constexpr int kScanLeftCtrl = 29;
inline constexpr int kScanM = 50;  // mute
inline constexpr int kScanSpace = 57;
inline constexpr int kScanF1 = 59;  // pause
inline constexpr int kScanRightCtrl = 128 + 29;
inline constexpr int kScanUp = 128 + 72;
inline constexpr int kScanLeft = 128 + 75;
inline constexpr int kScanRight = 128 + 77;
inline constexpr int kScanDown = 128 + 80;
inline constexpr int kScanPause = 128 + 69;

}  // namespace engine
