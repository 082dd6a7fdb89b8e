// File access for the engine's loaders: plain files, or entries of an archive named after a folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// Reads a whole file (from the folder or an archive); false when it cannot be read.
bool ReadWholeFile(const std::string& name, std::vector<uint8_t>* out);
// Back to the defaults (InitEngine).
void ResetFileAccess();

}  // namespace engine
