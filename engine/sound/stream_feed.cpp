// The stream feeder: decodes streamed sounds ahead into each playing buffer's ring, outside the lock.
#include <algorithm>
#include <cstring>

#include "engine/sound/sound_internal.h"

namespace engine::sound {

namespace {

// Equal formats need no conversion: frames pass through a queue.
class PassThrough : public platform::AudioConverter {
public:
    explicit PassThrough(int channels) : channels_(channels) {}
    bool Put(const int16_t* samples, int frames) override {
        queue_.insert(queue_.end(), samples, samples + size_t(frames) * channels_);
        return true;
    }
    bool Flush() override { return true; }
    int Get(int16_t* out, int maxFrames) override {
        const size_t n = std::min(size_t(std::max(maxFrames, 0)), (queue_.size() - head_) / channels_);
        if (n == 0) return 0;
        std::memcpy(out, queue_.data() + head_, n * channels_ * sizeof(int16_t));
        head_ += n * channels_;
        if (head_ == queue_.size()) Clear();
        return int(n);
    }
    void Clear() override {
        queue_.clear();
        head_ = 0;
    }

private:
    int channels_;
    std::vector<int16_t> queue_;
    size_t head_ = 0;
};

// Silence as long as a stream says it is: what an unheard run plays in place of its music.
class Silence : public AudioSource {
public:
    Silence(int rate, int channels, int64_t frames) : frames_(frames) {
        rate_ = rate;
        channels_ = channels;
    }
    int64_t TotalFrames() const override { return frames_; }
    int Read(int16_t* out, int maxFrames) override {
        const int n = int(std::clamp<int64_t>(frames_ - at_, 0, maxFrames));
        std::memset(out, 0, sizeof(int16_t) * size_t(n) * size_t(channels_));
        at_ += n;
        return n;
    }
    bool Seek(int64_t frame) override {
        at_ = std::clamp<int64_t>(frame, 0, frames_);
        return true;
    }

private:
    int64_t frames_;
    int64_t at_ = 0;
};

// Reads a streamed sound from `target` on (the head's end or later), with a fresh converter.
bool StartDecoding(const Sound& s, StreamFeed& f, int64_t target) {
    if (!f.source && Sounds().unheard && s.music && s.totalFrames >= 0)
        f.source = std::make_unique<Silence>(s.inRate, s.inChannels, s.totalFrames);
    if (!f.source) f.source = OpenAudioSource(s.file->data(), s.file->size());
    if (!f.converter) f.converter = NewConverter(s.inRate, s.inChannels);
    if (!f.source || !f.converter) return false;
    f.converter->Clear();
    f.sourceEnded = false;
    if (target <= s.frames) {
        // Decoding again from the start, dropping the head's frames, continues the head exactly.
        f.discard = s.frames;
        return f.source->Seek(0);
    }
    f.discard = 0;
    return f.source->Seek(target * s.inRate / Sounds().format.rate);
}

}  // namespace

std::unique_ptr<platform::AudioConverter> NewConverter(int inRate, int inChannels) {
    const platform::AudioSpec& out = Sounds().format;
    if (inRate == out.rate && inChannels == out.channels) return std::make_unique<PassThrough>(inChannels);
    platform::Platform* p = platform::Current();
    return p ? p->NewAudioConverter(inRate, inChannels, out.rate, out.channels) : nullptr;
}

void MoveStream(Sound& s, Voice& v, int64_t position) {
    if (!v.feed) {
        v.feed = std::make_unique<StreamFeed>();
        v.feed->capacity = int64_t(Sounds().format.rate) * kRingMillis / 1000;
        v.feed->ring.assign(size_t(v.feed->capacity) * s.channels, 0);
    }
    StreamFeed& f = *v.feed;
    ++f.request;
    f.requestPos = std::max(position, s.frames);
    f.readIndex = f.writeIndex = 0;
    f.jumps.clear();
    f.endAt = -1;
    f.frontPos = f.requestPos;
}

void FeedVoice(const std::shared_ptr<Sound>& sound, int voiceIndex, std::unique_lock<std::mutex>& lk,
               bool unlock) {
    Sound& s = *sound;
    Voice& v = s.voices[size_t(voiceIndex)];
    StreamFeed* f = v.feed.get();
    if (s.deleted || !f || !v.playing) return;
    const bool moved = f->servedRequest != f->request;
    if (!moved && f->endAt >= 0) return;
    const int64_t space = f->capacity - (f->writeIndex - f->readIndex);
    // Small top-ups are left for the next round, so that decoding happens in useful pieces.
    if (!moved && space < f->capacity / 4 && f->writeIndex > f->readIndex) return;
    const uint32_t request = f->request;
    const int64_t target = f->requestPos;
    const bool loop = v.looping;
    const int ch = s.channels;

    if (unlock) lk.unlock();
    std::vector<int16_t> out(size_t(space) * ch);
    std::vector<int64_t> wraps;  // offsets in `out` where the data wrapped to the loop start
    int64_t got = 0, keptSinceWrap = 0;
    bool ended = moved && !StartDecoding(s, *f, target);
    std::vector<int16_t> in(size_t(kDecodeStep) * std::max(s.inChannels, 1));
    std::vector<int16_t> scratch(size_t(1024) * ch);
    while (!ended && got < space) {
        int n;
        if (f->discard > 0) {
            n = f->converter->Get(scratch.data(), int(std::min<int64_t>(f->discard, 1024)));
            if (n > 0) {
                f->discard -= n;
                continue;
            }
        } else {
            n = f->converter->Get(out.data() + size_t(got) * ch,
                                  int(std::min<int64_t>(space - got, 1 << 20)));
            if (n > 0) {
                got += n;
                keptSinceWrap += n;
                continue;
            }
        }
        if (n < 0) {
            ended = true;  // a failed conversion ends the play rather than spinning on it
            break;
        }
        if (f->sourceEnded) {
            // The data ends here. A loop goes on from the head's end; one that gave nothing is broken.
            if (!loop || keptSinceWrap == 0 || !StartDecoding(s, *f, 0)) {
                ended = true;
                break;
            }
            wraps.push_back(got);
            keptSinceWrap = 0;
            continue;
        }
        const int r = f->source->Read(in.data(), kDecodeStep);
        if (r > 0 ? !f->converter->Put(in.data(), r) : !f->converter->Flush()) {
            ended = true;
            break;
        }
        if (r <= 0) f->sourceEnded = true;
    }
    if (unlock) lk.lock();

    f->servedRequest = request;
    if (s.deleted || f->request != request) return;  // moved again meanwhile: this piece is stale
    for (int64_t w : wraps) f->jumps.push_back(Jump{f->writeIndex + w, s.frames});
    for (int64_t done = 0; done < got;) {
        const int64_t at = (f->writeIndex + done) % f->capacity;
        const int64_t n = std::min(got - done, f->capacity - at);
        std::memcpy(f->ring.data() + size_t(at) * ch, out.data() + size_t(done) * ch, size_t(n) * ch * 2);
        done += n;
    }
    f->writeIndex += got;
    if (ended) f->endAt = f->writeIndex;
}

void FeedAll(std::unique_lock<std::mutex>& lk) {
    // A copy, so that sounds deleted while the lock is released stay alive until fed. The copy's
    // memory is kept from one pump to the next (one per feeding thread): a frame allocates nothing.
    thread_local std::vector<std::shared_ptr<Sound>> live;
    live.assign(Sounds().live.begin(), Sounds().live.end());
    for (const auto& s : live) {
        if (!s->streamed) continue;
        for (size_t i = 0; i < s->voices.size(); ++i)
            if (!s->deleted && s->voices[i].playing) FeedVoice(s, int(i), lk, true);
    }
    live.clear();
}

}  // namespace engine::sound
