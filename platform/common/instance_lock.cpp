// flock'd file: the system drops the lock when the process ends, so a crash never blocks a start. It
// lives in this user's private run-time folder, so no other user can plant a link or hold the lock
// there; without such a folder the game plays unlocked rather than not at all.
#include "platform/common/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/common/private_folder.h"

namespace platform {

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) close(fd_);
}

bool InstanceLock::Acquire(const std::string& name) {
    if (fd_ >= 0) return true;
    std::string error;
    const std::string dir = RuntimeFolder(&error);
    std::string safe;
    for (char c : name) safe += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    const std::string path = dir + "/" + safe + "-" + std::to_string(getuid()) + ".lock";
    const int fd = dir.empty() ? -1 : open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int saved = errno;
        if (!dir.empty()) error = path + ": " + std::strerror(saved);
        std::fprintf(stderr, "velmoran: playing without the one-copy lock: %s\n", error.c_str());
        return true;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

}  // namespace platform
