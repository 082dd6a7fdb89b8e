// Small synthesis kit: oscillators, noise, envelopes, filters and buffer helpers.
#include "audio/synth.h"

#include <algorithm>
#include <cmath>

namespace datagen::synth {

double NoteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

int Samples(double seconds) { return static_cast<int>(std::lround(seconds * kRate)); }

float Noise::Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(static_cast<int32_t>(state) / 2147483648.0);
}

namespace {

// The polyBLEP residual that rounds off a step at phase 0 of a wave with phase increment dt.
double Blep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

}  // namespace

float Osc::Next(Wave wave, double hz, double width) {
    double dt = std::clamp(hz / kRate, 0.0, 0.49);
    double v = 0.0;
    switch (wave) {
        case Wave::Sine:
            v = std::sin(2.0 * kPi * phase);
            break;
        case Wave::Triangle:
            v = 1.0 - 4.0 * std::fabs(phase - 0.5);
            break;
        case Wave::Saw:
            v = 2.0 * phase - 1.0 - Blep(phase, dt);
            break;
        case Wave::Square: {
            double shifted = phase + 1.0 - width;
            shifted -= std::floor(shifted);
            v = (phase < width ? 1.0 : -1.0) + Blep(phase, dt) - Blep(shifted, dt);
            v -= 2.0 * width - 1.0;  // a narrow pulse would otherwise carry a DC offset
            break;
        }
    }
    phase += dt;
    if (phase >= 1.0) phase -= 1.0;
    return static_cast<float>(v);
}

double Adsr::Level(double t, double held) const {
    auto gate = [this](double u) {
        if (u < attack) return u / attack;
        if (u < attack + decay) return 1.0 - (1.0 - sustain) * (u - attack) / decay;
        return sustain;
    };
    if (t < held) return gate(t);
    double r = t - held;
    if (r >= release) return 0.0;
    return gate(held) * (1.0 - r / release);
}

double DecayEnvelope(double t, double seconds, double attack) {
    if (t < attack) return t / attack;
    return std::exp(-6.9 * (t - attack) / seconds);
}

double Sweep(double from, double to, double t, double seconds) {
    if (t >= seconds) return to;
    return from * std::pow(to / from, t / seconds);
}

void Svf::Set(double hz, double q) {
    hz = std::clamp(hz, 10.0, 0.45 * kRate);
    double g = std::tan(kPi * hz / kRate);
    k = 1.0 / q;
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

float Svf::Process(float x, Mode mode) {
    double v3 = x - ic2;
    double v1 = a1 * ic1 + a2 * v3;
    double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    switch (mode) {
        case Mode::Low:
            return static_cast<float>(v2);
        case Mode::Band:
            return static_cast<float>(v1);
        case Mode::High:
            return static_cast<float>(x - k * v1 - v2);
    }
    return 0.0f;
}

void OnePole::Set(double hz) { a = std::exp(-2.0 * kPi * hz / kRate); }

float OnePole::Low(float x) {
    z = x * (1.0 - a) + z * a;
    return static_cast<float>(z);
}

void FadeEdges(Buffer& b, double inSeconds, double outSeconds) {
    size_t in = std::min(b.size(), static_cast<size_t>(Samples(inSeconds)));
    size_t out = std::min(b.size(), static_cast<size_t>(Samples(outSeconds)));
    for (size_t i = 0; i < in; ++i) b[i] *= static_cast<float>(i) / in;
    for (size_t i = 0; i < out; ++i) b[b.size() - 1 - i] *= static_cast<float>(i) / out;
}

float Peak(const Buffer& b) {
    float p = 0.0f;
    for (float v : b) p = std::max(p, std::fabs(v));
    return p;
}

void Normalize(Buffer& b, float peak) {
    float p = Peak(b);
    if (p <= 0.0f) return;
    float g = peak / p;
    for (float& v : b) v *= g;
}

void MixInto(Buffer& dst, const Buffer& src, size_t at, float gain) {
    if (dst.size() < at + src.size()) dst.resize(at + src.size(), 0.0f);
    for (size_t i = 0; i < src.size(); ++i) dst[at + i] += src[i] * gain;
}

}  // namespace datagen::synth
