// Replacing a small file whole: readers and a kill at any instant see the old or the new contents.
#pragma once

#include <string>

namespace engine {

// Writes `bytes` to a temporary file in the same folder ("<path>.new-<random>", made afresh: an
// existing file or link of that name is never opened), with the mode of the file it replaces, forces
// it to the disk and renames it over `path`.
// On any failure the old file is left as it was, the temporary file is removed, and false is
// returned with the reason in `error`.
bool ReplaceFile(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace engine
