// The fuzz targets as the replay program sees them: a name and an entry point.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

struct ReplayTarget {
    const char* name;
    int (*run)(const uint8_t* data, size_t size);
};
extern const ReplayTarget kReplayTargets[];  // ends with a null name

}  // namespace fuzz
