// Sound effects and music: requests with a cooldown, music sets and tracks. (placeholder until its own work lands)
#include "game/shell/sound_control.h"

namespace game {

void InitSoundTables() {}
void LoadSoundEffects() {}
void ClearSoundCooldowns() {}
void RequestSound(int) {}
void PlayRequestedSounds() {}
void LoadMusicSet(int) {}
void PlayMusic(int) {}
void StopMusic() {}
void ReleaseSounds() {}

}  // namespace game
