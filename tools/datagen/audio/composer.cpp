// Turns a score written as short texts into sequencer events.
#include "audio/composer.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace datagen::music {

namespace {

constexpr int kStepsPerBar = 16;
enum Role { kLead, kCounter, kBass, kArp, kPad };

struct Chord {
    int root = 0;                // pitch class, C = 0
    std::vector<int> intervals;  // semitones above the root
};

// Drops the reader's spaces and bar lines.
std::string Clean(const char* text) {
    std::string s;
    for (const char* c = text; *c; ++c)
        if (*c != ' ' && *c != '|') s += *c;
    return s;
}

// Splits at spaces and bar lines.
std::vector<std::string> Tokens(const char* text) {
    std::string spaced = text;
    for (char& c : spaced)
        if (c == '|') c = ' ';
    std::vector<std::string> out;
    std::istringstream in(spaced);
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

// "C", "F#", "Bb": the pitch class, and how many characters it took; -1 when it is no note name.
int PitchClass(const std::string& s, size_t& used) {
    static constexpr int kNatural[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (s.empty() || s[0] < 'A' || s[0] > 'G') return -1;
    int pc = kNatural[s[0] - 'A'];
    used = 1;
    if (s.size() > 1 && s[1] == '#')
        pc += 1, used = 2;
    else if (s.size() > 1 && s[1] == 'b')
        pc += 11, used = 2;
    return pc % 12;
}

bool ParseChord(const std::string& s, int transpose, Chord& chord) {
    size_t used = 0;
    int pc = PitchClass(s, used);
    if (pc < 0) return false;
    chord.root = (pc + transpose % 12 + 12) % 12;
    std::string q = s.substr(used);
    if (q.empty())
        chord.intervals = {0, 4, 7};
    else if (q == "m")
        chord.intervals = {0, 3, 7};
    else if (q == "7")
        chord.intervals = {0, 4, 7, 10};
    else if (q == "m7")
        chord.intervals = {0, 3, 7, 10};
    else if (q == "maj7")
        chord.intervals = {0, 4, 7, 11};
    else if (q == "sus4")
        chord.intervals = {0, 5, 7};
    else if (q == "sus2")
        chord.intervals = {0, 2, 7};
    else if (q == "dim")
        chord.intervals = {0, 3, 6};
    else if (q == "5")
        chord.intervals = {0, 7};
    else
        return false;
    return true;
}

// "A4" is MIDI 69; -1 when the token is not a note.
int ParseNote(const std::string& s) {
    size_t used = 0;
    int pc = PitchClass(s, used);
    if (pc < 0 || used >= s.size()) return -1;
    std::string octave = s.substr(used);
    if (octave.size() != 1 || !std::isdigit(static_cast<unsigned char>(octave[0]))) return -1;
    int wrap = s[0] == 'B' && s[1] == '#'   ? 12
               : s[0] == 'C' && s[1] == 'b' ? -12
                                            : 0;  // B#4 is C5, Cb5 is B4
    return 12 * (octave[0] - '0' + 1) + pc + wrap;
}

// Chord tones near a pitch window, so that voicings move little from chord to chord.
int Placed(const Chord& c, int low) { return low + ((c.root - low % 12) % 12 + 12) % 12; }

}  // namespace

Composer::Composer(int stepSamples, bool loops, Voice lead, Voice counter, Voice bass, Voice arp, Voice pad) {
    song.stepSamples = stepSamples;
    song.loops = loops;
    for (const Voice& v : {lead, counter, bass, arp, pad}) {
        Track t;
        t.patch = v.patch;
        t.gain = v.gain;
        t.pan = v.pan;
        t.echo = v.echo;
        song.tracks.push_back(t);
    }
}

void Composer::Add(const Section& s) {
    if (!error.empty()) return;
    auto fail = [&](const std::string& why) {
        if (error.empty()) error = "bar " + std::to_string(cursor / kStepsPerBar + 1) + ": " + why;
    };

    // The chord of every step.
    std::vector<Chord> chords;
    for (const std::string& bar : Tokens(s.chords)) {
        std::vector<std::string> parts;
        std::stringstream split(bar);
        for (std::string p; std::getline(split, p, ',');) parts.push_back(p);
        if (kStepsPerBar % parts.size() != 0) return fail("cannot split a bar into " + bar);
        for (const std::string& p : parts) {
            Chord c;
            if (!ParseChord(p, s.transpose, c)) return fail("unknown chord \"" + p + "\"");
            chords.insert(chords.end(), kStepsPerBar / parts.size(), c);
        }
    }
    if (chords.empty()) return fail("a section without chords");
    const std::vector<Chord> line = chords;
    for (int r = 1; r < s.repeat; ++r) chords.insert(chords.end(), line.begin(), line.end());
    const int64_t steps = static_cast<int64_t>(chords.size());

    // Melodies.
    auto melody = [&](const char* text, Role role) {
        std::vector<std::string> tokens = Tokens(text);
        if (tokens.empty()) return;
        if (steps % (static_cast<int64_t>(tokens.size()) * s.unit) != 0)
            return fail("a melody of " + std::to_string(tokens.size()) + " notes does not fit its section");
        std::vector<NoteEvent>& notes = song.tracks[role].notes;
        bool open = false;
        for (int64_t at = 0; at < steps; at += s.unit) {
            const std::string& t = tokens[(at / s.unit) % tokens.size()];
            if (t == "-") {
                if (open) notes.back().steps += s.unit;
            } else if (t == ".") {
                open = false;
            } else {
                int note = ParseNote(t);
                if (note < 0) return fail("unknown note \"" + t + "\"");
                notes.push_back({cursor + at, s.unit, note + s.transpose, 0.8f});
                open = true;
            }
        }
    };
    melody(s.lead, kLead);
    melody(s.counter, kCounter);

    // Rhythm lines: one character per step, cycled over the section.
    auto rhythm = [&](const char* text, Role role, auto&& notesFor) {
        std::string p = Clean(text);
        if (p.empty()) return;
        std::vector<NoteEvent>& notes = song.tracks[role].notes;
        size_t openFrom = notes.size(), openTo = notes.size();  // the notes that '-' lengthens
        for (int64_t at = 0; at < steps; ++at) {
            char c = p[at % p.size()];
            if (c == '-') {
                for (size_t i = openFrom; i < openTo; ++i) notes[i].steps += 1;
            } else if (c == '.') {
                openFrom = openTo = notes.size();
            } else {
                openFrom = notes.size();
                if (!notesFor(c, chords[at], cursor + at))
                    return fail(std::string("unknown pattern mark '") + c + "'");
                openTo = notes.size();
            }
        }
    };
    rhythm(s.bass, kBass, [&](char c, const Chord& chord, int64_t at) {
        int root = Placed(chord, 31);  // G1..F#2
        int third = chord.intervals.size() > 2 ? chord.intervals[1] : 7;
        int note = 0;
        float velocity = 0.85f;
        switch (c) {
            case 'R':
                note = root;
                break;
            case 'r':
                note = root;
                velocity = 0.5f;
                break;
            case 'O':
                note = root + 12;
                break;
            case 'o':
                note = root + 12;
                velocity = 0.5f;
                break;
            case 'F':
                note = root + 7;
                break;
            case 'f':
                note = root - 5;
                break;
            case 'T':
                note = root + third;
                break;
            default:
                return false;
        }
        song.tracks[kBass].notes.push_back({at, 1, note, velocity});
        return true;
    });
    rhythm(s.arp, kArp, [&](char c, const Chord& chord, int64_t at) {
        if (c < '0' || c > '7') return false;
        int i = c - '0', n = static_cast<int>(chord.intervals.size());
        int note = Placed(chord, 55) + chord.intervals[i % n] + 12 * (i / n);  // from G3 up
        song.tracks[kArp].notes.push_back({at, 1, note, at % 4 == 0 ? 0.8f : 0.6f});
        return true;
    });
    rhythm(s.pad, kPad, [&](char c, const Chord& chord, int64_t at) {
        if (c != 'x') return false;
        int root = Placed(chord, 52);  // E3..D#4
        for (int interval : chord.intervals)
            song.tracks[kPad].notes.push_back({at, 1, root + interval, 0.6f});
        return true;
    });

    // Drums.
    if (s.drums) {
        const DrumPattern* fill = s.fill ? s.fill : s.drums;
        for (int64_t at = 0; at < steps; ++at) {
            const DrumPattern& d = at >= steps - kStepsPerBar ? *fill : *s.drums;
            const std::pair<const char*, Drum> lines[] = {{d.kick, Drum::Kick},
                                                          {d.snare, Drum::Snare},
                                                          {d.hat, Drum::HatClosed},
                                                          {d.open, Drum::HatOpen},
                                                          {d.tom, Drum::Tom}};
            for (const auto& [text, drum] : lines) {
                std::string p = Clean(text);
                if (p.empty()) continue;
                char c = p[at % p.size()];
                if (c == '.') continue;
                if (drum == Drum::Tom) {
                    static constexpr int kTom[4] = {-7, -3, 0, 4};
                    if (c < '1' || c > '4') return fail(std::string("unknown tom mark '") + c + "'");
                    song.drums.push_back({cursor + at, drum, 0.8f, kTom[c - '1']});
                    continue;
                }
                float v = c == 'X' ? 1.0f : c == 'x' ? 0.8f : c == 'o' ? 0.45f : -1.0f;
                if (v < 0) return fail(std::string("unknown drum mark '") + c + "'");
                song.drums.push_back({cursor + at, drum, v, 0});
            }
        }
    }
    if (s.crash) song.drums.push_back({cursor, Drum::Crash, 0.8f, 0});

    cursor += steps;
    song.steps = cursor;
}

}  // namespace datagen::music
