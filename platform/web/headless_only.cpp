// The headless WebAssembly program has no window: this takes the place of the SDL back-end, which
// app/main.cpp reaches only without --headless.
#include <cstdio>
#include <cstdlib>

#include "platform/sdl2/sdl_platform.h"

namespace sdl {

std::unique_ptr<platform::Platform> MakeSdlPlatform(const platform::Options&) {
    std::fprintf(stderr, "velmoran: this build has no window; run it with --headless\n");
    std::exit(2);
}

}  // namespace sdl
