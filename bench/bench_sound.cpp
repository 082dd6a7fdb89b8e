// Sound figures: loading the effects and a music set, the mixer's cost with 16 voices, and memory with
// both music sets loaded. Generates its own three-minute Ogg Vorbis tracks (cached in the build folder).
#include <unistd.h>
#include <vorbis/vorbisenc.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/platform.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_internal.h"
#include "engine/sound/sound_system.h"
#include "game/services/sound_control.h"
#include "platform/headless/headless_platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kPi = 3.14159265358979323846;

double Millis(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

long PeakRssKb() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}
long RssKb() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// A 44,100 Hz stereo piece of music-like sound: a few detuned voices changing note every quarter second.
void EncodeTrack(const std::string& path, double seconds, unsigned seed) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    vorbis_encode_init_vbr(&vi, 2, 44100, 0.4f);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, int(seed));
    std::ofstream out(path, std::ios::binary);
    auto writePages = [&](bool flush) {
        ogg_page og;
        while (flush ? ogg_stream_flush(&os, &og) : ogg_stream_pageout(&os, &og)) {
            out.write(reinterpret_cast<char*>(og.header), og.header_len);
            out.write(reinterpret_cast<char*>(og.body), og.body_len);
        }
    };
    ogg_packet h, hc, hcode;
    vorbis_analysis_headerout(&vd, &vc, &h, &hc, &hcode);
    ogg_stream_packetin(&os, &h);
    ogg_stream_packetin(&os, &hc);
    ogg_stream_packetin(&os, &hcode);
    writePages(true);
    std::mt19937 rng(seed);
    const long total = long(seconds * 44100);
    double f1 = 220, f2 = 330, p1 = 0, p2 = 0;
    for (long at = 0; at <= total; at += 1024) {
        const int n = int(std::min<long>(1024, total - at));
        if (n > 0) {
            float** buf = vorbis_analysis_buffer(&vd, n);
            for (int i = 0; i < n; ++i) {
                if ((at + i) % 11025 == 0) {
                    f1 = 110.0 * std::pow(2.0, double(rng() % 24) / 12.0);
                    f2 = f1 * 1.5;
                }
                p1 += 2 * kPi * f1 / 44100;
                p2 += 2 * kPi * f2 / 44100;
                const double env = 0.5 + 0.5 * std::sin(double(at + i) / 3000.0);
                buf[0][i] = float(0.3 * std::sin(p1) * env + 0.1 * std::sin(p2));
                buf[1][i] = float(0.3 * std::sin(p2) * env + 0.1 * std::sin(p1 * 1.01));
            }
        }
        vorbis_analysis_wrote(&vd, n);
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                writePages(false);
            }
        }
        if (n == 0) break;
    }
    writePages(true);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
}

void WriteWav(const std::string& path, int rate, int channels, double seconds, unsigned seed) {
    std::mt19937 rng(seed);
    const uint32_t frames = uint32_t(seconds * rate), bytes = frames * channels * 2;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<char*>(&v), 2); };
    out.write("RIFF", 4), u32(36 + bytes), out.write("WAVEfmt ", 8), u32(16), u16(1), u16(uint16_t(channels));
    u32(uint32_t(rate)), u32(uint32_t(rate * channels * 2)), u16(uint16_t(channels * 2)), u16(16);
    out.write("data", 4), u32(bytes);
    for (uint32_t i = 0; i < frames * uint32_t(channels); ++i) {
        const double decay = 1.0 - double(i / channels) / frames;
        u16(uint16_t(int16_t((int(rng() % 20000) - 10000) * decay)));
    }
}

