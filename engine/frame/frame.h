// Engine lifecycle, the window and the presentation of frames.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

inline constexpr int kBackScreen = -2;
inline constexpr int kFrontScreen = -4;

int SetWindowTitle(const std::string& title);
int ChangeWindowMode(int windowed);
int SetWindowResizable(int resizable, int keepAspect);
int SetLogEnabled(int enabled);
int InitEngine();
int SetScreenMode(int width, int height, int colourDepth, int refreshRate);
int PumpMessages();
int SetDrawTarget(int target);
int ClearScreen();
int PresentScreen();
int EndEngine();

// Ours, beside the original set: the start-up question (1 yes, 0 no, -1 no dialog available),
// why the last InitEngine failed, and the screen's colour depth for the pixel-format helpers.
int AskYesNo(const std::string& text, const std::string& caption);
const std::string& LastEngineError();
// A message box with one button over the window (nothing where no dialog can be shown).
void ShowMessage(const std::string& text, const std::string& caption);
int ScreenColourDepth();
bool EngineInitialised();
// Frames handled by PumpMessages since InitEngine (kept after EndEngine for the run's summary).
int64_t FramesPumped();

// Asks the game to end at its next frame, as the window's close button does; safe from any thread
// (a signal's).
void RequestQuit();

// Ends the engine if it runs and puts every engine setting back to its program-start value (tests).
void ResetEngine();

// Appends a message to Log.txt when the log is on; a message ending in '\n' ends its line.
void LogMessage(const std::string& message);

}  // namespace engine
