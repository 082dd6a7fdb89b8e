// Replacing a small file whole through a temporary file and a rename.
#include "engine/file/atomic_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace engine {

namespace {
std::string Reason(int error) { return error ? std::strerror(error) : "write refused"; }
}  // namespace

// The rename is what makes the swap all or nothing: a kill before it leaves the old file, after it
// the new one. The data is flushed to the system before the rename; it is not forced to the disk
// (that needs the system's own sync call, which the engine does not reach), so a power cut right
// after a write may still lose the new record, though never leave a half-written one behind a kill.
bool ReplaceFile(const std::string& path, const std::string& bytes, std::string* error) {
    const std::string temporary = path + ".new";
    errno = 0;
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
        *error = Reason(errno);
        return false;
    }
    errno = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok && !std::ferror(f);
    int saved = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok) {
        errno = 0;
        if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
        saved = errno;
    }
    std::remove(temporary.c_str());
    *error = Reason(saved);
    return false;
}

}  // namespace engine
