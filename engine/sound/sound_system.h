// The sound system's life inside the engine: started by InitEngine, fed by the message pump.
#pragma once

namespace engine {

// Opens the audio device through the platform; a missing device is not a failure (silence).
bool StartSoundSystem();
void EndSoundSystem();
// Keeps streamed sounds fed; called by the message pump and its inactive wait.
void FeedSoundStreams();

}  // namespace engine
