// Horizontal bands of a frame drawn side by side on a few threads that live as long as the program.
#pragma once

namespace engine {

// Calls work(y0, y1) once for each of `bands` bands that split rows [0, height) evenly, the first
// band on the calling thread, and returns when every band is done.
void RunInBands(int height, int bands, void (*work)(int y0, int y1));

// Threads the drawing uses (1: everything on the calling thread). 0 or less picks the default:
// VELMORAN_DRAW_THREADS from the environment when it holds 1 to 16, else the hardware threads, at most 4.
void SetDrawThreads(int threads);
int DrawThreads();

}  // namespace engine
