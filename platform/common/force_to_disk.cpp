// fsync through a descriptor of our own.
#include "platform/common/force_to_disk.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

int ForceToDisk(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    // A file system that cannot sync a folder (some do not) has nothing more to force.
    return error == EINVAL || error == EROFS ? 0 : error;
}

}  // namespace platform
