// Sound effects and music: requests with a cooldown, played together once a frame; music sets and tracks.
#include "game/services/sound_control.h"

#include "engine/sound/sound.h"

namespace game {

int SoundTable[kSoundEntries];
uint8_t SoundRequests[kSoundEntries];
int16_t SoundCooldowns[kSoundEntries];
MusicSlot MusicSlots[2];
int16_t musicSet = -1;
int16_t currentTrack = -1;

namespace {

constexpr int kPlayBuffers = 3;

const char* const kEffectFiles[13] = {
    nullptr,
    "data/se/hit.wav",
    "data/se/bak1.wav",
    "data/se/tekitama.wav",
    "data/se/jikitama.wav",
    "data/se/bak2.wav",
    "data/se/bak3.wav",
    "data/se/cursol.wav",
    "data/se/shot.wav",
    "data/se/gure.wav",
    "data/se/ext.wav",
    "data/se/bonus.wav",
    "data/se/damage.wav",
};

struct Track {
    const char* file;
    int mode;
};
const Track kMusicSets[2][2] = {
    {{"data/music/titl.ogg", engine::kPlayLoop}, {"data/music/end.ogg", engine::kPlayLoop}},
    {{"data/music/bgm01.ogg", engine::kPlayLoop}, {"data/music/bgm02.ogg", engine::kPlayBackground}},
};

void StopIfPlaying(int handle) {
    if (engine::IsSoundPlaying(handle) == 1) engine::StopSound(handle);
}

}  // namespace

void InitSoundTables() {
    for (int i = 0; i < kSoundEntries; ++i) SoundTable[i] = 0;
    for (MusicSlot& m : MusicSlots) m = MusicSlot{};
    musicSet = -1;
    currentTrack = -1;
    ClearSoundCooldowns();
}

void LoadSoundEffects() {
    for (int i = 1; i <= 12; ++i) SoundTable[i] = engine::LoadSound(kEffectFiles[i], kPlayBuffers, -1);
}

void ClearSoundCooldowns() {
    for (int i = 0; i < kSoundEntries; ++i) {
        SoundRequests[i] = 0;
        SoundCooldowns[i] = 0;
    }
}

void RequestSound(int n) {
    if (n < 0 || n >= kSoundEntries) return;  // past the table there is nothing to request
    if (SoundCooldowns[n] != 0) return;
    SoundRequests[n] = 1;
    SoundCooldowns[n] = kSoundCooldownFrames;
}

void PlayRequestedSounds() {
    for (int i = 0; i < kSoundEntries; ++i) {
        if (SoundRequests[i]) {
            // An empty entry (0) or a failed load (-1) is refused by the engine: nothing plays.
            StopIfPlaying(SoundTable[i]);
            engine::StartSound(SoundTable[i], engine::kPlayBackground, 1);
        }
        if (SoundCooldowns[i] > 0) --SoundCooldowns[i];
    }
    for (int i = 0; i < kSoundEntries; ++i) SoundRequests[i] = 0;
}

void LoadMusicSet(int set) {
    if (set == musicSet || set < 0 || set > 1) return;
    for (MusicSlot& m : MusicSlots) {
        StopIfPlaying(m.handle);
        engine::DeleteSound(m.handle);
        m.handle = 0;
    }
    for (int s = 0; s < 2; ++s) {
        MusicSlots[s].handle = engine::LoadSound(kMusicSets[set][s].file, kPlayBuffers, -1);
        MusicSlots[s].mode = kMusicSets[set][s].mode;
    }
    currentTrack = -1;
    musicSet = int16_t(set);
}

void PrepareMusicSet(int set) {
    if (set < 0 || set > 1) return;
    for (const Track& t : kMusicSets[set]) engine::PrepareSound(t.file);
}

void PlayMusic(int track) {
    // A track played once that has ended still counts as current: the stage stays silent.
    if (track == currentTrack || track < 0 || track > 1) return;
    StopMusic();
    engine::StartSound(MusicSlots[track].handle, MusicSlots[track].mode, 1);
    currentTrack = int16_t(track);
}

void StopMusic() {
    if (currentTrack >= 0) StopIfPlaying(MusicSlots[currentTrack].handle);
    currentTrack = -1;
}

void ReleaseSounds() {
    for (int i = 0; i < kSoundEntries; ++i) {
        StopIfPlaying(SoundTable[i]);
        engine::DeleteSound(SoundTable[i]);
        SoundTable[i] = 0;
    }
    for (MusicSlot& m : MusicSlots) {
        StopIfPlaying(m.handle);
        engine::DeleteSound(m.handle);
        m.handle = 0;
    }
    currentTrack = -1;
    musicSet = -1;
    engine::DeleteAllSounds();
}

}  // namespace game
