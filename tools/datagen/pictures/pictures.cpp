// Pictures (placeholder until the picture generator lands).
#include "generators.h"

namespace datagen {
bool WritePictures(const std::string&, const std::string&) { return true; }
}  // namespace datagen
