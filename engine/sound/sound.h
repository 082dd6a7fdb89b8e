// Sound handles: loading WAV and Ogg Vorbis files, playing them on play buffers, stopping, releasing.
#pragma once

#include <string>

namespace engine {

// StartSound modes.
inline constexpr int kPlayWait = 0;        // once, and return when it has finished
inline constexpr int kPlayBackground = 1;  // once, in the background
inline constexpr int kPlayLoop = 3;        // repeating, in the background

// Loads a sound with 1 to 10 play buffers (more are taken as 10). `unionHandle` is accepted for the
// callers' sake; every load makes a handle of its own. Returns the handle, or -1.
int LoadSound(const std::string& name, int playBuffers, int unionHandle = -1);
// Reads and decodes the start of a streamed sound (music) ahead of its load, so that the frame that
// loads it later only reads and compares the file; a sound held whole is not kept. 0, or -1 when it
// cannot be loaded.
int PrepareSound(const std::string& name);
// Starts the next play buffer; `fromStart` 0 resumes at the previous buffer's position. 0 or -1.
int StartSound(int handle, int mode, int fromStart);
// Stops every play buffer of the sound; positions are kept. 0 or -1.
int StopSound(int handle);
// 1 while any play buffer plays, 0 when none does, -1 for an invalid handle.
int IsSoundPlaying(int handle);
int DeleteSound(int handle);
// Deletes every sound; -1 when sound was never started.
int DeleteAllSounds();

}  // namespace engine
