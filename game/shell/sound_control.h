// Sound effects and music: requests with a cooldown, music sets and tracks.
#pragma once

namespace game {

void InitSoundTables();
void LoadSoundEffects();
void ClearSoundCooldowns();
void RequestSound(int n);
void PlayRequestedSounds();
void LoadMusicSet(int set);
void PlayMusic(int track);
void StopMusic();
void ReleaseSounds();

}  // namespace game
