// The twelve sound effects: each one synthesized for its event and written as a 16-bit mono WAV.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "audio/synth.h"
#include "audio/wav_file.h"
#include "generators.h"

namespace datagen {

namespace {

using namespace synth;

// Renders `seconds` of sound from a per-sample function of the time in seconds.
Buffer Render(double seconds, const std::function<float(double)>& sample) {
    Buffer b(Samples(seconds));
    for (size_t i = 0; i < b.size(); ++i) b[i] = sample(static_cast<double>(i) / kRate);
    return b;
}

// Filtered noise whose cutoff glides from `fromHz` to `toHz`: the body of every explosion.
Buffer NoiseBurst(double seconds, double fromHz, double toHz, double decay, uint32_t seed) {
    Noise noise(seed);
    Svf filter;
    return Render(seconds, [&](double t) {
        filter.Set(Sweep(fromHz, toHz, t, seconds * 0.8), 0.8);
        return static_cast<float>(filter.Process(noise.Next()) * DecayEnvelope(t, decay, 0.003));
    });
}

// A sine whose pitch drops: the low thump under explosions and the bomb.
Buffer Thump(double seconds, double fromHz, double toHz, double sweep, double decay) {
    Osc osc;
    return Render(seconds, [&](double t) {
        return static_cast<float>(osc.Next(Wave::Sine, Sweep(fromHz, toHz, t, sweep)) *
                                  DecayEnvelope(t, decay));
    });
}

// Shot hits an enemy: a short metallic tick.
Buffer Hit() {
    Osc osc;
    Noise noise(11);
    Svf band;
    band.Set(4200, 2.0);
    return Render(0.08, [&](double t) {
        double tone = osc.Next(Wave::Square, Sweep(2200, 900, t, 0.04), 0.3) * DecayEnvelope(t, 0.05);
        double grit = band.Process(noise.Next(), Svf::Mode::Band) * DecayEnvelope(t, 0.03);
        return static_cast<float>(0.5 * tone + 0.9 * grit);
    });
}

// The ship or an option is lost: a falling wail over a long, dark blast.
Buffer ShipLost() {
    Buffer b = NoiseBurst(1.4, 3000, 150, 1.2, 21);
    Osc saw;
    Svf tone;
    Buffer wail = Render(0.9, [&](double t) {
        tone.Set(Sweep(2500, 300, t, 0.9), 1.5);
        return static_cast<float>(tone.Process(saw.Next(Wave::Saw, Sweep(440, 55, t, 0.8))) *
                                  DecayEnvelope(t, 0.8));
    });
    MixInto(b, wail, 0, 0.6f);
    MixInto(b, Thump(0.5, 90, 35, 0.3, 0.4), 0, 0.9f);
    return b;
}

// An enemy fires: a soft, quick drop in pitch, quiet because many enemies fire.
Buffer EnemyBullet() {
    Osc osc;
    return Render(0.12, [&](double t) {
        return static_cast<float>(osc.Next(Wave::Triangle, Sweep(1400, 500, t, 0.09)) *
                                  DecayEnvelope(t, 0.1));
    });
}

// Napalm shot: a flame whoosh, noise through a band that opens upward, over a low growl.
Buffer Napalm() {
    Noise noise(41);
    Svf band;
    Osc growl;
    Svf dark;
    dark.Set(300, 0.9);
    return Render(0.35, [&](double t) {
        band.Set(Sweep(400, 2400, t, 0.25), 1.2);
        double env = DecayEnvelope(t, 0.3, 0.02);
        double whoosh = band.Process(noise.Next(), Svf::Mode::Band);
        double low = dark.Process(growl.Next(Wave::Saw, 80));
        return static_cast<float>(env * (1.4 * whoosh + 0.5 * low));
    });
}

// An ordinary enemy explodes: a bright crack that darkens fast, over a short thump.
Buffer EnemyExplosion() {
    Buffer b = NoiseBurst(0.6, 5000, 300, 0.5, 51);
    MixInto(b, Thump(0.3, 120, 40, 0.15, 0.25), 0, 0.8f);
    return b;
}

// A boss explodes: three blasts in a row over a long rumble and a sinking sub tone.
Buffer BossExplosion() {
    Buffer b = NoiseBurst(2.6, 300, 60, 2.4, 61);
    for (float& v : b) v *= 1.6f;
    const double at[] = {0.0, 0.35, 0.8};
    for (int i = 0; i < 3; ++i) {
        MixInto(b, NoiseBurst(0.8, 4500 - i * 900, 250, 0.7, 62 + i), Samples(at[i]), 0.9f);
        MixInto(b, Thump(0.5, 110, 35, 0.2, 0.4), Samples(at[i]), 0.7f);
    }
    MixInto(b, Thump(2.4, 70, 25, 2.0, 2.0), 0, 0.6f);
    return b;
}

// Menu cursor: two quick rising blips.
Buffer Cursor() {
    Osc osc;
    return Render(0.09, [&](double t) {
        double hz = t < 0.035 ? 1320 : 1760;
        double local = t < 0.035 ? t : t - 0.035;
        return static_cast<float>(osc.Next(Wave::Square, hz, 0.5) * DecayEnvelope(local, 0.06));
    });
}

// The player fires: a light, short zap that does not tire over thousands of repeats.
Buffer Shot() {
    Osc osc;
    Noise noise(81);
    Svf air;
    air.Set(6000, 0.7);
    return Render(0.08, [&](double t) {
        double tone = osc.Next(Wave::Square, Sweep(1600, 700, t, 0.05), 0.5) * DecayEnvelope(t, 0.06);
        double hiss = air.Process(noise.Next(), Svf::Mode::High) * DecayEnvelope(t, 0.025);
        return static_cast<float>(0.6 * tone + 0.4 * hiss);
    });
}

// A bomb goes off: a crack, then a deep boom that rolls on.
Buffer Bomb() {
    Buffer b = NoiseBurst(1.8, 800, 100, 1.5, 91);
    for (float& v : b) v *= 1.3f;
    MixInto(b, Thump(1.5, 60, 30, 0.6, 1.2), 0, 1.0f);
    Noise noise(92);
    Svf crack;
    crack.Set(3000, 0.7);
    MixInto(b,
            Render(0.06,
                   [&](double t) {
                       return static_cast<float>(crack.Process(noise.Next(), Svf::Mode::High) *
                                                 DecayEnvelope(t, 0.04));
                   }),
            0, 0.8f);
    return b;
}

// One bright chime note: a pulse with a triangle an octave up, fading out.
Buffer Chime(double note, double decay, double width) {
    Osc pulse, tri;
    double hz = NoteHz(note);
    return Render(decay, [&](double t) {
        double v = 0.6 * pulse.Next(Wave::Square, hz, width) + 0.4 * tri.Next(Wave::Triangle, hz * 2);
        return static_cast<float>(v * DecayEnvelope(t, decay, 0.003));
    });
}

// Extra life: a rising major arpeggio over two octaves.
Buffer ExtraLife() {
    Buffer b;
    const double notes[] = {72, 76, 79, 84, 88, 91, 96};
    for (int i = 0; i < 7; ++i)
        MixInto(b, Chime(notes[i], i == 6 ? 0.5 : 0.3, 0.25), Samples(i * 0.06), 0.5f);
    return b;
}

// An option or weapon item: a quick three-note rise.
Buffer Bonus() {
    Buffer b;
    const double notes[] = {79, 84, 88};
    for (int i = 0; i < 3; ++i) MixInto(b, Chime(notes[i], 0.25, 0.5), Samples(i * 0.07), 0.6f);
    return b;
}

// The bunny is hurt: two falling, wobbling alarm tones.
Buffer BunnyHurt() {
    Osc osc;
    Svf soft;
    soft.Set(5000, 0.7);
    return Render(0.45, [&](double t) {
        double local = t < 0.2 ? t : t - 0.2;
        double hz = Sweep(880, 440, local, 0.16) * (1.0 + 0.03 * std::sin(2 * kPi * 30 * t));
        return static_cast<float>(soft.Process(osc.Next(Wave::Square, hz, 0.5)) *
                                  DecayEnvelope(local, 0.3, 0.004));
    });
}

struct Effect {
    const char* file;
    Buffer (*make)();
    // Several effects often start in the same frame (a kill plays the hit and the explosion together)
    // over the music's peaks, so no effect's peak stands above half of full scale.
    float peak;
    // Saturation before the peak is set, for the noisy and percussive sounds: it rounds off their first
    // crack, so that their body carries over the music for the same peak (0: none).
    float drive;
};

// A tanh curve that keeps the peak where it was; the quiet parts rise by drive / tanh(drive).
void Saturate(Buffer& b, float drive) {
    if (drive <= 0.0f) return;
    Normalize(b, 1.0f);
    const float norm = 1.0f / std::tanh(drive);
    for (float& v : b) v = std::tanh(drive * v) * norm;
}

}  // namespace

// The music is mastered at -21 dBFS RMS (sequencer.cpp); the effects are set so that each is heard over
// it as it starts, the frequent ones included, and the sum of both does not clip in a played game.
bool WriteSounds(const std::string& out) {
    const Effect effects[] = {
        {"hit.wav", Hit, 0.3f, 3.0f},
        {"bak1.wav", ShipLost, 0.4f, 2.0f},
        {"tekitama.wav", EnemyBullet, 0.45f, 0.0f},
        {"jikitama.wav", Napalm, 0.5f, 2.0f},
        {"bak2.wav", EnemyExplosion, 0.4f, 2.0f},
        {"bak3.wav", BossExplosion, 0.45f, 2.0f},
        {"cursol.wav", Cursor, 0.4f, 0.0f},
        {"shot.wav", Shot, 0.4f, 0.0f},
        {"gure.wav", Bomb, 0.4f, 2.0f},
        {"ext.wav", ExtraLife, 0.5f, 0.0f},
        {"bonus.wav", Bonus, 0.5f, 0.0f},
        {"damage.wav", BunnyHurt, 0.45f, 0.0f},
    };
    std::error_code ec;
    std::filesystem::create_directories(out + "/se", ec);
    if (ec) {
        std::fprintf(stderr, "velmoran-datagen: cannot create %s/se: %s\n", out.c_str(),
                     ec.message().c_str());
        return false;
    }
    for (const Effect& e : effects) {
        Buffer b = e.make();
        Saturate(b, e.drive);
        Normalize(b, e.peak);
        FadeEdges(b, 0.003, 0.01);
        if (!WriteWav(out + "/se/" + e.file, b)) return false;
    }
    return true;
}

}  // namespace datagen
