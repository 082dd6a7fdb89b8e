// What the sound handles, the mixer and the stream feeder share; everything here is under the sound lock
// unless a field says otherwise.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/input/controls.h"
#include "engine/platform.h"
#include "engine/sound/audio_source.h"

namespace engine::sound {

inline constexpr int kSlots = 32768;
inline constexpr int kMaxPlayBuffers = 10;
inline constexpr int kMixRate = 44100;
// Sounds longer than this are never held decoded, to bound memory.
inline constexpr int kLongestDecodedSeconds = 180;
// The decoded start of a streamed sound, kept so that a start from the beginning sounds at once
// while the feeder seeks and fills behind it.
inline constexpr int kHeadMillis = 250;
// The decode-ahead of each playing buffer of a streamed sound; the feeder refills it every 30 ms.
inline constexpr int kRingMillis = 1000;
inline constexpr int kFeedPeriodMillis = 30;
// Input frames per conversion step. The same steps from the start make a streamed sound's samples equal
// to the decoded kind's, and large steps keep SDL's per-step rounding of the resampled length small.
inline constexpr int kDecodeStep = 8192;

// Where the stream's data wraps to the loop start: the frame at absolute ring index `at` is at `to`.
struct Jump {
    int64_t at;
    int64_t to;
};

// The decode-ahead of one play buffer of a streamed sound.
struct StreamFeed {
    std::vector<int16_t> ring;  // capacity frames at the output format
    int64_t capacity = 0;
    int64_t readIndex = 0;  // absolute frame counts; the slot is index % capacity
    int64_t writeIndex = 0;
    int64_t frontPos = 0;    // the sound position of the frame at readIndex
    std::deque<Jump> jumps;  // loop wraps still in the ring
    int64_t endAt = -1;      // the absolute index where a play that does not loop ends
    uint32_t request = 0;    // bumped when a start moves the play; older decoding is then dropped
    int64_t requestPos = 0;  // where the ring starts after that move (at least the head's end)
    // Owned by the one thread that decodes (the feeder thread, or the main thread when there is none).
    std::unique_ptr<AudioSource> source;
    std::unique_ptr<platform::AudioConverter> converter;
    uint32_t servedRequest = UINT32_MAX;
    int64_t discard = 0;       // converted frames to drop (the head's, after seeking to the start)
    bool sourceEnded = false;  // the source is read to its end and the converter flushed
};

// One play buffer: its own position and state over the sound's shared data.
struct Voice {
    int64_t position = 0;  // output frames from the sound's start
    bool playing = false;
    bool looping = false;
    std::unique_ptr<StreamFeed> feed;  // streamed kind, once it has played
};

struct Sound {
    uint16_t check = 0;
    int slot = 0;
    bool streamed = false;
    bool deleted = false;  // set under the lock, for a feeder still holding the sound
    int channels = 2;      // the output format's
    // In memory: the whole sound at the output format, shared by all play buffers.
    // Streamed: its first kHeadMillis only.
    std::vector<int16_t> pcm;
    int64_t frames = 0;        // frames in pcm
    int64_t totalFrames = -1;  // streamed: the frames the file says it holds, at its own rate (-1: unknown)
    std::vector<Voice> voices;
    int current = 0;
    // Streamed: the file image (read by the feeder, never changed after loading) and its format.
    std::shared_ptr<const std::vector<uint8_t>> file;
    int inRate = 0;
    int inChannels = 0;
    bool music = false;  // compressed (Ogg Vorbis): the music volume applies, else the effects volume
};

struct State {
    std::mutex lock;  // the sound lock
    bool started = false;
    bool deviceOpen = false;
    // Nobody hears the mix (no device, or one that keeps nothing): the music, which no game rule
    // reads, is fed as silence of its length instead of being decoded.
    bool unheard = false;
    bool mixerMayDecode = false;  // the mixer runs on the thread that decodes, so it may refill an empty ring
    platform::AudioSpec format;
    std::vector<std::shared_ptr<Sound>> slots;
    std::vector<std::shared_ptr<Sound>> live;  // occupied slots, for the mixer and the feeder
    int count = 0;
    int hint = 0;  // one past the highest occupied slot
    uint16_t nextCheck = 0;
    // Ogg Vorbis sounds longer than this are streamed: decoding more would hold up the frame that loads them.
    double decodeAtLoadSeconds = 2.0;
    std::thread feeder;
    std::condition_variable wake;
    bool stopFeeder = false;
    // Without a device the mixer still runs, silently, on the platform's clock, so that plays end on time.
    uint64_t silentStartMicros = 0;
    uint64_t silentFramesDone = 0;
    // The player's volume, as gains out of 256 (256 leaves the samples exactly as they are). Kept
    // across restarts of the sound system; mixing goes on while silent, so plays still end on time.
    int effectsGain = 256;
    int musicGain = 256;
    bool muted = false;
    bool muteWhenInactive = false;
    bool inactive = false;                         // the window has lost the focus (set by the message pump)
    int effectsPercent = 100, musicPercent = 100;  // as the player set them
    ActionPresses mutePresses;                     // the mute keys' press counts as the last pump saw them
};

State& Sounds();

// Streamed sounds as loaded (the file and its decoded head), kept past their deletion so that a load
// of the same file again (the music of the menus and of the stages, in turn) costs a read and a
// compare instead of a decode. Main thread only; emptied when the sound system ends.
struct KeptStream {
    std::string name;
    std::shared_ptr<const std::vector<uint8_t>> file;
    std::vector<int16_t> head;
    int64_t totalFrames = -1;
    int channels = 0, rate = 0;  // the output format it was decoded for
    int inRate = 0, inChannels = 0;
    bool music = false;
};
std::vector<KeptStream>& KeptStreams();

// Mixes `frames` frames into `out` at the output format; `lk` holds the sound lock.
void Mix(int16_t* out, int frames, std::unique_lock<std::mutex>& lk);
// Decodes ahead for a playing buffer of a streamed sound; `lk` holds the sound lock and is released
// while decoding when `unlock` is set.
void FeedVoice(const std::shared_ptr<Sound>& sound, int voice, std::unique_lock<std::mutex>& lk, bool unlock);
void FeedAll(std::unique_lock<std::mutex>& lk);
// Points a streamed play buffer's ring at `position` (at least the head's end); the feeder fills it.
void MoveStream(Sound& sound, Voice& voice, int64_t position);
// A converter from the source's format to the output's (a plain copy when they are equal); nullptr when
// the platform cannot convert.
std::unique_ptr<platform::AudioConverter> NewConverter(int inRate, int inChannels);

}  // namespace engine::sound
