// Mix balance: plays a 200 s autopilot game three times with the audio captured (everything, music
// alone, effects alone) and prints how hot the mix is and how the effects sit against the music.
// Usage: bench_mix [--frames N] [--data-dir DIR]     (DIR holds data/; the build's own by default)
//        bench_mix --captures MIX.wav MUSIC.wav EFFECTS.wav     (figures of captures made elsewhere)
// The three runs are the same game (the autopilot and the virtual clock do not depend on the sound),
// so the captures line up sample for sample; the figures say how far the mix differs from the sum.
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr int kWindow = 1024;       // frames a moment: about 23 ms
constexpr double kPlaying = -60.0;  // dBFS RMS above which a moment counts as sounding
constexpr double kOnsetRise = 6.0;  // dB a moment rises over the one before when a sound starts
constexpr double kFloor = -120.0;   // the level of digital silence, so that differences stay finite
constexpr double kFullScale = 32768.0;
constexpr int kNearFull = 29205;  // -1 dBFS: how close the mix comes without clipping

struct Capture {
    int channels = 0;
    std::vector<int16_t> samples;
};

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

// Reads a 16-bit PCM WAV as the capture writes it; the chunk walk also accepts extra chunks.
bool ReadCapture(const std::string& path, Capture& c) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
        std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE")
        return std::fprintf(stderr, "bench_mix: %s: not a WAV file\n", path.c_str()), false;
    int bits = 0;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id(bytes.begin() + at, bytes.begin() + at + 4);
        const size_t size = std::min<size_t>(Le32(&bytes[at + 4]), bytes.size() - at - 8);
        const unsigned char* body = &bytes[at + 8];
        if (id == "fmt " && size >= 16) {
            c.channels = Le16(body + 2);
            bits = Le16(body + 14);
        } else if (id == "data" && c.channels > 0 && bits == 16) {
            c.samples.resize(size / 2);
            for (size_t i = 0; i < c.samples.size(); ++i) c.samples[i] = int16_t(Le16(body + 2 * i));
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return std::fprintf(stderr, "bench_mix: %s: no 16-bit PCM data\n", path.c_str()), false;
}

double Db(double level) { return level > 0 ? std::max(kFloor, 20.0 * std::log10(level)) : kFloor; }

double Median(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1)))];
}

// RMS (0..1) of each moment, all channels together.
std::vector<double> MomentLevels(const Capture& c, size_t frames) {
    std::vector<double> levels;
    const size_t ch = size_t(c.channels);
    for (size_t at = 0; at + kWindow <= frames; at += kWindow) {
        double sum = 0;
        for (size_t i = at * ch; i < (at + kWindow) * ch; ++i) sum += double(c.samples[i]) * c.samples[i];
        levels.push_back(std::sqrt(sum / (kWindow * ch)) / kFullScale);
    }
    return levels;
}

// One line of loudness figures for a capture: peak, RMS over the whole game and over its sounding
// moments, and the clipping (samples at full scale, the runs they form, the seconds holding any).
void PrintLevels(const char* name, const Capture& c, size_t frames) {
    double sum = 0;
    int peak = 0;
    long clipped = 0, runs = 0, near = 0;
    const size_t ch = size_t(c.channels);
    std::vector<bool> clippedSecond(frames / kRate + 1);
    for (size_t k = 0; k < ch; ++k) {
        bool inRun = false;
        for (size_t f = 0; f < frames; ++f) {
            const int s = c.samples[f * ch + k];
            sum += double(s) * s;
            peak = std::max(peak, std::abs(s));
            const bool full = std::abs(s) >= 32767;
            near += std::abs(s) >= kNearFull;
            if (full) {
                ++clipped;
                runs += !inRun;
                clippedSecond[f / kRate] = true;
            }
            inRun = full;
        }
    }
    const long seconds = std::count(clippedSecond.begin(), clippedSecond.end(), true);
    std::vector<double> sounding;
    for (double level : MomentLevels(c, frames))
        if (Db(level) > kPlaying) sounding.push_back(level * level);
    double soundingRms = 0;
    for (double p : sounding) soundingRms += p;
    soundingRms = sounding.empty() ? 0 : std::sqrt(soundingRms / sounding.size());
    std::printf(
        "%-8s peak %6.2f dBFS  RMS %6.2f dBFS (%6.2f while sounding, %4.1f%% of the time)  "
        "clipped %ld samples in %ld runs, %ld s; %ld over -1 dBFS\n",
        name, Db(peak / kFullScale), Db(std::sqrt(sum / double(frames * ch)) / kFullScale), Db(soundingRms),
        100.0 * sounding.size() / std::max<size_t>(1, frames / kWindow), clipped, runs, seconds, near);
}

