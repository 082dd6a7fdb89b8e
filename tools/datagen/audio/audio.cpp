// Sound effects and music (placeholder until the audio generator lands).
#include "generators.h"

namespace datagen {
bool WriteSounds(const std::string&) { return true; }
bool WriteMusic(const std::string&) { return true; }
}  // namespace datagen
