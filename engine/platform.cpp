// The installed back-end.
#include "engine/platform.h"

namespace platform {

namespace {
std::unique_ptr<Platform>& Slot() {
    static std::unique_ptr<Platform> current;
    return current;
}
}  // namespace

Platform* Current() { return Slot().get(); }
void Install(std::unique_ptr<Platform> platform) { Slot() = std::move(platform); }

}  // namespace platform
