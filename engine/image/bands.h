// Horizontal bands of a frame drawn side by side on a few threads that live as long as the program.
#pragma once

#include <cstdint>

namespace engine {

inline constexpr int kMostBands = 16;

// Calls work(y0, y1) on bands of rows [0, rows) that together cover each row once, on the calling
// thread and up to threads - 1 others, and returns when every row is drawn. workAbove[y] is the work
// of the rows above row y (rows + 1 entries, never falling): bands are shares of the work left.
void RunInBands(const int64_t* workAbove, int rows, int threads, void (*work)(int y0, int y1));
// Bands are on their way: wakes the threads RunInBands will use, so that they are awake when they
// come (they stay awake a few milliseconds at most).
void WakeBandThreads(int threads);

// Threads the drawing uses (1: everything on the calling thread). 0 or less picks the default:
// VELMORAN_DRAW_THREADS from the environment when it holds 1 to 16, else the hardware threads, at most 4.
void SetDrawThreads(int threads);
int DrawThreads();

}  // namespace engine
