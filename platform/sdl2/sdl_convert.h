// Audio format conversion with SDL_AudioStream, shared by both back-ends (no device needed).
#pragma once

#include <memory>

#include "engine/platform.h"

namespace sdl {

// A converter between 16-bit formats of the given rates and channel counts; nullptr when SDL
// cannot convert between them.
std::unique_ptr<platform::AudioConverter> NewAudioConverter(int inRate, int inChannels, int outRate,
                                                            int outChannels);

}  // namespace sdl
