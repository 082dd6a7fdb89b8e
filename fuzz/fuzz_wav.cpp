// Fuzzes the WAV decoder: the chunk walk and every sample reader, which must stay inside the image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/sound/wav_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so that any read past the end is caught.
    const std::vector<uint8_t> image(data, data + size);
    engine::WavFormat format;
    if (engine::ParseWav(image.data(), image.size(), &format) &&
        (format.dataOffset > image.size() || format.dataBytes > image.size() - format.dataOffset))
        __builtin_trap();
    for (auto open : {engine::OpenPcmWav, engine::OpenOtherWav}) {
        auto source = open(image.data(), image.size());
        if (!source) continue;
        std::vector<int16_t> out(size_t(512) * source->Channels());
        int64_t read = 0;
        for (int n; (n = source->Read(out.data(), 512)) > 0;) read += n;
        if (read != source->TotalFrames()) __builtin_trap();
        source->Seek(source->TotalFrames() / 2);
        source->Read(out.data(), 512);
        source->Seek(-5);
        source->Seek(INT64_MAX);
        if (source->Read(out.data(), 512) != 0) __builtin_trap();
    }
    return 0;
}
