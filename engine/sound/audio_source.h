// Decoded audio read piece by piece from a file image in memory: the WAV and Ogg Vorbis decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace engine {

class AudioSource {
public:
    virtual ~AudioSource() = default;
    int Channels() const { return channels_; }
    int Rate() const { return rate_; }
    // True when reading costs real decoding work (not a copy of samples held in the image).
    bool Compressed() const { return compressed_; }
    // The frames the file says it holds (for Ogg the stream's own total, which a hostile file may get wrong).
    virtual int64_t TotalFrames() const = 0;
    // Reads up to maxFrames interleaved 16-bit frames; 0 at the end of the data or on a decoding error.
    virtual int Read(int16_t* out, int maxFrames) = 0;
    // Moves to a frame (clamped to the data); false when the stream cannot seek there.
    virtual bool Seek(int64_t frame) = 0;

protected:
    int channels_ = 0;
    int rate_ = 0;
    bool compressed_ = false;
};

// Offers the file image to the decoders in order (PCM WAV, other WAV sample formats, Ogg Vorbis);
// nullptr when none accepts it. The image must outlive the source.
std::unique_ptr<AudioSource> OpenAudioSource(const uint8_t* data, size_t size);

}  // namespace engine
