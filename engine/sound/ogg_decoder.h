// The Ogg Vorbis decoder: libvorbisfile reading the file image from memory, 16-bit output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/sound/audio_source.h"

namespace engine {

// nullptr when the image is not an Ogg Vorbis stream that libvorbisfile can open.
std::unique_ptr<AudioSource> OpenOggVorbis(const uint8_t* data, size_t size);

}  // namespace engine
