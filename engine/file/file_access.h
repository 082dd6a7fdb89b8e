// File access for the engine's loaders: plain files, or entries of an archive named after a folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

constexpr int kMaxOpenStreams = 512;
constexpr int kMaxOpenArchives = 512;

enum class SeekOrigin { kStart, kCurrent, kEnd };

// Opens a read-only stream. When an archive "<folder>.ZRA" stands for a folder on the path, the file
// is read from it (and only from it); otherwise the plain file is opened. -1 on failure. Only folders
// inside the working folder have archives ("data.ZRA" beside "data", "data/se.ZRA" ...): none for the
// working folder itself, a folder above it, or a path outside it.
int OpenStream(const std::string& name);
// Reads up to `count` bytes; the number read (0 at the end), or -1 for an invalid stream.
int64_t ReadStream(int stream, void* dest, int64_t count);
// Moves the read position; the new position, or -1 (invalid stream, or a position before the start).
// A position past the end is allowed; reads there give nothing.
int64_t SeekStream(int stream, int64_t offset, SeekOrigin origin);
int64_t TellStream(int stream);
// The stream's length, fixed when it was opened.
int64_t StreamLength(int stream);
// 1 when the read position is at or past the end, 0 before it, -1 for an invalid stream.
int IsStreamEnd(int stream);
// 0, or -1 for an invalid stream.
int CloseStream(int stream);

// The key string archives opened afterwards are unscrambled with (the game sets none).
void SetArchiveKey(const std::string& key);

// Reads a whole file (from the folder or an archive); false when it cannot be read.
bool ReadWholeFile(const std::string& name, std::vector<uint8_t>* out);
// One warning line on stderr and in the log for a picture or sound that could not be loaded (the
// game goes on without it); each file is named once per run.
void ReportUnloadable(const std::string& name, const char* what);
// Back to the defaults (InitEngine): closes every stream and archive, forgets the last archive.
void ResetFileAccess();

// For tests: how many archives are open now.
int OpenArchiveCount();

}  // namespace engine
