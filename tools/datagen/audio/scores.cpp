// The game's four pieces of music: title (loops), ending (loops), stage (loops), boss (once, ~3 min).
#include "audio/scores.h"

#include "audio/composer.h"

namespace datagen::music {

namespace {

using synth::Wave;

// Instruments.
const Patch kLead{.wave = Wave::Square,
                  .width = 0.4,
                  .wave2 = Wave::Saw,
                  .mix2 = 0.5,
                  .interval2 = 0.08,
                  .amp = {0.008, 0.15, 0.75, 0.12},
                  .cutoff = 2200,
                  .envCutoff = 3000,
                  .envDecay = 0.25,
                  .q = 1.0,
                  .keyTrack = 0.5,
                  .vibratoCents = 18,
                  .vibratoHz = 5.5,
                  .vibratoDelay = 0.22,
                  .gain = 0.5};
const Patch kBell{.wave = Wave::Sine,
                  .fmRatio = 3.5,
                  .fmIndex = 2.2,
                  .fmDecay = 0.3,
                  .amp = {0.002, 1.4, 0.0, 0.3},
                  .gain = 0.5};
const Patch kFlute{.wave = Wave::Triangle,
                   .wave2 = Wave::Sine,
                   .mix2 = 0.3,
                   .interval2 = 12,
                   .amp = {0.06, 0.2, 0.8, 0.25},
                   .cutoff = 3000,
                   .vibratoCents = 12,
                   .vibratoHz = 5.0,
                   .vibratoDelay = 0.3,
                   .gain = 0.7};
const Patch kBass{.wave = Wave::Saw,
                  .sub = 0.5,
                  .amp = {0.003, 0.18, 0.55, 0.05},
                  .cutoff = 450,
                  .envCutoff = 1600,
                  .envDecay = 0.12,
                  .q = 1.3,
                  .gain = 0.55};
const Patch kSoftBass{
    .wave = Wave::Triangle, .sub = 0.6, .amp = {0.01, 0.4, 0.7, 0.15}, .cutoff = 900, .gain = 0.7};
const Patch kPluck{.wave = Wave::Square,
                   .width = 0.25,
                   .amp = {0.002, 0.2, 0.0, 0.08},
                   .cutoff = 1200,
                   .envCutoff = 4000,
                   .envDecay = 0.1,
                   .q = 1.1,
                   .gain = 0.35};
const Patch kPiano{.wave = Wave::Triangle,
                   .wave2 = Wave::Square,
                   .mix2 = 0.25,
                   .amp = {0.002, 0.9, 0.0, 0.3},
                   .cutoff = 1500,
                   .envCutoff = 2500,
                   .envDecay = 0.3,
                   .gain = 0.45};
const Patch kPad{.wave = Wave::Saw,
                 .unison = 3,
                 .spreadCents = 12,
                 .amp = {0.35, 0.6, 0.8, 0.7},
                 .cutoff = 1400,
                 .q = 0.8,
                 .gain = 0.22};
const Patch kBrass{.wave = Wave::Saw,
                   .unison = 2,
                   .spreadCents = 8,
                   .amp = {0.01, 0.25, 0.6, 0.15},
                   .cutoff = 900,
                   .envCutoff = 3000,
                   .envDecay = 0.2,
                   .q = 0.9,
                   .gain = 0.28};

// Drums.
const DrumPattern kFour{.kick = "x...x...x...x...", .hat = "..x...x...x...x."};
const DrumPattern kDrive{.kick = "x...x...x...x...", .snare = "....x.......x...", .hat = "o.x.o.x.o.x.o.x."};
const DrumPattern kDriveFill{
    .kick = "x...x...x...x...", .snare = "....x...x.x.xoXX", .hat = "o.x.o.x.o.x....."};
const DrumPattern kRock{.kick = "x.......x.x.....", .snare = "....x.......x...", .hat = "x.x.x.x.x.x.x.x."};
const DrumPattern kRockFill{
    .kick = "x.......x.x.....", .snare = "....x.......x.xx", .hat = "x.x.x.x.x.x....."};
const DrumPattern kHalf{.kick = "x.........x.....", .snare = "........X.......", .hat = "x...x...x...x..."};
const DrumPattern kSoft{.kick = "x.......x.......", .snare = "....o.......o...", .hat = "o.o.o.o.o.o.o.o."};
const DrumPattern kTomFill{
    .kick = "x.......x.......", .snare = "x...............", .tom = "....4.4.3.3.2.1."};
const DrumPattern kBoss{.kick = "x..x..x...x..x..",
                        .snare = "....X.......X...",
                        .hat = "x.x.x.x.x.x.x.x.",
                        .open = "..............x."};
const DrumPattern kBossFill{
    .kick = "x..x..x...x.....", .snare = "....X.......XoXX", .hat = "x.x.x.x.x.x....."};
const DrumPattern kFinal{.kick = "X...............", .snare = "X..............."};

// Stage: A minor, 138 beats a minute, 48 bars. The outro's E chord leads back into the intro.
Song Stage(std::string& error) {
    Composer c(4800, true, {&kLead, 0.9f, 0.0f, 0.25f}, {&kBell, 0.8f, 0.3f, 0.3f},
               {&kBass, 1.0f, 0.0f, 0.0f}, {&kPluck, 0.7f, -0.35f, 0.15f}, {&kPad, 0.8f, 0.0f, 0.0f});
    const char* bass = "R.ROR.ROR.ROR.RO";
    const char* arp = "0.1.2.3.2.1.2.1.";
    const char* melodyA =
        "A4 - C5 - E5 - A5 - | A5 - G5 - F5 - C5 - | E5 - - - D5 - C5 - | D5 - - - - - . . |"
        "A4 - C5 - E5 - A5 - | C6 - B5 - A5 - F5 - | G5 - - - D5 - B4 - | E5 - - - G#5 - - -";
    c.Add({.chords = "Am Am F G", .bass = bass, .drums = &kFour, .fill = &kTomFill});
    c.Add({.chords = "Am F C G Am F G E",
           .lead = melodyA,
           .bass = bass,
           .arp = arp,
           .drums = &kDrive,
           .fill = &kDriveFill,
           .crash = true});
    c.Add({.chords = "Am F C G Am F G E",
           .lead = "A5 - G5 - E5 - G5 A5 | - - F5 - E5 - C5 - | E5 - G5 - C6 - B5 - | B5 - - - A5 - G5 - |"
                   "A5 - E5 - C5 - E5 - | F5 - A5 - C6 - A5 - | B5 - G5 - D5 - B4 - | E5 - - - - - . .",
           .bass = bass,
           .arp = arp,
           .drums = &kDrive,
           .fill = &kDriveFill,
           .crash = true});
    c.Add({.chords = "Dm Am F G Dm Am E E",
           .lead = "D5 - - F5 - - A5 - | C6 - - B5 - - A5 - | A5 - - G5 - - F5 - | G5 - - - D5 - - - |"
                   "D5 - - F5 - - A5 - | E6 - - D6 - - C6 - | B5 - - - G#5 - - - | E5 - F5 - G#5 - B5 -",
           .bass = bass,
           .pad = "x---------------",
           .drums = &kDrive,
           .fill = &kDriveFill,
           .crash = true});
    c.Add({.chords = "F G Em Am F G Am Am",
           .counter = "C5 - - - A4 - - - | B4 - - - D5 - - - | E5 - - - G5 - - - | A5 - - - - - - - |"
                      "C6 - - - A5 - - - | B5 - - - G5 - - - | A5 - - - E5 - - - | A5 - - - - - . .",
           .bass = "R-------O---R---",
           .arp = "0.1.2.3.4.3.2.1.",
           .pad = "x---------------",
           .drums = &kHalf,
           .fill = &kTomFill,
           .crash = true});
    c.Add({.chords = "Am F C G Am F G E",
           .lead = melodyA,
           .bass = bass,
           .arp = "0120312001203120",
           .pad = "x---------------",
           .drums = &kDrive,
           .fill = &kDriveFill,
           .crash = true});
    c.Add({.chords = "Am F G E",
           .lead = "A5 - - - E5 - - - | F5 - - - C5 - - - | D5 - - - G5 - - - | G#5 - - - B5 - - -",
           .bass = bass,
           .arp = arp,
           .drums = &kDrive,
           .fill = &kTomFill});
    error = c.Error();
    return c.Finish();
}

// Title: C major, 100 beats a minute, 24 bars; quiet intro, a heroic tune, and a turn back to A minor.
Song Title(std::string& error) {
    Composer c(6615, true, {&kLead, 0.85f, 0.0f, 0.3f}, {&kBell, 0.7f, 0.3f, 0.3f},
               {&kBass, 0.9f, 0.0f, 0.0f}, {&kPluck, 0.8f, -0.35f, 0.25f}, {&kPad, 0.9f, 0.0f, 0.0f});
    const char* bass = "R.R.R.R.R.R.O.R.";
    c.Add({.chords = "Am F C G",
           .bass = "R-------R---O---",
           .arp = "0.1.2.3.4.3.2.1.",
           .pad = "x---------------"});
    c.Add({.chords = "C G Am F C G F G",
           .lead = "E5 - - - G5 - C6 - | B5 - - - D6 - B5 - | C6 - - - B5 - A5 - | A5 - - - - - G5 - |"
                   "E5 - - - G5 - C6 - | D6 - - - B5 - G5 - | A5 - - - C6 - F6 - | E6 - - - D6 - - -",
           .bass = bass,
           .arp = "0.1.2.3.2.1.2.1.",
           .drums = &kRock,
           .fill = &kRockFill,
           .crash = true});
    c.Add({.chords = "Am Em F C Dm Am F G",
           .lead = "C6 - B5 - A5 - E5 - | G5 - - - - - E5 - | F5 - G5 - A5 - C6 - | G5 - - - - - - - |"
                   "F5 - E5 - D5 - F5 - | E5 - - - C5 - E5 - | A5 - - - C6 - B5 A5 | B5 - - - D6 - - -",
           .bass = bass,
           .arp = "0.1.2.3.2.1.2.1.",
           .pad = "x---------------",
           .drums = &kRock,
           .fill = &kRockFill,
           .crash = true});
    c.Add(
        {.chords = "F G Esus4 E",
         .lead = "A5 - - - - - - - | B5 - - - - - - - | A5 - - - - - - - | G#5 - - - - - - -",
         .counter = "C5 - A4 - F4 - A4 - | D5 - B4 - G4 - B4 - | E5 - B4 - A4 - B4 - | E5 - B4 - G#4 - B4 -",
         .bass = "R-------R---O---",
         .pad = "x---------------",
         .drums = &kHalf,
         .fill = &kTomFill});
    error = c.Error();
    return c.Finish();
}

// Ending: C major, 88 beats a minute, 16 bars; the tune first low on a bell, then doubled by a flute.
Song Ending(std::string& error) {
    Composer c(7517, true, {&kFlute, 0.8f, 0.0f, 0.3f}, {&kBell, 0.6f, 0.25f, 0.25f},
               {&kSoftBass, 0.9f, 0.0f, 0.0f}, {&kPiano, 0.8f, -0.3f, 0.2f}, {&kPad, 0.7f, 0.0f, 0.0f});
    const char* chords = "C Am F G C Am Dm G";
    const char* low =
        "E4 - - - G4 - - - | A4 - G4 - E4 - - - | F4 - - - A4 - C5 - | B4 - - - - - - - |"
        "C5 - - - B4 - G4 - | A4 - - - E4 - - - | F4 - E4 - D4 - F4 - | D4 - - - - - - -";
    c.Add({.chords = chords,
           .counter = low,
           .bass = "R-------R---O---",
           .arp = "0.1.2.1.3.1.2.1.",
           .pad = "x---------------",
           .drums = &kSoft});
    c.Add({.chords = chords,
           .lead = "E5 - - - G5 - - - | A5 - G5 - E5 - - - | F5 - - - A5 - C6 - | B5 - - - - - - - |"
                   "C6 - - - B5 - G5 - | A5 - - - E5 - - - | F5 - E5 - D5 - F5 - | D5 - - - - - - -",
           .counter = low,
           .bass = "R-------R---O---",
           .arp = "0.1.2.1.3.1.2.1.",
           .pad = "x---------------",
           .drums = &kSoft});
    error = c.Error();
    return c.Finish();
}

// Boss: D minor, 152 beats a minute, 110 bars (about 2 min 54 s with the final ring); played once.
Song Boss(std::string& error) {
    Composer c(4352, false, {&kLead, 0.9f, 0.0f, 0.25f}, {&kBell, 0.75f, 0.3f, 0.3f},
               {&kBass, 1.0f, 0.0f, 0.0f}, {&kPluck, 0.6f, -0.35f, 0.15f}, {&kBrass, 0.9f, 0.0f, 0.05f});
    const char* bass = "R.RRO.RRR.RRO.RO";
    const char* arp = "0120012001200120";
    const char* melodyA =
        "D5 - - A4 - - D5 E5 | F5 - - E5 - - D5 - | E5 - - C5 - - G5 - | F5 - E5 - D5 - - - |"
        "D5 - - A4 - - D5 E5 | F5 - - G5 - - A5 - | Bb5 - - A5 - - G5 - | A5 - - - C#6 - E6 - |"
        "A5 - - F5 - - D5 F5 | Bb5 - - A5 - - F5 - | G5 - - E5 - - C5 E5 | D5 - - - - - A4 - |"
        "D5 - F5 - A5 - D6 - | C6 - Bb5 - A5 - F5 - | G5 - Bb5 - D6 - Bb5 - | C#6 - - - A5 - - -";
    const char* melodyB =
        "G5 - - - Bb5 - - - | A5 - - - F5 - - - | E5 - - - C#5 - E5 - | D5 - - - - - - - |"
        "D6 - - - C6 - Bb5 - | A5 - - - C6 - - - | Bb5 - A5 - G5 - F5 - | E5 - - - - - . .";
    const Section a{.chords = "Dm Bb C Dm Dm Bb Gm A",
                    .repeat = 2,
                    .lead = melodyA,
                    .bass = bass,
                    .arp = arp,
                    .drums = &kBoss,
                    .fill = &kBossFill,
                    .crash = true};
    const Section b{.chords = "Gm Dm A Dm Bb F Gm A",
                    .repeat = 2,
                    .lead = melodyB,
                    .bass = bass,
                    .pad = "x-----x-----x---",
                    .drums = &kBoss,
                    .fill = &kBossFill,
                    .crash = true};

    c.Add({.chords = "Dm Dm Bb C", .bass = "RrrRrrRrRrrRrrRr", .pad = "x-------x-------", .drums = &kFour});
    c.Add({.chords = "Dm Dm Bb C",
           .bass = "RrrRrrRrRrrRrrRr",
           .arp = arp,
           .pad = "x-------x-------",
           .drums = &kHalf,
           .fill = &kTomFill});
    c.Add(a);
    c.Add(b);
    c.Add({.chords = "Bb C Dm Dm Bb C A A",
           .counter = "F5 - - - D5 - - - | E5 - - - G5 - - - | F5 - - - A5 - - - | D6 - - - - - - - |"
                      "D6 - - - Bb5 - - - | C6 - - - G5 - - - | A5 - - - C#6 - - - | E6 - - - - - - -",
           .bass = "R-------O---R---",
           .arp = "0.1.2.3.4.3.2.1.",
           .pad = "x---------------",
           .drums = &kHalf,
           .fill = &kTomFill,
           .crash = true});
    Section up = a;
    up.transpose = 2;
    c.Add(up);
    up = b;
    up.transpose = 2;
    c.Add(up);
    c.Add({.chords = "Dm C Bb A",
           .repeat = 2,
           .lead = "D6 - . D6 . D6 C6 - | C6 - . C6 . C6 Bb5 - | Bb5 - . Bb5 . Bb5 A5 - | A5 - - - - - - - ",
           .bass = bass,
           .arp = arp,
           .pad = "x-----x-----x---",
           .drums = &kBoss,
           .fill = &kBossFill,
           .crash = true});
    c.Add({.chords = "Gm A Gm A", .bass = "RrrRrrRrRrrRrrRr", .pad = "x---------------", .drums = &kTomFill});
    c.Add(a);
    c.Add({.chords = "A",
           .lead = "A5 - - - C#6 - E6 -",
           .bass = bass,
           .pad = "x-----x-----x---",
           .drums = &kBoss,
           .fill = &kTomFill});
    c.Add({.chords = "Dm",
           .lead = "D6 - - - - - - -",
           .bass = "R---------------",
           .pad = "x---------------",
           .drums = &kFinal,
           .crash = true});
    error = c.Error();
    return c.Finish();
}

}  // namespace

const Score kScores[4] = {
    {"titl.ogg", Title},
    {"end.ogg", Ending},
    {"bgm01.ogg", Stage},
    {"bgm02.ogg", Boss},
};

}  // namespace datagen::music
