// The WAV decoder: RIFF chunk rules and 8/16/24/32-bit PCM (and float) samples read as 16-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/sound/audio_source.h"

namespace engine {

struct WavFormat {
    uint16_t tag = 0;  // 1 PCM, 3 float; WAVE_FORMAT_EXTENSIBLE gives its sub-format's tag
    int channels = 0;
    uint32_t rate = 0;
    uint16_t blockAlign = 0;  // bytes per frame
    int bits = 0;             // bits per sample
    size_t dataOffset = 0;    // the "data" chunk's bytes in the file image
    size_t dataBytes = 0;     // whole frames only, and only what the file really holds
};

// Reads the chunk structure; false when the image is not a WAV this engine can walk.
bool ParseWav(const uint8_t* data, size_t size, WavFormat* format);

// The PCM decoder (format tag 1) and the decoder for the other sample formats we can read (float,
// extensible); each returns nullptr when it does not accept the image.
std::unique_ptr<AudioSource> OpenPcmWav(const uint8_t* data, size_t size);
std::unique_ptr<AudioSource> OpenOtherWav(const uint8_t* data, size_t size);

}  // namespace engine
