// The one-copy lock: a second copy of the game for the same user is refused while the first runs.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    // False only when another copy holds the lock named `name`; true when this one holds it, or when
    // no lock can be had at all (said in one line: the game plays rather than not at all).
    bool Acquire(const std::string& name);

private:
    int fd_ = -1;
};

}  // namespace platform
