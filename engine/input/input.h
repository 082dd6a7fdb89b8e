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
// Something that plays in the player's place (an autopilot): it sees what the back-end reported and
// answers what the game reads, so that recordings and the game see it like a player's input.
class InputSource {
public:
    virtual ~InputSource() = default;
    virtual bool Key(int keyCode, bool down) = 0;
    virtual int Buttons(int buttons) = 0;
    virtual void Pointer(int* x, int* y) = 0;
};
// Null gives the reads back to the back-end.
void SetInputSource(InputSource* source);
// Presses of keys and buttons that no read has seen yet are dropped (the end of a pause).
void ForgetPendingPresses();

// Back to the state before any seeding or input; for InitEngine and tests.
void ResetInputAndTime();

}  // namespace engine
