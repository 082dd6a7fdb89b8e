// Writes mono sample buffers as 16-bit PCM WAV files: RIFF, a 16-byte "fmt " chunk, "data".
#include "audio/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace datagen {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

bool WriteWav(const std::string& path, const synth::Buffer& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, synth::kRate);
    Put32(out, synth::kRate * 2);
    Put16(out, 2);   // block size
    Put16(out, 16);  // bits per sample
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (float s : samples) {
        long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        Put16(out, static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    bool written = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (f && std::fclose(f) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "velmoran-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace datagen
