// The WAV decoder: a chunk walk that never reads past the image, and samples widened or narrowed to 16 bits.
#include "engine/sound/wav_decoder.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
bool Id(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

enum class SampleKind { kUnsigned8, kSigned, kFloat };

class WavSource : public AudioSource {
public:
    WavSource(const uint8_t* data, const WavFormat& f, SampleKind kind)
        : data_(data + f.dataOffset),
          frameBytes_(f.blockAlign),
          sampleBytes_(size_t(f.bits + 7) / 8),
          frames_(int64_t(f.dataBytes / f.blockAlign)),
          kind_(kind) {
        channels_ = f.channels;
        rate_ = int(f.rate);
    }
    int64_t TotalFrames() const override { return frames_; }
    int Read(int16_t* out, int maxFrames) override {
        const int n = int(std::min<int64_t>(maxFrames, frames_ - next_));
        for (int i = 0; i < n; ++i, ++next_) {
            const uint8_t* frame = data_ + size_t(next_) * frameBytes_;
            for (int c = 0; c < channels_; ++c) *out++ = Sample(frame + size_t(c) * sampleBytes_);
        }
        return std::max(n, 0);
    }
    bool Seek(int64_t frame) override {
        next_ = std::clamp<int64_t>(frame, 0, frames_);
        return true;
    }

private:
    int16_t Sample(const uint8_t* p) const {
        switch (kind_) {
            case SampleKind::kUnsigned8:
                return int16_t((int(p[0]) - 128) * 256);
            case SampleKind::kSigned:  // the two most significant bytes, little-endian
                return sampleBytes_ == 1 ? int16_t(p[0] * 256) : int16_t(U16(p + sampleBytes_ - 2));
            case SampleKind::kFloat: {
                double v;
                if (sampleBytes_ == 8) {
                    uint64_t bits = uint64_t(U32(p)) | uint64_t(U32(p + 4)) << 32;
                    std::memcpy(&v, &bits, 8);
                } else {
                    const uint32_t bits = U32(p);
                    float f;
                    std::memcpy(&f, &bits, 4);
                    v = f;
                }
                if (!(v == v)) return 0;  // NaN
                return int16_t(std::clamp(v * 32768.0, -32768.0, 32767.0));
            }
        }
        return 0;
    }

    const uint8_t* data_;
    size_t frameBytes_;
    size_t sampleBytes_;
    int64_t frames_;
    int64_t next_ = 0;
    SampleKind kind_;
};

// Sample layouts the widening above can read; the rest is rejected rather than played as noise.
bool Readable(const WavFormat& f, SampleKind* kind) {
    if (f.channels < 1 || f.rate == 0 || f.bits < 1 || f.bits > 64) return false;
    const size_t sampleBytes = size_t(f.bits + 7) / 8;
    if (f.blockAlign < sampleBytes * size_t(f.channels)) return false;
    if (f.tag == 1) {
        if (sampleBytes > 4) return false;
        *kind = sampleBytes == 1 ? SampleKind::kUnsigned8 : SampleKind::kSigned;
        return true;
    }
    if (f.tag == 3 && (f.bits == 32 || f.bits == 64)) {
        *kind = SampleKind::kFloat;
        return true;
    }
    return false;
}

}  // namespace

bool ParseWav(const uint8_t* data, size_t size, WavFormat* format) {
    if (size < 12 || !Id(data, "RIFF") || !Id(data + 8, "WAVE")) return false;
    size_t at = 12;  // the RIFF size field plays no part: the image's own size bounds every chunk
    auto header = [&](size_t pos) { return pos <= size && size - pos >= 8; };
    if (!header(at)) return false;
    if (Id(data + at, "bext")) {
        const uint32_t bextSize = U32(data + at + 4);
        const uint64_t next = uint64_t(at) + 8 + bextSize;
        if (next > size) return false;
        at = size_t(next);
        // "bext" is skipped by its size; a writer that padded an odd one as RIFF asks is read too.
        if ((bextSize & 1) && header(at + 1) && !Id(data + at, "fmt ") && Id(data + at + 1, "fmt ")) ++at;
    }
    if (!header(at) || !Id(data + at, "fmt ")) return false;
    const uint32_t fmtSize = U32(data + at + 4);
    if (fmtSize < 16 || fmtSize > size - at - 8) return false;
    const uint8_t* fmt = data + at + 8;
    WavFormat f;
    f.tag = U16(fmt);
    f.channels = U16(fmt + 2);
    f.rate = U32(fmt + 4);
    f.blockAlign = U16(fmt + 12);
    f.bits = U16(fmt + 14);
    if (fmtSize == 16) {
        // Old writers leave the bits field unreliable: a bare 16-byte chunk derives it from the block size.
        if (f.channels == 0) return false;
        f.bits = f.blockAlign / f.channels * 8;
    } else if (f.tag == 0xFFFE && fmtSize >= 40) {
        // Extensible: the sub-format's first two bytes are the plain format tag.
        f.tag = U16(fmt + 24);
    }
    at += 8 + size_t(fmtSize) + (fmtSize & 1);
    // Chunks up to "data" are skipped, each by its size plus the pad byte of an odd size.
    while (header(at)) {
        const uint32_t chunkSize = U32(data + at + 4);
        if (Id(data + at, "data")) {
            f.dataOffset = at + 8;
            // A chunk that claims more than the file holds keeps the bytes that exist.
            size_t bytes = std::min<uint64_t>(chunkSize, size - f.dataOffset);
            if (f.blockAlign > 0) bytes -= bytes % f.blockAlign;
            f.dataBytes = bytes;
            *format = f;
            return true;
        }
        const uint64_t next = uint64_t(at) + 8 + chunkSize + (chunkSize & 1);
        if (next > size) return false;
        at = size_t(next);
    }
    return false;
}

std::unique_ptr<AudioSource> OpenPcmWav(const uint8_t* data, size_t size) {
    WavFormat f;
    SampleKind kind;
    if (!ParseWav(data, size, &f) || f.tag != 1 || !Readable(f, &kind)) return nullptr;
    return std::make_unique<WavSource>(data, f, kind);
}

std::unique_ptr<AudioSource> OpenOtherWav(const uint8_t* data, size_t size) {
    WavFormat f;
    SampleKind kind;
    if (!ParseWav(data, size, &f) || f.tag == 1 || !Readable(f, &kind)) return nullptr;
    return std::make_unique<WavSource>(data, f, kind);
}

}  // namespace engine
