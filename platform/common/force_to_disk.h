// Forcing what was written onto the disk, for the engine's replace-a-file (the seam's ForceToDisk).
#pragma once

#include <string>

namespace platform {

// fsync of a file or a folder, opened without following a link; 0, or the system's error number.
int ForceToDisk(const std::string& path);

}  // namespace platform
