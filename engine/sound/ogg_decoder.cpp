// The Ogg Vorbis decoder: libvorbisfile over memory callbacks, so archives and plain files read alike.
#include "engine/sound/ogg_decoder.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

struct Memory {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

size_t ReadMemory(void* out, size_t itemSize, size_t items, void* source) {
    auto* m = static_cast<Memory*>(source);
    if (itemSize == 0) return 0;
    const size_t n = std::min(items, (m->size - m->at) / itemSize);
    if (n == 0) return 0;
    std::memcpy(out, m->data + m->at, n * itemSize);
    m->at += n * itemSize;
    return n;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* m = static_cast<Memory*>(source);
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? int64_t(m->at) : int64_t(m->size);
    if (offset < -base || offset > int64_t(m->size) - base) return -1;
    m->at = size_t(base + offset);
    return 0;
}

long TellMemory(void* source) { return long(static_cast<Memory*>(source)->at); }

class OggSource : public AudioSource {
public:
    ~OggSource() override {
        if (open_) ov_clear(&file_);
    }
    bool Open(const uint8_t* data, size_t size) {
        memory_ = Memory{data, size};
        const ov_callbacks callbacks = {ReadMemory, SeekMemory, nullptr, TellMemory};
        if (ov_open_callbacks(&memory_, &file_, nullptr, 0, callbacks) != 0) return false;
        open_ = true;
        const vorbis_info* info = ov_info(&file_, -1);
        if (!info || info->channels < 1 || info->rate < 1 || info->rate > 1000000) return false;
        if (!EveryLinkDecodes()) return false;
        compressed_ = true;
        channels_ = info->channels;
        rate_ = int(info->rate);
        const ogg_int64_t total = ov_pcm_total(&file_, -1);
        total_ = total < 0 ? -1 : int64_t(total);
        return true;
    }
    int64_t TotalFrames() const override { return total_; }
    int Read(int16_t* out, int maxFrames) override {
        const int frameBytes = 2 * channels_;
        int done = 0;
        int holes = 0;
        while (done < maxFrames && !ended_) {
            int section = 0;
            const long got = ov_read(&file_, reinterpret_cast<char*>(out + size_t(done) * channels_),
                                     (maxFrames - done) * frameBytes, 0, 2, 1, &section);
            if (got == OV_HOLE && ++holes < 64) continue;  // a gap in the data: play on past it
            if (got <= 0) {
                ended_ = true;
                break;
            }
            // A chained stream that changes its format mid-way cannot go on in ours: it ends there.
            const vorbis_info* info = ov_info(&file_, section);
            if (!info || info->channels != channels_ || info->rate != rate_) {
                ended_ = true;
                break;
            }
            done += int(got / frameBytes);
        }
        return done;
    }
    bool Seek(int64_t frame) override {
        ended_ = ov_pcm_seek(&file_, std::max<int64_t>(frame, 0)) != 0;
        return !ended_;
    }

private:
    // libvorbis keeps a link's half-built codebooks when setting up its decoder fails, and the next
    // set-up of that link (a seek or a loop back) then "succeeds" over empty books and divides by
    // zero. Setting up every link once here refuses such a file before any of that can happen.
    bool EveryLinkDecodes() {
        for (long link = 0; link < ov_streams(&file_); ++link) {
            vorbis_info* info = ov_info(&file_, int(link));
            if (!info) return false;
            vorbis_dsp_state dsp{};
            if (vorbis_synthesis_init(&dsp, info) != 0) return false;
            vorbis_dsp_clear(&dsp);
        }
        return true;
    }

    Memory memory_{nullptr, 0};
    OggVorbis_File file_{};
    bool open_ = false;
    bool ended_ = false;
    int64_t total_ = -1;
};

}  // namespace

std::unique_ptr<AudioSource> OpenOggVorbis(const uint8_t* data, size_t size) {
    auto source = std::make_unique<OggSource>();
    if (!source->Open(data, size)) return nullptr;
    return source;
}

}  // namespace engine
