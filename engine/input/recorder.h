// Recording what the engine's input reads returned, frame by frame, as an input script that the
// headless back-end plays back to the same reads (docs/input-script.md).
#pragma once

#include <cstdint>
#include <string>

namespace engine {

// The input script version written by recordings; scripts of versions 1..kInputScriptVersion are read.
inline constexpr int kInputScriptVersion = 2;

// Starts a recording of `path`, written from the next InitEngine into a new file beside it
// ("PATH.part-XXXXXXXX") that takes the place of `path` only at StopRecording: until then `path`
// keeps what it held. False when that file cannot be made.
bool StartRecording(const std::string& path);
// A line written after the recording's seed, e.g. what the game's record files held at start.
void AddRecordingHeader(const std::string& line);
// Writes what is pending and puts the recording in place of its path; false when something could
// not be written (or the recording could not be started), and then the path keeps what it held.
bool StopRecording();
// Drops the recording (a run ended by a signal or a usage error): its file is removed, the path keeps
// what it held. Safe from another thread. A program that ends without StopRecording drops it too.
void AbandonRecording();
// True while a recording is being written (false once a write has failed).
bool IsRecording();
// Appends "N digest HEX": the game's state digest after the frame that ended with frame pump N; with
// `atEnd`, "N end HEX": the state once the run is over.
void RecordDigest(uint64_t digest, bool atEnd = false);
// Everything written so far reaches the file; `partPath` and `bytes` then say where and how much, for a
// copy of the recording up to here (a finished game's, to send). False when nothing is being recorded.
bool FlushRecording(std::string* partPath, long* bytes);
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
