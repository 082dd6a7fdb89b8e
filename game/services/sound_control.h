// Sound effects and music: requests with a cooldown, played together once a frame; music sets and tracks.
#pragma once

#include <cstdint>

namespace game {

inline constexpr int kSoundEntries = 16;

// The sound effects, by what requests them (entries 1 to 12 of SoundTable).
inline constexpr int kSoundShotHits = 1;     // data/se/hit.wav: a shot hits an enemy
inline constexpr int kSoundCraftLost = 2;    // bak1: the ship or an option is destroyed
inline constexpr int kSoundEnemyFires = 3;   // tekitama: an enemy bullet is fired
inline constexpr int kSoundNapalmFired = 4;  // jikitama: a napalm shot is fired
inline constexpr int kSoundEnemyDown = 5;    // bak2: an ordinary enemy is destroyed
inline constexpr int kSoundBossDown = 6;     // bak3: a boss is destroyed
inline constexpr int kSoundCursor = 7;       // cursol: the hovered menu row or chosen stage changes
inline constexpr int kSoundShot = 8;         // shot: a main or option shot is fired
inline constexpr int kSoundBomb = 9;         // gure: a bomb goes off
inline constexpr int kSoundExtraLife = 10;   // ext: an extra life is picked up
inline constexpr int kSoundBonus = 11;       // bonus: an option or weapon item is picked up
inline constexpr int kSoundBunnyHurt = 12;   // damage: an enemy reaches the bunny

// The music: set 0 holds the title's and the ending's tracks, set 1 a stage's and a boss's.
inline constexpr int kMusicMenus = 0;
inline constexpr int kMusicStages = 1;
inline constexpr int kTrackTitle = 0;   // set 0, looping
inline constexpr int kTrackEnding = 1;  // set 0, looping
inline constexpr int kTrackStage = 0;   // set 1, looping
inline constexpr int kTrackBoss = 1;    // set 1, played once
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
// Decodes the start of set 0's or 1's tracks ahead of LoadMusicSet, which then only reads the files.
void PrepareMusicSet(int set);
void PlayMusic(int track);
void StopMusic();
// Stops and releases every effect and track (shutdown).
void ReleaseSounds();

}  // namespace game
