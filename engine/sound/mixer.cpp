// The mixer: every playing buffer added up at the output format, saturated rather than wrapped.
#include <algorithm>

#include "engine/sound/sound_internal.h"

namespace engine::sound {

namespace {

constexpr int kBlock = 1024;
constexpr int kMaxChannels = 8;

// `gain` out of 256; at 256 the samples are added exactly as they are.
void Add(int32_t* acc, const int16_t* src, int64_t frames, int channels, int gain) {
    const int64_t n = frames * channels;
    if (gain == 0) return;
    if (gain == 256) {
        for (int64_t i = 0; i < n; ++i) acc[i] += src[i];
    } else {
        for (int64_t i = 0; i < n; ++i) acc[i] += (int32_t(src[i]) * gain) >> 8;
    }
}

// A play buffer of an in-memory sound; returns when the block is full or the play has ended.
void MixMemory(const Sound& s, Voice& v, int32_t* acc, int frames, int gain) {
    int done = 0;
    while (done < frames && v.playing) {
        if (v.position >= s.frames) {
            if (v.looping && s.frames > 0) {
                v.position = 0;
                continue;
            }
            v.playing = false;
            v.position = 0;  // a finished play that is resumed starts over
            break;
        }
        const int64_t k = std::min<int64_t>(frames - done, s.frames - v.position);
        Add(acc + size_t(done) * s.channels, s.pcm.data() + size_t(v.position) * s.channels, k, s.channels,
            gain);
        v.position += k;
        done += int(k);
    }
}

// A play buffer of a streamed sound: the head from memory, then its ring. An empty ring waits (the
// position does not move) unless this thread may decode, in which case it is refilled at once.
void MixStream(const std::shared_ptr<Sound>& sp, int vi, int32_t* acc, int frames, int gain,
               std::unique_lock<std::mutex>& lk) {
    Sound& s = *sp;
    Voice& v = s.voices[size_t(vi)];
    bool refilled = false;
    int done = 0;
    while (done < frames && v.playing) {
        const int ch = s.channels;
        if (v.position < s.frames) {
            const int64_t k = std::min<int64_t>(frames - done, s.frames - v.position);
            Add(acc + size_t(done) * ch, s.pcm.data() + size_t(v.position) * ch, k, ch, gain);
            v.position += k;
            done += int(k);
            continue;
        }
        if (!v.feed) MoveStream(s, v, v.position);
        StreamFeed& f = *v.feed;
        bool atEnd = f.endAt == f.readIndex;
        if (!f.jumps.empty() && f.jumps.front().at == f.readIndex) {
            // The data ended here; the ring goes on from the head's end, as a loop continues.
            f.frontPos = f.jumps.front().to;
            f.jumps.pop_front();
            if (v.looping) {
                v.position = 0;
                continue;
            }
            atEnd = true;
        }
        if (atEnd) {
            v.playing = false;
            v.position = 0;  // as an in-memory play: resuming a finished play starts over
            break;
        }
        const int64_t avail = f.writeIndex - f.readIndex;
        if (avail == 0 || f.frontPos != v.position) {
            if (f.frontPos != v.position && f.servedRequest == f.request) MoveStream(s, v, v.position);
            if (!Sounds().mixerMayDecode || refilled) break;
            refilled = true;
            FeedVoice(sp, vi, lk, false);
            continue;
        }
        int64_t k = std::min<int64_t>(frames - done, avail);
        if (!f.jumps.empty()) k = std::min(k, f.jumps.front().at - f.readIndex);
        if (f.endAt >= 0) k = std::min(k, f.endAt - f.readIndex);
        const int64_t at = f.readIndex % f.capacity;
        k = std::min(k, f.capacity - at);
        Add(acc + size_t(done) * ch, f.ring.data() + size_t(at) * ch, k, ch, gain);
        f.readIndex += k;
        f.frontPos += k;
        v.position += k;
        done += int(k);
        refilled = false;
    }
}

}  // namespace

void Mix(int16_t* out, int frames, std::unique_lock<std::mutex>& lk) {
    State& st = Sounds();
    const int ch = std::clamp(st.format.channels, 1, kMaxChannels);
    int32_t acc[kBlock * kMaxChannels];
    const bool silent = st.muted || (st.muteWhenInactive && st.inactive);
    for (int at = 0; at < frames; at += kBlock) {
        const int n = std::min(kBlock, frames - at);
        std::fill_n(acc, size_t(n) * ch, 0);
        for (size_t i = 0; i < st.live.size(); ++i) {
            const std::shared_ptr<Sound> s = st.live[i];
            if (s->channels != ch) continue;
            for (size_t b = 0; b < s->voices.size(); ++b) {
                if (!s->voices[b].playing) continue;
                const int gain = silent ? 0 : s->music ? st.musicGain : st.effectsGain;
                if (s->streamed)
                    MixStream(s, int(b), acc, n, gain, lk);
                else
                    MixMemory(*s, s->voices[b], acc, n, gain);
            }
        }
        int16_t* o = out + size_t(at) * ch;
        for (int i = 0; i < n * ch; ++i) o[i] = int16_t(std::clamp(acc[i], -32768, 32767));
    }
}

}  // namespace engine::sound
