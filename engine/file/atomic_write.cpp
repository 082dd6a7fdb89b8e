// Replacing a small file whole through a temporary file and a rename.
#include "engine/file/atomic_write.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

namespace engine {

namespace {

std::string Reason(int error) { return error ? std::strerror(error) : "write refused"; }

// Names tried before giving up: another user can plant a few, not guess a 64-bit suffix many times.
constexpr int kTemporaryNameAttempts = 32;

uint64_t Seed() {
    uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        seed ^= uint64_t(device()) << 32 | device();
    } catch (...) {
        // No random device: the clock alone still differs from call to call.
    }
    return seed;
}

// Creates a temporary file beside `path` that did not exist before, under a fresh name. "x" makes
// the create exclusive, so a file or link planted under that name (even one pointing nowhere) is
// never opened or written through.
std::FILE* CreateTemporary(const std::string& path, std::string* temporary, int* error) {
    std::mt19937_64 random(Seed());
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".new-%016llx", static_cast<unsigned long long>(random()));
        *temporary = path + suffix;
        errno = 0;
        std::FILE* f = std::fopen(temporary->c_str(), "wbx");
        if (f) return f;
        *error = errno;
        if (*error != EEXIST) break;
    }
    temporary->clear();
    return nullptr;
}

}  // namespace

// The rename is what makes the swap all or nothing: a kill before it leaves the old file, after it
// the new one. The data is flushed to the system before the rename; it is not forced to the disk
// (that needs the system's own sync call, which the engine does not reach), so a power cut right
// after a write may still lose the new record, though never leave a half-written one behind a kill.
// The rename replaces a link at `path` itself, never the file it points to.
bool ReplaceFile(const std::string& path, const std::string& bytes, std::string* error) {
    std::string temporary;
    int saved = 0;
    std::FILE* f = CreateTemporary(path, &temporary, &saved);
    if (!f) {
        *error = Reason(saved);
        return false;
    }
    errno = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok && !std::ferror(f);
    saved = errno;
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