int Report(const Capture& mix, const Capture& music, const Capture& effects) {
    if (mix.channels != music.channels || mix.channels != effects.channels)
        return std::fprintf(stderr, "bench_mix: the captures differ in channels\n"), 1;
    const size_t ch = size_t(mix.channels);
    const size_t frames = std::min({mix.samples.size(), music.samples.size(), effects.samples.size()}) / ch;
    std::printf("captured %.1f s (%zu frames at %d Hz, %zu channels)\n", double(frames) / kRate, frames,
                kRate, ch);
    PrintLevels("mix", mix, frames);
    PrintLevels("music", music, frames);
    PrintLevels("effects", effects, frames);

    // The mix should be the two parts added and saturated: anything else means the runs did not line up
    // (or that a part clipped on its own, which the lines above show).
    long differ = 0;
    for (size_t i = 0; i < frames * ch; ++i)
        differ += mix.samples[i] != std::clamp(int(music.samples[i]) + effects.samples[i], -32768, 32767);
    std::printf("mix vs music+effects: %ld of %zu samples differ\n", differ, frames * ch);

    const std::vector<double> m = MomentLevels(music, frames), e = MomentLevels(effects, frames);
    std::vector<double> diff;
    long louder = 0;
    for (size_t i = 0; i < e.size(); ++i) {
        if (Db(e[i]) <= kPlaying) continue;
        diff.push_back(Db(e[i]) - Db(m[i]));
        louder += e[i] > m[i];
    }
    std::printf(
        "effects over music while effects play (%zu moments of %d ms): median %+.1f dB "
        "(10%% %+.1f, 90%% %+.1f), louder than the music in %.0f%%\n",
        diff.size(), kWindow * 1000 / kRate, Median(diff), Percentile(diff, 0.1), Percentile(diff, 0.9),
        diff.empty() ? 0.0 : 100.0 * louder / diff.size());

    // Most of those moments are the long, quiet tails of explosions. What a player hears is whether a
    // sound cuts through as it starts: the moments where the effects jump up, taken with the next one
    // so that an attack split between two moments counts whole.
    std::vector<double> onsets;
    long onsetsLouder = 0;
    for (size_t i = 1; i + 1 < e.size(); ++i) {
        if (Db(e[i]) <= kPlaying || Db(e[i]) < Db(e[i - 1]) + kOnsetRise) continue;
        const double level = std::max(e[i], e[i + 1]);
        onsets.push_back(Db(level) - Db(m[i]));
        onsetsLouder += level > m[i];
    }
    std::printf(
        "effects over music as a sound starts (%zu onsets): median %+.1f dB (10%% %+.1f, 90%% %+.1f), "
        "louder than the music in %.0f%%\n",
        onsets.size(), Median(onsets), Percentile(onsets, 0.1), Percentile(onsets, 0.9),
        onsets.empty() ? 0.0 : 100.0 * onsetsLouder / onsets.size());
    return 0;
}

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "--captures") {
        Capture mix, music, effects;
        if (!ReadCapture(args[1], mix) || !ReadCapture(args[2], music) || !ReadCapture(args[3], effects))
            return 1;
        return Report(mix, music, effects);
    }
    long frames = 11800;  // about 200 s at the game's 17 ms frame
    fs::path data = VELMORAN_BUILD_DIR;
    for (size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--frames")
            frames = std::atol(args[i + 1].c_str());
        else if (args[i] == "--data-dir")
            data = args[i + 1];
        else
            frames = -1;
    }
    if (frames <= 0 || args.size() % 2)
        return std::fprintf(stderr,
                            "usage: bench_mix [--frames N] [--data-dir DIR] | --captures MIX MUSIC "
                            "EFFECTS\n"),
               2;
    // The runs keep their records and captures in a private folder, so the build's stay as they are.
    std::string pattern = (fs::temp_directory_path() / "velmoran-bench-mix-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return std::fprintf(stderr, "bench_mix: no temporary folder\n"), 1;
    const fs::path work = pattern;
    const std::string exe = (fs::path(VELMORAN_BUILD_DIR) / "velmoran").string();
    const char* names[3] = {"mix", "music", "effects"};
    const char* sets[3] = {"", " --set effects_volume=0", " --set music_volume=0"};
    Capture captures[3];
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i) {
        const fs::path user = work / names[i], wav = work / (std::string(names[i]) + ".wav");
        fs::create_directories(user);
        const std::string command = Quoted(exe) + " --headless --autoplay --frames " +
                                    std::to_string(frames) + " --user-dir " + Quoted(user.string()) +
                                    " --data-dir " + Quoted(data.string()) + sets[i] + " --audio-capture " +
                                    Quoted(wav.string()) + " >/dev/null";
        ok = std::system(command.c_str()) == 0 && ReadCapture(wav.string(), captures[i]);
        if (!ok) std::fprintf(stderr, "bench_mix: the %s run failed: %s\n", names[i], command.c_str());
    }
    std::error_code ec;
    fs::remove_all(work, ec);
    if (!ok) return 1;
    std::printf("data %s, %ld frames\n", data.string().c_str(), frames);
    return Report(captures[0], captures[1], captures[2]);
}