// The game's data layout in a scratch folder: twelve effects (mixed rates, as a designer would leave
// them) and four three-minute tracks.
void MakeData(const fs::path& root, const fs::path& cache) {
    fs::create_directories(root / "data/se");
    fs::create_directories(root / "data/music");
    fs::create_directories(cache);
    const char* effects[] = {"hit",    "bak1", "tekitama", "jikitama", "bak2",  "bak3",
                             "cursol", "shot", "gure",     "ext",      "bonus", "damage"};
    for (int i = 0; i < 12; ++i)
        WriteWav((root / "data/se" / (std::string(effects[i]) + ".wav")).string(), i % 2 ? 22050 : 44100,
                 i % 3 ? 1 : 2, 0.2 + 0.1 * i, unsigned(i));
    const char* tracks[] = {"titl", "end", "bgm01", "bgm02"};
    for (int i = 0; i < 4; ++i) {
        const fs::path cached = cache / (std::string(tracks[i]) + ".ogg");
        if (!fs::exists(cached)) {
            std::printf("encoding %s (180 s)...\n", cached.string().c_str());
            std::fflush(stdout);
            EncodeTrack(cached.string(), 180.0, unsigned(100 + i));
        }
        fs::copy_file(cached, root / "data/music" / (std::string(tracks[i]) + ".ogg"),
                      fs::copy_options::overwrite_existing);
    }
}

}  // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / ("velmoran_bench_sound_" + std::to_string(::getpid()));
    const fs::path cache = fs::path(VELMORAN_BUILD_DIR) / "bench_data";
    MakeData(root, cache);
    const fs::path saved = fs::current_path();
    fs::current_path(root);

    platform::Options options;
    auto owned = std::make_unique<headless::HeadlessPlatform>(options);
    headless::HeadlessPlatform* hp = owned.get();
    platform::Install(std::move(owned));
    engine::SetLogEnabled(0);
    if (engine::InitEngine() != 0) return 1;
    game::InitSoundTables();
    const long rssStart = RssKb();

    // 1. Loading: twelve effects, then one music set (what a stage set-up does).
    auto t0 = Clock::now();
    game::LoadSoundEffects();
    auto t1 = Clock::now();
    game::LoadMusicSet(1);
    auto t2 = Clock::now();
    std::printf("load 12 effects: %.2f ms\n", Millis(t0, t1));
    std::printf("LoadMusicSet (two 180 s Ogg tracks, streamed): %.2f ms (one frame is 17 ms)\n",
                Millis(t1, t2));
    // What holding a track decoded would cost at load: why long tracks are streamed.
    engine::sound::Sounds().decodeAtLoadSeconds = 1000;
    auto t3 = Clock::now();
    const int whole = engine::LoadSound("data/music/bgm01.ogg", 3);
    auto t4 = Clock::now();
    std::printf("decoding one 180 s track whole at load instead: %.0f ms, %.1f MB\n", Millis(t3, t4),
                double(engine::sound::Sounds().slots[size_t(whole & 0xFFFF)]->pcm.size() * 2) / 1e6);
    engine::DeleteSound(whole);
    engine::sound::Sounds().decodeAtLoadSeconds = 2.0;

    // 2. Mixer cost: 16 in-memory voices (every effect looping, four of them twice), 60 s of audio.
    for (int i = 1; i <= 12; ++i) engine::StartSound(game::SoundTable[i], engine::kPlayLoop, 1);
    for (int i = 1; i <= 4; ++i) engine::StartSound(game::SoundTable[i], engine::kPlayLoop, 1);
    const double seconds = 60;
    auto m0 = Clock::now();
    for (int f = 0; f < int(seconds * 1000 / 17); ++f) hp->AdvanceMicros(17000);
    auto m1 = Clock::now();
    std::printf("mixer, 16 voices from memory: %.3f ms per second of audio (%.3f %% of one core)\n",
                Millis(m0, m1) / seconds, Millis(m0, m1) / seconds / 10);
    // With the stage track streaming in too (decoding included): 14 effects + 2 plays of the music.
    engine::StopSound(game::SoundTable[3]);
    engine::StopSound(game::SoundTable[4]);
    engine::StartSound(game::MusicSlots[0].handle, engine::kPlayLoop, 1);
    engine::StartSound(game::MusicSlots[0].handle, engine::kPlayLoop, 1);
    auto s0 = Clock::now();
    for (int f = 0; f < int(seconds * 1000 / 17); ++f) {
        hp->AdvanceMicros(17000);
        engine::FeedSoundStreams();
    }
    auto s1 = Clock::now();
    std::printf(
        "mixer, 14 voices from memory + 2 streamed music voices: %.3f ms per second (%.3f %% of one core)\n",
        Millis(s0, s1) / seconds, Millis(s0, s1) / seconds / 10);

    // 3. Memory with both music sets loaded and playing, beside the effects. The peak is measured from
    // here (the whole-track decode above is not part of the game's use).
    std::ofstream("/proc/self/clear_refs") << "5";
    const long rssBefore = RssKb();
    const int title = engine::LoadSound("data/music/titl.ogg", 3);
    const int ending = engine::LoadSound("data/music/end.ogg", 3);
    engine::StartSound(title, engine::kPlayLoop, 1);
    engine::StartSound(ending, engine::kPlayLoop, 1);
    engine::StartSound(game::MusicSlots[1].handle, engine::kPlayLoop, 1);
    for (int f = 0; f < 100; ++f) {
        hp->AdvanceMicros(17000);
        engine::FeedSoundStreams();
    }
    std::printf(
        "memory: resident %ld KB at engine start, %ld KB with effects and one set, %ld KB with both "
        "music sets loaded and playing (peak %ld KB); each track file %.1f MB\n",
        rssStart, rssBefore, RssKb(), PeakRssKb(), double(fs::file_size("data/music/titl.ogg")) / 1e6);

    game::ReleaseSounds();
    engine::EndEngine();
    platform::Install(nullptr);
    fs::current_path(saved);
    fs::remove_all(root);
    return 0;
}
