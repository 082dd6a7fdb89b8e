// The sound system's life: the device, the feeder thread, and silent mixing when there is no device.
#include "engine/sound/sound_system.h"

#include <algorithm>

#include "engine/frame/overlays.h"
#include "engine/frame/pause.h"
#include "engine/input/controls.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_internal.h"

namespace engine {

using namespace sound;

namespace sound {

State& Sounds() {
    static State state;
    return state;
}

}  // namespace sound

namespace {

void Pull(void*, int16_t* out, int frames) {
    std::unique_lock<std::mutex> lk(Sounds().lock);
    Mix(out, frames, lk);
}

void FeederLoop() {
    State& st = Sounds();
    std::unique_lock<std::mutex> lk(st.lock);
    while (!st.stopFeeder) {
        FeedAll(lk);
        st.wake.wait_for(lk, std::chrono::milliseconds(kFeedPeriodMillis));
    }
}

// Without a device, plays advance on the platform's clock as if heard, so that they end on time.
void MixSilently(std::unique_lock<std::mutex>& lk) {
    State& st = Sounds();
    platform::Platform* p = platform::Current();
    if (!p) return;
    const uint64_t now = p->NowMicros();
    if (now < st.silentStartMicros) return;
    const uint64_t due = (now - st.silentStartMicros) * uint64_t(st.format.rate) / 1000000u;
    // After a long pause the missed time is not mixed in full: ten seconds end any effect.
    const uint64_t cap = uint64_t(st.format.rate) * 10;
    if (due > st.silentFramesDone + cap) st.silentFramesDone = due - cap;
    thread_local std::vector<int16_t> scratch;  // kept between pumps: no allocation per frame
    scratch.resize(size_t(1024) * size_t(st.format.channels));
    while (st.silentFramesDone < due) {
        const int n = int(std::min<uint64_t>(due - st.silentFramesDone, 1024));
        Mix(scratch.data(), n, lk);
        st.silentFramesDone += uint64_t(n);
    }
}

}  // namespace

bool StartSoundSystem() {
    State& st = Sounds();
    if (st.started) return true;
    platform::Platform* p = platform::Current();
    st.slots.assign(kSlots, nullptr);
    st.live.clear();
    st.count = st.hint = 0;
    st.nextCheck = 0;
    // Only presses from now on count.
    if (p) ActionPressed(p->Input(), kActionMute, &st.mutePresses);
    st.format = platform::AudioSpec{};
    st.format.rate = kMixRate;
    st.format.channels = 2;
    st.started = true;
    // No device (a server, CI, a muted desktop) is not an error: the game runs silently.
    st.deviceOpen = p && p->OpenAudio(&st.format, &Pull, nullptr);
    if (!st.deviceOpen) {
        st.format = platform::AudioSpec{};
        st.format.rate = kMixRate;
        st.format.channels = 2;
        st.silentStartMicros = p ? p->NowMicros() : 0;
        st.silentFramesDone = 0;
    }
    st.format.channels = std::clamp(st.format.channels, 1, 8);
    // Streams are decoded on a thread of their own where the device pulls on one and there are cores
    // to spare; otherwise on the main thread in the message pump (and then the mixer may decode too).
    const bool ownThread =
        st.deviceOpen && !st.format.pulledOnMainThread && std::thread::hardware_concurrency() > 1;
    st.mixerMayDecode = !st.deviceOpen || st.format.pulledOnMainThread;
    st.unheard = !st.deviceOpen || st.format.unheard;
    st.stopFeeder = false;
    if (ownThread) st.feeder = std::thread(FeederLoop);
    return true;
}

void EndSoundSystem() {
    State& st = Sounds();
    if (!st.started) return;
    if (st.feeder.joinable()) {
        {
            std::lock_guard<std::mutex> lock(st.lock);
            st.stopFeeder = true;
        }
        st.wake.notify_all();
        st.feeder.join();
    }
    // The device goes first: its thread takes the sound lock, so it is closed without holding it.
    if (st.deviceOpen && platform::Current()) platform::Current()->CloseAudio();
    st.deviceOpen = false;
    DeleteAllSounds();
    KeptStreams().clear();
    std::lock_guard<std::mutex> lock(st.lock);
    st.started = false;
    st.slots.clear();
    st.slots.shrink_to_fit();
}

namespace {

int Gain(int percent) {
    const int p = std::clamp(percent, 0, 100);
    return p * p * 256 / 10000;  // the ear hears loudness roughly as the square of the amplitude
}

// Main thread, every pump: the M key and the focus, read from the platform's input state.
void FollowPlayer(State& st) {
    platform::Platform* p = platform::Current();
    if (!p) return;
    const platform::InputState& in = p->Input();
    // Counted presses, not the held state: a tap between two pumps mutes too.
    ActionPresses seen = st.mutePresses;
    const bool pressed = ActionPressed(in, kActionMute, &seen);
    bool muted = false;
    {
        std::lock_guard<std::mutex> lock(st.lock);
        st.mutePresses = seen;
        st.inactive = !in.active || GamePaused();  // the pause is heard as a lost focus
        if (pressed) st.muted = !st.muted;
        muted = st.muted;
    }
    if (pressed) ShowNotice(muted ? Notice::kMuted : Notice::kSoundOn);
}

}  // namespace

void SetSoundVolumes(int effectsPercent, int musicPercent) {
    State& st = Sounds();
    std::lock_guard<std::mutex> lock(st.lock);
    st.effectsGain = Gain(effectsPercent);
    st.musicGain = Gain(musicPercent);
    st.effectsPercent = std::clamp(effectsPercent, 0, 100);
    st.musicPercent = std::clamp(musicPercent, 0, 100);
}

void SetSoundMuted(bool muted) {
    State& st = Sounds();
    std::lock_guard<std::mutex> lock(st.lock);
    st.muted = muted;
}

void GetSoundVolumes(int* effectsPercent, int* musicPercent) {
    State& st = Sounds();
    std::lock_guard<std::mutex> lock(st.lock);
    *effectsPercent = st.effectsPercent;
    *musicPercent = st.musicPercent;
}

bool SoundMuted() {
    State& st = Sounds();
    std::lock_guard<std::mutex> lock(st.lock);
    return st.muted;
}

void SetMuteWhenInactive(bool on) {
    State& st = Sounds();
    std::lock_guard<std::mutex> lock(st.lock);
    st.muteWhenInactive = on;
}

void FeedSoundStreams() {
    State& st = Sounds();
    if (!st.started) return;
    FollowPlayer(st);
    if (st.feeder.joinable()) {
        st.wake.notify_one();
        return;
    }
    std::unique_lock<std::mutex> lk(st.lock);
    FeedAll(lk);
    if (!st.deviceOpen) MixSilently(lk);
}

}  // namespace engine
