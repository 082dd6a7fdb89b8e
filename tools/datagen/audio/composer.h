// Turns a score written as short texts (chords, melodies, rhythm patterns) into sequencer events.
#pragma once

#include <string>

#include "audio/sequencer.h"

namespace datagen::music {

// One drum bar (or two): one character per sixteenth for each drum, cycled over the section.
// 'X' accented, 'x' normal, 'o' ghost, '.' silent; the tom line takes '1' (low) to '4' (high).
struct DrumPattern {
    const char* kick = "";
    const char* snare = "";
    const char* hat = "";
    const char* open = "";
    const char* tom = "";
};

// A run of bars that share their patterns. Spaces and '|' in any text are only for the reader.
struct Section {
    const char* chords = "";  // one chord per bar ("Am F C G"); "Am,G" splits a bar in halves
    int repeat = 1;           // the chord line is played this many times
    int transpose = 0;        // semitones, applied to chords and melodies
    // Melodies: one token per `unit` steps: a note ("A4", "C#5", "Bb3"), '-' to hold, '.' to rest.
    // A melody shorter than the section is repeated.
    const char* lead = "";
    const char* counter = "";
    int unit = 2;  // eighth notes
    // Bass, one character per sixteenth: 'R' root, 'O' octave, 'F' fifth, 'f' fifth below, 'T' third,
    // lower case 'r' and 'o' softer, '-' hold, '.' rest.
    const char* bass = "";
    // Arpeggio: '0'..'7' picks a chord tone counting upward, '-' hold, '.' rest.
    const char* arp = "";
    // Pad: 'x' strikes the whole chord, '-' holds it, '.' rests.
    const char* pad = "";
    const DrumPattern* drums = nullptr;
    const DrumPattern* fill = nullptr;  // the drums of the section's last bar
    bool crash = false;                 // a cymbal on the section's first beat
};

// Mixer settings of one voice of the song.
struct Voice {
    const Patch* patch = nullptr;
    float gain = 1.0f;
    float pan = 0.0f;
    float echo = 0.0f;
};

class Composer {
public:
    Composer(int stepSamples, bool loops, Voice lead, Voice counter, Voice bass, Voice arp, Voice pad);
    void Add(const Section& section);
    // The first mistake in the score, or empty.
    const std::string& Error() const { return error; }
    Song Finish() { return song; }

private:
    Song song;
    int64_t cursor = 0;  // steps written so far
    std::string error;
};

}  // namespace datagen::music
