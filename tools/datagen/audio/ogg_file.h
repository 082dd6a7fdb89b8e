// Encodes stereo sample buffers as Ogg Vorbis files.
#pragma once

#include <string>

#include "audio/synth.h"

namespace datagen {

// `left` and `right` have the same length. The stream serial number is fixed, so the same samples
// always give the same bytes. Prints one line and returns false on failure.
bool WriteOgg(const std::string& path, const synth::Buffer& left, const synth::Buffer& right, float quality);

}  // namespace datagen
