// Input, time and random numbers: keyboard and mouse polling, the millisecond clock, MT19937.
#pragma once

#include <cstdint>

namespace engine {

int IsKeyDown(int keyCode);
int GetMouseButtons();
int GetMousePosition(int* x, int* y);
int SetMousePosition(int x, int y);
int SetCursorVisible(int visible);
int GetMilliseconds();
int RandomUpTo(int n);

// Seeds the generator with the reference seeding (InitEngine does it with the clock).
void SeedRandom(uint32_t seed);
// Sleeps (never spins) until GetMilliseconds has moved at least `ms` past `stamp`, modulo 2^31.
void WaitUntilElapsed(int stamp, int ms);
// Back to the state before any seeding or input; for InitEngine and tests.
void ResetInputAndTime();

}  // namespace engine
