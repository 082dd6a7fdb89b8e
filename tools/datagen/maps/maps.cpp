// Stage maps (placeholder until the map compiler lands).
#include "generators.h"

namespace datagen {
bool WriteMaps(const std::string&, const std::string&) { return true; }
}  // namespace datagen
