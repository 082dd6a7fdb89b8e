// Folders of this user's own in shared places (/tmp, $TMPDIR): nobody else may plant or read files in them.
#pragma once

#include <string>

namespace platform {

// BASE/velmoran-<uid>: created with mode 0700 when missing; refused (empty result, *error a reason) unless
// it is a real folder (lstat: not a link), owned by this user, with no permission bits for group or others.
std::string PrivateFolder(const std::string& base, std::string* error);

// This user's folder for run-time files: $XDG_RUNTIME_DIR when it is set, absolute, a real folder owned by
// this user and not open to others; otherwise PrivateFolder("/tmp").
std::string RuntimeFolder(std::string* error);

// This user's folder for temporary scratch folders: PrivateFolder($TMPDIR when set and absolute, else
// "/tmp").
std::string ScratchBase(std::string* error);

}  // namespace platform
