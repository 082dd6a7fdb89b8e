// The music sequencer: instruments built from the synthesis kit, note and drum events, and the mixer.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/synth.h"

namespace datagen::music {

// A melodic instrument: one or two oscillators (optionally a detuned unison stack, a sub octave or a
// two-operator FM bell), a resonant low-pass with its own decay, an amplitude ADSR and delayed vibrato.
struct Patch {
    synth::Wave wave = synth::Wave::Saw;
    double width = 0.5;  // square duty cycle
    synth::Wave wave2 = synth::Wave::Saw;
    double mix2 = 0.0;       // level of the second oscillator
    double interval2 = 0.0;  // its offset in semitones (fractions detune)
    int unison = 1;          // copies of the first oscillator, spread in pitch
    double spreadCents = 0.0;
    double sub = 0.0;      // level of a sine an octave below
    double fmRatio = 0.0;  // FM bell: modulator frequency ratio; 0 = no FM
    double fmIndex = 0.0;  // modulation depth at the note's start
    double fmDecay = 0.3;  // seconds for the depth to fall away
    synth::Adsr amp;
    double cutoff = 18000.0;  // filter cutoff at rest, Hz
    double envCutoff = 0.0;   // extra cutoff at the note's start, decaying over envDecay
    double envDecay = 0.2;
    double q = 0.707;
    double keyTrack = 0.0;  // 1 = the cutoff follows the pitch fully
    double vibratoCents = 0.0;
    double vibratoHz = 5.5;
    double vibratoDelay = 0.25;
    double gain = 1.0;
};

enum class Drum { Kick, Snare, HatClosed, HatOpen, Crash, Tom };
constexpr int kDrumKinds = 6;

struct NoteEvent {
    int64_t step;    // start, in sixteenth-note steps from the song's start
    int steps;       // held length in steps
    int note;        // MIDI note number
    float velocity;  // 0..1
};

struct DrumEvent {
    int64_t step;
    Drum drum;
    float velocity;
    int pitch;  // semitones, for the toms
};

struct Track {
    const Patch* patch = nullptr;
    std::vector<NoteEvent> notes;
    float gain = 1.0f;
    float pan = 0.0f;   // -1 left .. 1 right
    float echo = 0.0f;  // send to the song's ping-pong echo
};

struct Song {
    int stepSamples = 5512;  // samples per sixteenth note: whole, so every note starts on a sample
    int64_t steps = 0;       // length; for a looping song, the exact loop length
    bool loops = true;
    std::vector<Track> tracks;
    std::vector<DrumEvent> drums;
    float drumGain = 1.0f;
    int echoSteps = 3;
    float echoFeedback = 0.35f;
};

// Mixes the song to stereo. A looping song is exactly `steps` x `stepSamples` long, with the tail of its
// last bars (releases and echoes) folded back over its start, so that it repeats without a seam, and
// turned round by a few milliseconds so that it starts near silence; a song played once keeps its tail
// and fades out at the very end.
void RenderSong(const Song& song, synth::Buffer& left, synth::Buffer& right);

}  // namespace datagen::music
