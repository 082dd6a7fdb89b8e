// Sound handles: the slot table, loading and decoding, and the play-buffer operations.
#include "engine/sound/sound.h"

#include <algorithm>

#include "engine/file/file_access.h"
#include "engine/frame/frame.h"
#include "engine/sound/sound_internal.h"

namespace engine {

using namespace sound;

namespace {

constexpr int kHandleType = 2;

int MakeHandle(const Sound& s) { return kHandleType << 27 | int(s.check) << 16 | s.slot; }

// The live sound behind a handle, or null; lock held.
Sound* Find(int handle) {
    State& st = Sounds();
    if (!st.started || handle < 0 || (handle >> 27) != kHandleType) return nullptr;
    const int slot = handle & 0xFFFF;
    if (slot >= kSlots) return nullptr;
    Sound* s = st.slots[size_t(slot)].get();
    return s && s->check == ((handle >> 16) & 0x7FF) ? s : nullptr;
}

// Takes a slot by the next-free rule; false when all are occupied. Lock held.
bool Insert(const std::shared_ptr<Sound>& s) {
    State& st = Sounds();
    if (st.count >= kSlots) return false;
    int slot = st.hint;
    if (slot >= kSlots) {
        slot = 0;
        while (st.slots[size_t(slot)]) ++slot;
    }
    s->slot = slot;
    s->check = st.nextCheck;
    st.nextCheck = uint16_t((st.nextCheck + 1) & 0x7FF);
    st.slots[size_t(slot)] = s;
    st.live.push_back(s);
    ++st.count;
    st.hint = std::max(st.hint, slot + 1);
    return true;
}

void Remove(Sound& s) {
    State& st = Sounds();
    s.deleted = true;
    for (Voice& v : s.voices) v.playing = false;
    st.live.erase(std::find(st.live.begin(), st.live.end(), st.slots[size_t(s.slot)]));
    st.slots[size_t(s.slot)].reset();
    --st.count;
    while (st.hint > 0 && !st.slots[size_t(st.hint) - 1]) --st.hint;
}

// Converts everything a source gives, a piece at a time; false on a conversion failure or when the
// source runs past `maxFrames` input frames (a stream that lied about its length).
bool DecodeAll(AudioSource& src, int64_t maxFrames, int outChannels, std::vector<int16_t>* pcm) {
    auto conv = NewConverter(src.Rate(), src.Channels());
    if (!conv) return false;
    std::vector<int16_t> in(size_t(kDecodeStep) * src.Channels());
    std::vector<int16_t> out(size_t(16384) * outChannels);
    int64_t read = 0;
    for (bool end = false; !end;) {
        const int r = src.Read(in.data(), kDecodeStep);
        read += r;
        if (read > maxFrames) return false;
        end = r == 0;
        if (end ? !conv->Flush() : !conv->Put(in.data(), r)) return false;
        for (int n; (n = conv->Get(out.data(), 16384)) != 0;) {
            if (n < 0) return false;
            pcm->insert(pcm->end(), out.data(), out.data() + size_t(n) * outChannels);
        }
    }
    return true;
}

// The converted first `frames` frames; `*whole` when the sound ended within them.
bool DecodeHead(AudioSource& src, int64_t frames, int outChannels, std::vector<int16_t>* pcm, bool* whole) {
    auto conv = NewConverter(src.Rate(), src.Channels());
    if (!conv) return false;
    std::vector<int16_t> in(size_t(kDecodeStep) * src.Channels());
    *whole = false;
    int64_t have = 0;
    pcm->assign(size_t(frames) * outChannels, 0);
    while (have < frames) {
        const int n = conv->Get(pcm->data() + size_t(have) * outChannels, int(frames - have));
        if (n < 0) return false;
        if (n > 0) {
            have += n;
            continue;
        }
        if (*whole) break;
        const int r = src.Read(in.data(), kDecodeStep);
        if (r > 0 ? !conv->Put(in.data(), r) : !conv->Flush()) return false;
        if (r == 0) *whole = true;
    }
    pcm->resize(size_t(have) * outChannels);
    return true;
}

}  // namespace

namespace {

// The menus' two tracks and the stages' two.
constexpr size_t kKeptStreamCount = 4;

// The kept stream of this file when its bytes are the same and it was decoded for this output.
const KeptStream* FindKept(const std::string& name, const std::vector<uint8_t>& bytes,
                           const platform::AudioSpec& format) {
    for (const KeptStream& k : KeptStreams())
        if (k.name == name && k.channels == format.channels && k.rate == format.rate && *k.file == bytes)
            return &k;
    return nullptr;
}

void Keep(const std::string& name, const Sound& s, const platform::AudioSpec& format) {
    std::vector<KeptStream>& kept = KeptStreams();
    kept.erase(std::remove_if(kept.begin(), kept.end(), [&](const KeptStream& k) { return k.name == name; }),
               kept.end());
    kept.insert(kept.begin(), KeptStream{name, s.file, s.pcm, s.totalFrames, format.channels, format.rate,
                                         s.inRate, s.inChannels, s.music});
    if (kept.size() > kKeptStreamCount) kept.resize(kKeptStreamCount);
}

// Everything of a loaded sound but its play buffers and handle; false (said once) when the file
// cannot be read or decoded.
bool LoadInto(const std::string& name, Sound* s) {
    State& st = Sounds();
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    const bool read = ReadWholeFile(name, bytes.get());
    s->channels = st.format.channels;
    if (read) {
        const KeptStream* k = FindKept(name, *bytes, st.format);
        // Only while a load would stream it still: the decode-at-load limit may have changed since.
        const double limit = k && k->music ? std::min<double>(st.decodeAtLoadSeconds, kLongestDecodedSeconds)
                                           : kLongestDecodedSeconds;
        if (k && (k->totalFrames < 0 || k->totalFrames / k->inRate > int64_t(limit))) {
            s->file = k->file;
            s->pcm = k->head;
            s->totalFrames = k->totalFrames;
            s->inRate = k->inRate;
            s->inChannels = k->inChannels;
            s->music = k->music;
            s->streamed = true;
            s->frames = int64_t(s->pcm.size()) / s->channels;
            return true;
        }
    }
    std::unique_ptr<AudioSource> src;
    if (read) src = OpenAudioSource(bytes->data(), bytes->size());
    // Rates outside this range are not sound we can resample sensibly.
    if (!src || src->Rate() < 1000 || src->Rate() > 768000) {
        ReportUnloadable(name, "sound");
        return false;
    }
    s->inRate = src->Rate();
    s->inChannels = src->Channels();
    s->music = src->Compressed();

    // A WAV is only copied, so it stays decoded up to the long-sound limit; compressed music longer
    // than decodeAtLoadSeconds would stall the frame that loads it, so it is decoded while it plays.
    const double limit = src->Compressed() ? std::min<double>(st.decodeAtLoadSeconds, kLongestDecodedSeconds)
                                           : kLongestDecodedSeconds;
    const int64_t total = src->TotalFrames();
    const int64_t maxDecoded = int64_t(limit * src->Rate()) + src->Rate() - 1;  // whole seconds, as counted
    bool streamed = total < 0 || total / src->Rate() > int64_t(limit);
    if (!streamed && !DecodeAll(*src, maxDecoded, s->channels, &s->pcm)) {
        s->pcm.clear();
        streamed = true;
    }
    if (streamed) {
        bool whole = false;
        auto head = OpenAudioSource(bytes->data(), bytes->size());
        if (!head ||
            !DecodeHead(*head, int64_t(st.format.rate) * kHeadMillis / 1000, s->channels, &s->pcm, &whole))
            return false;
        streamed = !whole;  // a stream that ends within the head is simply short
    }
    s->streamed = streamed;
    s->totalFrames = total;
    s->frames = int64_t(s->pcm.size()) / s->channels;
    s->pcm.shrink_to_fit();
    if (streamed) {
        s->file = std::move(bytes);
        Keep(name, *s, st.format);
    }
    return true;
}

}  // namespace

std::vector<KeptStream>& sound::KeptStreams() {
    static std::vector<KeptStream> kept;
    return kept;
}

int LoadSound(const std::string& name, int playBuffers, int) {
    State& st = Sounds();
    if (!st.started) return -1;
    playBuffers = std::clamp(playBuffers, 1, kMaxPlayBuffers);
    auto s = std::make_shared<Sound>();
    if (!LoadInto(name, s.get())) return -1;
    s->voices.resize(size_t(playBuffers));
    std::lock_guard<std::mutex> lock(st.lock);
    if (!Insert(s)) return -1;
    return MakeHandle(*s);
}

int PrepareSound(const std::string& name) {
    if (!Sounds().started) return -1;
    Sound s;
    return LoadInto(name, &s) ? 0 : -1;
}

int StartSound(int handle, int mode, int fromStart) {
    if (mode != kPlayWait && mode != kPlayBackground && mode != kPlayLoop) return -1;
    {
        State& st = Sounds();
        std::lock_guard<std::mutex> lock(st.lock);
        Sound* s = Find(handle);
        if (!s) return -1;
        const int64_t noted = s->voices[size_t(s->current)].position;
        s->current = (s->current + 1) % int(s->voices.size());
        Voice& v = s->voices[size_t(s->current)];
        if (v.playing) {
            if (!fromStart) return 0;
            v.playing = false;
        }
        const bool loop = mode == kPlayLoop;
        const bool loopChanged = v.looping != loop;
        v.position = fromStart ? 0 : noted;
        v.looping = loop;
        v.playing = s->frames > 0;
        if (s->streamed) {
            // The ring is kept when it already holds what follows the position (a resume, or a restart
            // of a play that never left its head).
            const int64_t next = std::max(v.position, s->frames);
            if (!v.feed || loopChanged || v.feed->frontPos != next || v.feed->endAt == v.feed->readIndex)
                MoveStream(*s, v, v.position);
            st.wake.notify_one();
        }
    }
    if (mode == kPlayWait) {
        platform::Platform* p = platform::Current();
        while (IsSoundPlaying(handle) == 1) {
            p->SleepUntilMicros(p->NowMicros() + 1000);
            if (PumpMessages() == -1) break;
        }
    }
    return 0;
}

int StopSound(int handle) {
    std::lock_guard<std::mutex> lock(Sounds().lock);
    Sound* s = Find(handle);
    if (!s) return -1;
    for (Voice& v : s->voices) v.playing = false;
    return 0;
}

int IsSoundPlaying(int handle) {
    std::lock_guard<std::mutex> lock(Sounds().lock);
    const Sound* s = Find(handle);
    if (!s) return -1;
    return std::any_of(s->voices.begin(), s->voices.end(), [](const Voice& v) { return v.playing; }) ? 1 : 0;
}

int DeleteSound(int handle) {
    std::shared_ptr<Sound> keep;  // freed after the lock is released
    std::lock_guard<std::mutex> lock(Sounds().lock);
    Sound* s = Find(handle);
    if (!s) return -1;
    keep = Sounds().slots[size_t(s->slot)];
    Remove(*s);
    return 0;
}

int DeleteAllSounds() {
    State& st = Sounds();
    std::vector<std::shared_ptr<Sound>> keep;
    std::lock_guard<std::mutex> lock(st.lock);
    if (!st.started) return -1;
    for (int slot = 0; slot < kSlots && st.count > 0; ++slot) {
        if (!st.slots[size_t(slot)]) continue;
        keep.push_back(st.slots[size_t(slot)]);
        Remove(*keep.back());
    }
    return 0;
}

}  // namespace engine
