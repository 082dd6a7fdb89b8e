// Private folders in shared places. In /tmp another user may have made the name first, as a link to a
// place of their choosing or as a folder they can read or fill: such a folder is refused, never used.
#include "platform/common/private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// Why `path` is not a folder of this user's alone; empty when it is one. lstat, so a link is seen as
// the link and never followed.
std::string WhyNotOwnFolder(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        const int saved = errno;
        return path + ": " + std::strerror(saved);
    }
    if (S_ISLNK(st.st_mode)) return path + " is a symbolic link";
    if (!S_ISDIR(st.st_mode)) return path + " is not a folder";
    if (st.st_uid != geteuid()) return path + " belongs to another user";
    if (st.st_mode & (S_IRWXG | S_IRWXO)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
        return path + " is open to other users (mode " + mode + ")";
    }
    return "";
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

}  // namespace

std::string PrivateFolder(const std::string& base, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    if (base.empty() || base[0] != '/') {
        *error = "no absolute folder to make a private folder in (\"" + base + "\")";
        return "";
    }
    std::string path = base;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path != "/") path += '/';
    path += "velmoran-" + std::to_string(geteuid());
    // mkdir never follows a link in the last place, and fails on whatever already has the name; what is
    // there is then checked as it is.
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        const int saved = errno;
        *error = path + ": " + std::strerror(saved);
        return "";
    }
    const std::string why = WhyNotOwnFolder(path);
    if (!why.empty()) {
        *error = why;
        return "";
    }
    return path;
}

std::string RuntimeFolder(std::string* error) {
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime[0] == '/' && WhyNotOwnFolder(runtime).empty()) return runtime;
    return PrivateFolder("/tmp", error);
}

std::string ScratchBase(std::string* error) {
    const std::string tmp = Env("TMPDIR");
    return PrivateFolder(!tmp.empty() && tmp[0] == '/' ? tmp : std::string("/tmp"), error);
}

}  // namespace platform
