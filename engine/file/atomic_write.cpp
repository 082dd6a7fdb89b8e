// Replacing a small file whole through a temporary file and a rename.
#include "engine/file/atomic_write.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "engine/platform.h"

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

// The player's own choice of mode for a file that is there is kept; a new one gets the usual mode.
void KeepMode(const std::string& path, const std::string& temporary) {
    std::error_code ec;
    const std::filesystem::file_status old = std::filesystem::symlink_status(path, ec);
    if (ec || !std::filesystem::is_regular_file(old)) return;
    std::filesystem::permissions(temporary, old.permissions() & std::filesystem::perms::all, ec);
}

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

// The rename is what makes the swap all or nothing: a kill before it leaves the old file, after it
// the new one. The new file is forced to the disk before the rename and the folder after it (where
// the back-end can), so that a power cut soon after a save finds the old or the new contents, never
// an empty file. The rename replaces a link at `path` itself, never the file it points to.
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
    platform::Platform* p = platform::Current();
    if (ok) KeepMode(path, temporary);
    if (ok && p && (saved = p->ForceToDisk(temporary)) != 0) ok = false;
    if (ok) {
        errno = 0;
        if (std::rename(temporary.c_str(), path.c_str()) == 0) {
            if (p) p->ForceToDisk(Folder(path));  // the old file is gone either way: nothing to undo
            return true;
        }
        saved = errno;
    }
    std::remove(temporary.c_str());
    *error = Reason(saved);
    return false;
}

}  // namespace engine
