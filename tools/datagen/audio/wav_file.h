// Writes mono sample buffers as 16-bit PCM WAV files.
#pragma once

#include <string>

#include "audio/synth.h"

namespace datagen {

// Samples outside -1..1 are held at full scale. Prints one line and returns false on failure.
bool WriteWav(const std::string& path, const synth::Buffer& samples);

}  // namespace datagen
