// Sound system life (placeholder until the mixer lands): no device, silence.
#include "engine/sound/sound_system.h"

namespace engine {

bool StartSoundSystem() { return true; }
void EndSoundSystem() {}
void FeedSoundStreams() {}

}  // namespace engine
