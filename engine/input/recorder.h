// Recording what the engine's input reads returned, frame by frame, as an input script that the
// headless back-end plays back to the same reads (docs/input-script.md).
#pragma once

#include <cstdint>
#include <string>

namespace engine {

// The input script version written by recordings; scripts of versions 1..kInputScriptVersion are read.
inline constexpr int kInputScriptVersion = 2;

// Starts writing a recording to `path` at the next InitEngine; false when the file cannot be written.
bool StartRecording(const std::string& path);
// A line written after the recording's seed, e.g. what the game's record files held at start.
void AddRecordingHeader(const std::string& line);
// Writes what is pending and closes the file; false when something could not be written.
bool StopRecording();
bool IsRecording();
// Appends "N digest HEX": the game's state digest after the frame that ended with frame pump N; with
// `atEnd`, "N end HEX": the state once the run is over.
void RecordDigest(uint64_t digest, bool atEnd = false);
// Pumps of the message loop once per frame since InitEngine, including those while the window has no
// focus: the frame count of input scripts.
int64_t FramePumps();

// The engine's own hooks: the start, every pump, and what each input read returned.
void NoteStart(uint32_t seed, int clockMillis);
void NotePump(bool frame);
void NoteKeyRead(int code, int value);
void NoteButtonsRead(int buttons);
void NotePointerRead(int x, int y);
void NotePointerSet(int x, int y);

}  // namespace engine
