// Test helpers for sound: WAV images built in memory, files in a scratch folder, and a headless engine
// whose mixed output the test can read.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/platform.h"
#include "platform/headless/headless_platform.h"

namespace soundtest {

inline void Put32(std::vector<uint8_t>* b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b->push_back(uint8_t(v >> (8 * i)));
}
inline void Put16(std::vector<uint8_t>* b, uint16_t v) {
    b->push_back(uint8_t(v));
    b->push_back(uint8_t(v >> 8));
}

// A RIFF/WAVE image from chunks given in order.
struct WavBuilder {
    std::vector<uint8_t> bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    // `declared` overrides the size field (e.g. a chunk that claims more than it holds); pad adds the
    // RIFF pad byte after an odd-sized body.
    WavBuilder& Chunk(const char* id, const std::vector<uint8_t>& body, bool pad = true,
                      int64_t declared = -1) {
        bytes.insert(bytes.end(), id, id + 4);
        Put32(&bytes, uint32_t(declared >= 0 ? declared : int64_t(body.size())));
        bytes.insert(bytes.end(), body.begin(), body.end());
        if (pad && (body.size() & 1)) bytes.push_back(0);
        return *this;
    }
    static std::vector<uint8_t> Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                    int extra = -1, uint16_t blockAlign = 0) {
        std::vector<uint8_t> f;
        if (!blockAlign) blockAlign = uint16_t(channels * ((bits + 7) / 8));
        Put16(&f, tag);
        Put16(&f, channels);
        Put32(&f, rate);
        Put32(&f, rate * blockAlign);
        Put16(&f, blockAlign);
        Put16(&f, bits);
        if (extra >= 0) Put16(&f, uint16_t(extra));
        return f;
    }
    std::vector<uint8_t> Done() {
        const uint32_t size = uint32_t(bytes.size() - 8);
        for (int i = 0; i < 4; ++i) bytes[4 + i] = uint8_t(size >> (8 * i));
        return bytes;
    }
};

inline std::vector<uint8_t> Samples16(const std::vector<int16_t>& s) {
    std::vector<uint8_t> b;
    for (int16_t v : s) Put16(&b, uint16_t(v));
    return b;
}

// A 16-bit PCM WAV of interleaved samples.
inline std::vector<uint8_t> Pcm16Wav(uint32_t rate, uint16_t channels, const std::vector<int16_t>& samples) {
    return WavBuilder()
        .Chunk("fmt ", WavBuilder::Fmt(1, channels, rate, 16))
        .Chunk("data", Samples16(samples))
        .Done();
}

// `frames` stereo frames at 44,100 Hz of one value on both channels (mixes add up exactly).
inline std::vector<uint8_t> ConstantWav(int frames, int16_t value) {
    return Pcm16Wav(44100, 2, std::vector<int16_t>(size_t(frames) * 2, value));
}

// Stereo at 44,100 Hz whose left sample is its frame number (and right the negation): positions read back.
inline std::vector<uint8_t> RampWav(int frames) {
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i) {
        s.push_back(int16_t(i));
        s.push_back(int16_t(-i));
    }
    return Pcm16Wav(44100, 2, s);
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const auto parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Real recordings kept in the repository (tests/corpora/sounds/LICENSES.md): a 48 kHz mono WAV, and
// Ogg Vorbis files: "bell" short and held decoded, "alarm-clock-elapsed" 6.1 s and streamed.
inline std::string RealWav() { return VELMORAN_CORPORA_DIR "/sounds/Rear_Left.wav"; }
inline std::string RealOgg(const char* name = "alarm-clock-elapsed") {
    return std::string(VELMORAN_CORPORA_DIR "/sounds/") + name + ".oga";
}
inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// A started headless engine in a scratch folder; Captured() is everything mixed since InitEngine,
// at 44,100 Hz stereo.
class SoundSession : public testing::Test {
protected:
    void SetUp() override { Start(false); }
    void TearDown() override { Stop(); }

    void Start(bool noSound) {
        saved_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() /
               ("velmoran_sound_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        platform::Options options;
        options.noSound = noSound;
        auto p = std::make_unique<headless::HeadlessPlatform>(options);
        p->Audio().KeepCaptured(true);
        headless_ = p.get();
        platform::Install(std::move(p));
        engine::SetLogEnabled(0);
        ASSERT_EQ(engine::InitEngine(), 0);
        start_ = headless_->NowMicros();
    }
    void Stop() {
        if (!headless_) return;
        engine::EndEngine();
        platform::Install(nullptr);
        headless_ = nullptr;
        std::filesystem::current_path(saved_);
        std::filesystem::remove_all(dir_);
    }
    // Moves the virtual clock; the mixer runs as it moves.
    void AdvanceMillis(double ms) { headless_->AdvanceMicros(uint64_t(ms * 1000)); }
    const std::vector<int16_t>& Captured() { return headless_->Audio().Captured(); }
    // The capture's frame index for the current clock.
    int64_t NowFrame() { return int64_t((headless_->NowMicros() - start_) * 44100 / 1000000); }
    int16_t Left(int64_t frame) { return Captured()[size_t(frame) * 2]; }
    // Largest magnitude of the left channel over [from, to).
    int Peak(int64_t from, int64_t to) {
        int peak = 0;
        for (int64_t f = from; f < to && size_t(f) * 2 < Captured().size(); ++f)
            peak = std::max(peak, std::abs(int(Left(f))));
        return peak;
    }

    headless::HeadlessPlatform* headless_ = nullptr;
    std::filesystem::path dir_, saved_;
    uint64_t start_ = 0;
};

}  // namespace soundtest
