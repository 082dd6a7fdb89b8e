// Horizontal bands of a frame drawn side by side on a few threads that live as long as the program.
#pragma once

namespace engine {

inline constexpr int kMostBands = 16;

// Calls work(bounds[i], bounds[i + 1]) for each band i < bands (at most kMostBands), the first band on
// the calling thread and the others on threads of their own, and returns when every band is done.
void RunInBands(const int* bounds, int bands, void (*work)(int y0, int y1));

// Threads the drawing uses (1: everything on the calling thread). 0 or less picks the default:
// VELMORAN_DRAW_THREADS from the environment when it holds 1 to 16, else the hardware threads, at most 4.
void SetDrawThreads(int threads);
int DrawThreads();

}  // namespace engine
