// The sound system's life inside the engine: started by InitEngine, fed by the message pump.
#pragma once

namespace engine {

// Opens the audio device through the platform; a missing device is not a failure (silence).
bool StartSoundSystem();
void EndSoundSystem();
// Keeps streamed sounds fed; called by the message pump and its inactive wait.
void FeedSoundStreams();

// The player's sound comforts; none changes what plays, only what is heard. Volumes in percent:
// effects are the WAV sounds, music the Ogg Vorbis ones. The M key switches muting (FeedSoundStreams
// sees it), with a brief notice over the picture.
void SetSoundVolumes(int effectsPercent, int musicPercent);
void GetSoundVolumes(int* effectsPercent, int* musicPercent);
void SetSoundMuted(bool muted);
bool SoundMuted();
void SetMuteWhenInactive(bool on);

}  // namespace engine
