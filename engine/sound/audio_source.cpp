// The order in which the decoders are offered a file image.
#include "engine/sound/audio_source.h"

#include "engine/sound/ogg_decoder.h"
#include "engine/sound/wav_decoder.h"

namespace engine {

std::unique_ptr<AudioSource> OpenAudioSource(const uint8_t* data, size_t size) {
    if (auto s = OpenPcmWav(data, size)) return s;
    if (auto s = OpenOtherWav(data, size)) return s;
    return OpenOggVorbis(data, size);
}

}  // namespace engine
