// Sound effects and music: requests with a cooldown, played together once a frame; music sets and tracks.
#pragma once

#include <cstdint>

namespace game {

inline constexpr int kSoundEntries = 16;
inline constexpr int kSoundCooldownFrames = 8;

// Handles of effects 1 to 12 (entries 0 and 13 to 15 hold 0).
extern int SoundTable[kSoundEntries];
// Set by RequestSound, played and cleared by PlayRequestedSounds.
extern uint8_t SoundRequests[kSoundEntries];
// Frames until an effect may be requested again.
extern int16_t SoundCooldowns[kSoundEntries];

struct MusicSlot {
    int handle = 0;
    int mode = 0;  // the StartSound mode: loop or once
};
extern MusicSlot MusicSlots[2];
extern int16_t musicSet;      // the pair loaded, -1 = none
extern int16_t currentTrack;  // the slot playing, -1 = none

// Start-up values: no handles, no music, no requests or cooldowns.
void InitSoundTables();
void LoadSoundEffects();
void ClearSoundCooldowns();
// Asks for effect n at the end of the frame; dropped while its cooldown runs.
void RequestSound(int n);
// Once per frame of every screen, right after the end of the frame.
void PlayRequestedSounds();
// Loads the two tracks of set 0 (title, results) or 1 (stages, boss); nothing when already loaded.
void LoadMusicSet(int set);
void PlayMusic(int track);
void StopMusic();
// Stops and releases every effect and track (shutdown).
void ReleaseSounds();

}  // namespace game
