// Fuzzes the Ogg Vorbis path: libvorbisfile reading from memory through our callbacks, reads and seeks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/sound/audio_source.h"
#include "engine/sound/ogg_decoder.h"

// libvorbisfile 1.3.7 drops a few bytes on some failed opens (the list of stream serial numbers its
// seek bisection builds); that is the library's, not ours, so only that leak is waived: by module for
// the system's stripped library, by function for the one built from source for fuzzing.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libvorbisfile.so\nleak:_bisect_forward_serialno\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> image(data, data + size);
    auto source = engine::OpenOggVorbis(image.data(), image.size());
    // The same image through the decoder order the loader uses.
    auto any = engine::OpenAudioSource(image.data(), image.size());
    if (!source) return 0;
    if (source->Channels() < 1 || source->Rate() < 1) __builtin_trap();
    std::vector<int16_t> out(size_t(4096) * source->Channels());
    // Bounded: a tiny hostile file may claim hours of sound.
    int64_t read = 0;
    for (int n; read < 2000000 && (n = source->Read(out.data(), 4096)) > 0;) read += n;
    const int64_t total = source->TotalFrames();
    source->Seek(total > 0 ? total / 3 : 1000);
    source->Read(out.data(), 4096);
    source->Seek(0);
    source->Read(out.data(), 4096);
    (void)any;
    return 0;
}
