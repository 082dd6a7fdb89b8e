// The engine's random numbers: MT19937 with the 1998 reference seeding.
#include <cstdint>

#include "engine/input/input.h"

namespace engine {

namespace {

constexpr int kN = 624;
constexpr int kM = 397;

struct Twister {
    uint32_t state[kN];
    int index = kN + 1;  // kN + 1: never seeded
};

Twister& T() {
    static Twister t;
    return t;
}

void Regenerate(Twister& t) {
    static constexpr uint32_t kMag[2] = {0u, 0x9908B0DFu};
    int k = 0;
    for (; k < kN - kM; ++k) {
        const uint32_t y = (t.state[k] & 0x80000000u) | (t.state[k + 1] & 0x7FFFFFFFu);
        t.state[k] = t.state[k + kM] ^ (y >> 1) ^ kMag[y & 1u];
    }
    for (; k < kN - 1; ++k) {
        const uint32_t y = (t.state[k] & 0x80000000u) | (t.state[k + 1] & 0x7FFFFFFFu);
        t.state[k] = t.state[k + (kM - kN)] ^ (y >> 1) ^ kMag[y & 1u];
    }
    const uint32_t y = (t.state[kN - 1] & 0x80000000u) | (t.state[0] & 0x7FFFFFFFu);
    t.state[kN - 1] = t.state[kM - 1] ^ (y >> 1) ^ kMag[y & 1u];
    t.index = 0;
}

uint32_t Next() {
    Twister& t = T();
    if (t.index >= kN) {
        if (t.index == kN + 1) SeedRandom(4357);
        Regenerate(t);
    }
    uint32_t y = t.state[t.index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

}  // namespace

void SeedRandom(uint32_t seed) {
    Twister& t = T();
    uint32_t x = seed;
    for (int i = 0; i < kN; ++i) {
        t.state[i] = x & 0xFFFF0000u;
        x = 69069u * x + 1u;
        t.state[i] |= (x & 0xFFFF0000u) >> 16;
        x = 69069u * x + 1u;
    }
    t.index = kN;
}

int RandomUpTo(int n) {
    const uint64_t r = Next();
    if (n < 0) return 0;  // never asked for by the game; 0 is the harmless answer
    return int((r * (uint64_t(uint32_t(n)) + 1u)) >> 32);
}

void ResetRandomToUnseeded() { T().index = kN + 1; }

}  // namespace engine
