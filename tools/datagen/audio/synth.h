// Small synthesis kit shared by the sound effects and the music: oscillators, noise, envelopes, filters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace datagen::synth {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

using Buffer = std::vector<float>;

// Frequency of a MIDI note number (69 = A4 = 440 Hz).
double NoteHz(double note);
// Sample count of a duration in seconds.
int Samples(double seconds);

// White noise from a fixed-seed generator, so every run renders the same samples.
class Noise {
public:
    explicit Noise(uint32_t seed = 1) : state(seed) {}
    float Next();  // -1..1

private:
    uint32_t state;
};

enum class Wave { Sine, Triangle, Saw, Square };

// A phase accumulator; saw and square are band-limited with polyBLEP so high notes do not alias.
class Osc {
public:
    Osc() = default;
    explicit Osc(double startPhase) : phase(startPhase) {}
    // One sample at `hz`; `width` is the square wave's duty cycle.
    float Next(Wave wave, double hz, double width = 0.5);
    double Phase() const { return phase; }

private:
    double phase = 0.0;
};

// Attack, decay, sustain level and release, in seconds. The note is held for `held` seconds.
struct Adsr {
    double attack = 0.005, decay = 0.1, sustain = 1.0, release = 0.05;
    double Level(double t, double held) const;
    double Length(double held) const { return held + release; }
};

// A plain exponential decay to -60 dB in `seconds`, with a short linear attack.
double DecayEnvelope(double t, double seconds, double attack = 0.002);

// Exponential glide from `from` to `to` over `seconds`, holding `to` afterwards.
double Sweep(double from, double to, double t, double seconds);

// State-variable filter (trapezoidal), stable while its cutoff moves every sample.
class Svf {
public:
    enum class Mode { Low, Band, High };
    void Set(double hz, double q);
    float Process(float x, Mode mode = Mode::Low);

private:
    double a1 = 0, a2 = 0, a3 = 0, k = 1, ic1 = 0, ic2 = 0;
};

// One-pole low-pass and high-pass for gentle tone shaping and DC removal.
class OnePole {
public:
    void Set(double hz);
    float Low(float x);
    float High(float x) { return x - Low(x); }

private:
    double a = 0, z = 0;
};

// Linear fade in over `inSeconds` and out over `outSeconds`: no click at either end.
void FadeEdges(Buffer& b, double inSeconds, double outSeconds);
float Peak(const Buffer& b);
// Scales the buffer so that its peak is `peak` (0..1).
void Normalize(Buffer& b, float peak);
// Adds `src` times `gain` into `dst` from sample `at`, growing `dst` when needed.
void MixInto(Buffer& dst, const Buffer& src, std::size_t at, float gain = 1.0f);

}  // namespace datagen::synth
