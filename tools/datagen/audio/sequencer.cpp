// The music sequencer: renders notes (each distinct one once), drums, echo and master to stereo.
#include "audio/sequencer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>

namespace datagen::music {

namespace {

using namespace synth;

constexpr double kTailSeconds = 5.0;  // room for the last releases and echoes

Buffer RenderNote(const Patch& p, int note, int holdSamples) {
    const double hold = static_cast<double>(holdSamples) / kRate;
    Buffer b(Samples(p.amp.Length(hold)) + 1);
    const double hz = NoteHz(note);
    std::vector<Osc> stack;
    for (int u = 0; u < p.unison; ++u) stack.emplace_back(std::fmod(0.37 * u, 1.0));
    Osc second(0.21), subOsc;
    Svf filter;
    const bool filtered = p.cutoff < 18000.0 || p.envCutoff > 0.0;
    const double baseCutoff = p.cutoff * std::pow(hz / 261.63, p.keyTrack);
    const double stackGain = 1.0 / std::sqrt(static_cast<double>(p.unison));
    std::vector<double> detune(p.unison, 1.0);
    for (int u = 0; u < p.unison && p.unison > 1; ++u)
        detune[u] = std::pow(2.0, p.spreadCents * (2.0 * u / (p.unison - 1) - 1.0) / 1200.0);
    const double ratio2 = std::pow(2.0, p.interval2 / 12.0);
    double carrier = 0.0, modulator = 0.0, f = hz;
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        // Filter sweep and vibrato move slowly: updating them every 16 samples is inaudible and cheap.
        if (i % 16 == 0) {
            if (filtered) filter.Set(baseCutoff + p.envCutoff * std::exp(-6.9 * t / p.envDecay), p.q);
            if (p.vibratoCents > 0.0 && t > p.vibratoDelay) {
                double depth = p.vibratoCents * std::min(1.0, (t - p.vibratoDelay) / 0.3);
                f = hz *
                    std::pow(2.0, depth / 1200.0 * std::sin(2.0 * kPi * p.vibratoHz * (t - p.vibratoDelay)));
            }
        }
        double v = 0.0;
        if (p.fmRatio > 0.0) {
            double index = p.fmIndex * std::exp(-t / p.fmDecay);
            v = std::sin(2.0 * kPi * carrier + index * std::sin(2.0 * kPi * modulator));
            carrier = std::fmod(carrier + f / kRate, 1.0);
            modulator = std::fmod(modulator + f * p.fmRatio / kRate, 1.0);
        } else {
            for (int u = 0; u < p.unison; ++u) v += stack[u].Next(p.wave, f * detune[u], p.width);
            v *= stackGain;
        }
        if (p.mix2 > 0.0) v += p.mix2 * second.Next(p.wave2, f * ratio2, p.width);
        if (p.sub > 0.0) v += p.sub * subOsc.Next(Wave::Sine, f * 0.5);
        if (filtered) v = filter.Process(static_cast<float>(v));
        b[i] = static_cast<float>(v * p.amp.Level(t, hold) * p.gain);
    }
    return b;
}

// Six detuned square waves: the metallic ring under hats and cymbals.
float Metal(std::array<Osc, 6>& oscs) {
    static constexpr double kHz[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    float v = 0.0f;
    for (int k = 0; k < 6; ++k) v += oscs[k].Next(Wave::Square, kHz[k] * 2.0, 0.5);
    return v / 6.0f;
}

Buffer RenderDrum(Drum drum, int pitch) {
    Noise noise(static_cast<uint32_t>(101 + static_cast<int>(drum)));
    Osc tone;
    std::array<Osc, 6> metal{};
    Svf high, band;
    auto render = [](double seconds, auto&& sample) {
        Buffer b(Samples(seconds));
        for (size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<float>(sample(static_cast<double>(i) / kRate));
        return b;
    };
    switch (drum) {
        case Drum::Kick:
            band.Set(3000, 0.7);
            return render(0.4, [&](double t) {
                double body = tone.Next(Wave::Sine, Sweep(160, 48, t, 0.07)) * DecayEnvelope(t, 0.35, 0.001);
                double click = band.Process(noise.Next()) * DecayEnvelope(t, 0.01, 0.0005);
                return std::tanh(1.5 * (body + 0.4 * click));
            });
        case Drum::Snare:
            high.Set(1800, 0.7);
            band.Set(7000, 0.7);
            return render(0.3, [&](double t) {
                double body = tone.Next(Wave::Triangle, Sweep(240, 185, t, 0.02)) * DecayEnvelope(t, 0.12);
                double rattle =
                    band.Process(high.Process(noise.Next(), Svf::Mode::High)) * DecayEnvelope(t, 0.2);
                return 0.5 * body + 1.2 * rattle;
            });
        case Drum::HatClosed:
        case Drum::HatOpen: {
            const double decay = drum == Drum::HatOpen ? 0.35 : 0.045;
            high.Set(7000, 0.8);
            return render(decay + 0.04, [&](double t) {
                return high.Process(0.6f * noise.Next() + 0.8f * Metal(metal), Svf::Mode::High) *
                       DecayEnvelope(t, decay, 0.001);
            });
        }
        case Drum::Crash:
            high.Set(3500, 0.7);
            return render(1.8, [&](double t) {
                return high.Process(0.8f * noise.Next() + 0.5f * Metal(metal), Svf::Mode::High) *
                       DecayEnvelope(t, 1.6, 0.002);
            });
        case Drum::Tom: {
            const double hz = 180.0 * std::pow(2.0, pitch / 12.0);
            return render(0.45, [&](double t) {
                return tone.Next(Wave::Sine, Sweep(hz * 1.6, hz, t, 0.12)) * DecayEnvelope(t, 0.35, 0.001);
            });
        }
    }
    return {};
}

float PanLeft(float pan) { return static_cast<float>(std::cos((pan + 1.0) * kPi / 4.0)); }
float PanRight(float pan) { return static_cast<float>(std::sin((pan + 1.0) * kPi / 4.0)); }

void MixPanned(Buffer& left, Buffer& right, const Buffer& src, size_t at, float gain, float pan) {
    const float gl = gain * PanLeft(pan), gr = gain * PanRight(pan);
    const size_t n = std::min(src.size(), left.size() - std::min(left.size(), at));
    for (size_t i = 0; i < n; ++i) {
        left[at + i] += src[i] * gl;
        right[at + i] += src[i] * gr;
    }
}

// Ping-pong echo: the send enters on the left, each repeat crosses sides and loses some top end.
void AddEcho(const Song& song, const Buffer& send, Buffer& left, Buffer& right) {
    const size_t delay = static_cast<size_t>(song.echoSteps) * song.stepSamples;
    Buffer outL(send.size(), 0.0f), outR(send.size(), 0.0f);
    OnePole damp;
    damp.Set(4000);
    for (size_t i = delay; i < send.size(); ++i) {
        outL[i] = damp.Low(send[i - delay] + song.echoFeedback * outR[i - delay]);
        outR[i] = outL[i - delay];
    }
    for (size_t i = 0; i < send.size(); ++i) {
        left[i] += 0.7f * outL[i];
        right[i] += 0.7f * outR[i];
    }
}

// A rational soft clip close to tanh over -3..3, at a fraction of its cost.
double SoftClip(double x) { return x * (27.0 + x * x) / (27.0 + 9.0 * x * x); }

// Gentle saturation after normalising, so that drum peaks do not dictate the loudness of the rest; then
// every track is set to the same loudness, well under full scale: the sound effects are added on top of
// the music and must carry over it without the sum clipping.
void Master(Buffer& left, Buffer& right) {
    const float peak = std::max(Peak(left), Peak(right));
    if (peak <= 0.0f) return;
    const double drive = 1.4 / peak;
    double power = 0.0;
    for (Buffer* b : {&left, &right})
        for (float& v : *b) {
            v = static_cast<float>(SoftClip(drive * v));
            power += static_cast<double>(v) * v;
        }
    const double rms = std::sqrt(power / static_cast<double>(left.size() + right.size()));
    // -21 dBFS RMS. The ceiling only holds back a sparse track whose peaks would stand high; the lossy
    // coding overshoots the peaks a little on top.
    constexpr double kLoudness = 0.09, kCeiling = 0.5;
    const double gain = std::min(kLoudness / rms, kCeiling / SoftClip(1.4));
    for (Buffer* b : {&left, &right})
        for (float& v : *b) v = static_cast<float>(v * gain);
}

// A looping track starts where the tail of its last bar still sounds, so its first sample is rarely
// near zero and the very first play would click. Turning the loop round to the quietest sample of its
// first 50 ms fixes that and keeps the loop itself exactly as seamless.
void StartNearSilence(Buffer& left, Buffer& right) {
    size_t best = 0;
    float bestLevel = 2.0f;
    for (size_t i = 0; i < left.size() && i < static_cast<size_t>(Samples(0.05)); ++i) {
        float level = std::max(std::fabs(left[i]), std::fabs(right[i]));
        if (level < bestLevel) bestLevel = level, best = i;
    }
    std::rotate(left.begin(), left.begin() + best, left.end());
    std::rotate(right.begin(), right.begin() + best, right.end());
}

}  // namespace

void RenderSong(const Song& song, Buffer& left, Buffer& right) {
    const size_t length = static_cast<size_t>(song.steps) * song.stepSamples;
    const size_t total = length + Samples(kTailSeconds);
    left.assign(total, 0.0f);
    right.assign(total, 0.0f);
    Buffer send(total, 0.0f);

    std::map<std::tuple<const Patch*, int, int>, Buffer> notes;
    for (const Track& track : song.tracks) {
        const float gl = track.gain * PanLeft(track.pan), gr = track.gain * PanRight(track.pan);
        for (const NoteEvent& n : track.notes) {
            // A slight gap between notes keeps repeated notes articulated.
            const int hold = n.steps * song.stepSamples - song.stepSamples / 8;
            auto key = std::make_tuple(track.patch, n.note, hold);
            auto it = notes.find(key);
            if (it == notes.end()) it = notes.emplace(key, RenderNote(*track.patch, n.note, hold)).first;
            const Buffer& b = it->second;
            const size_t at = static_cast<size_t>(n.step) * song.stepSamples;
            const size_t count = std::min(b.size(), total - std::min(total, at));
            for (size_t i = 0; i < count; ++i) {
                const float v = b[i] * n.velocity;
                left[at + i] += v * gl;
                right[at + i] += v * gr;
                send[at + i] += v * track.gain * track.echo;
            }
        }
    }

    std::map<std::pair<Drum, int>, Buffer> kit;
    for (const DrumEvent& d : song.drums) {
        auto key = std::make_pair(d.drum, d.pitch);
        auto it = kit.find(key);
        if (it == kit.end()) it = kit.emplace(key, RenderDrum(d.drum, d.pitch)).first;
        float pan = d.drum == Drum::HatClosed || d.drum == Drum::HatOpen ? 0.3f
                    : d.drum == Drum::Crash                              ? -0.25f
                    : d.drum == Drum::Tom ? std::clamp(-d.pitch / 8.0f, -0.6f, 0.6f)
                                          : 0.0f;
        MixPanned(left, right, it->second, static_cast<size_t>(d.step) * song.stepSamples,
                  song.drumGain * d.velocity, pan);
    }

    AddEcho(song, send, left, right);
    // Decaying kicks and cut-off waves leave a little DC; a low cut removes it (before the fold, so that
    // the filter's own response wraps round the loop like everything else).
    for (Buffer* b : {&left, &right}) {
        OnePole dc;
        dc.Set(12);
        for (float& v : *b) v = dc.High(v);
    }

    if (song.loops) {
        for (size_t i = 0; i < total - length && i < length; ++i) {
            left[i] += left[length + i];
            right[i] += right[length + i];
        }
        left.resize(length);
        right.resize(length);
    }
    Master(left, right);
    if (song.loops) StartNearSilence(left, right);
    if (!song.loops) {
        // Keep a short breath after the last sound has died away (58 dB under the peak), not the whole
        // tail allowance.
        const float silence = std::max(Peak(left), Peak(right)) / 800.0f;
        size_t end = length;
        for (size_t i = length; i < total; ++i)
            if (std::fabs(left[i]) > silence || std::fabs(right[i]) > silence) end = i;
        end = std::min(total, end + Samples(0.25));
        left.resize(end);
        right.resize(end);
        FadeEdges(left, 0.005, 1.0);
        FadeEdges(right, 0.005, 1.0);
    }
}

}  // namespace datagen::music
