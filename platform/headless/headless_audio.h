// Headless audio: mixes on the virtual clock and can keep what it mixed as a WAV file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/platform.h"

namespace headless {

class HeadlessAudio {
public:
    bool Open(platform::AudioSpec* format, platform::AudioCallback callback, void* user, uint64_t nowMicros);
    void Close();
    // Pulls the samples that the virtual clock has played since the last call.
    void Advance(uint64_t nowMicros);
    void SetCapturePath(const std::string& path) { capturePath_ = path; }
    // For tests: keep what was mixed in memory even without a capture file.
    void KeepCaptured(bool keep) { keepCaptured_ = keep; }
    const std::vector<int16_t>& Captured() const { return captured_; }

private:
    platform::AudioCallback callback_ = nullptr;
    void* user_ = nullptr;
    platform::AudioSpec format_;
    uint64_t startMicros_ = 0;
    uint64_t framesDone_ = 0;
    std::string capturePath_;
    bool keepCaptured_ = false;
    std::vector<int16_t> captured_;
};

// Writes interleaved 16-bit samples as a PCM WAV file; false when it cannot be written.
bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int rate, int channels);

}  // namespace headless
