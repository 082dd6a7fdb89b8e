// Generated sounds and music: the files the game loads exist, in formats it reads, and sound clean.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Read16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// Every effect: RIFF/WAVE with a PCM "fmt " chunk first, 16-bit samples; audible, never at full scale,
// and starting and ending near silence so that it starts and stops without a click.
TEST(GeneratedSounds, AreCleanSixteenBitWavs) {
    const char* names[] = {"hit",    "bak1", "tekitama", "jikitama", "bak2",  "bak3",
                           "cursol", "shot", "gure",     "ext",      "bonus", "damage"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> b = ReadFile(std::string(VELMORAN_BUILD_DIR "/data/se/") + name + ".wav");
        ASSERT_GE(b.size(), 44u);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "WAVE");
        ASSERT_EQ(std::string(b.begin() + 12, b.begin() + 16), "fmt ");
        const uint32_t fmtSize = Read32(b, 16);
        EXPECT_EQ(Read16(b, 20), 1);  // PCM
        const int channels = Read16(b, 22);
        EXPECT_TRUE(channels == 1 || channels == 2);
        const uint32_t rate = Read32(b, 24);
        EXPECT_EQ(Read16(b, 32), 2 * channels);  // block size
        EXPECT_EQ(Read16(b, 34), 16);

        size_t at = 20 + fmtSize;
        while (at + 8 <= b.size() && std::string(b.begin() + at, b.begin() + at + 4) != "data")
            at += 8 + Read32(b, at + 4) + (Read32(b, at + 4) & 1);
        ASSERT_LE(at + 8, b.size()) << "no data chunk";
        const uint32_t bytes = Read32(b, at + 4);
        ASSERT_LE(at + 8 + bytes, b.size());
        std::vector<int16_t> s(bytes / 2);
        for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(Read16(b, at + 8 + 2 * i));
        const double seconds = static_cast<double>(s.size()) / channels / rate;
        EXPECT_GT(seconds, 0.03);
        EXPECT_LT(seconds, 3.0);

        int peak = 0;
        for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 3000);
        EXPECT_LT(peak, 32000);
        EXPECT_LT(std::abs(s.front()), 300);
        EXPECT_LT(std::abs(s.back()), 300);
    }
}

// Every track decodes to the end with vorbisfile as stereo 44.1 kHz, lasts its length class (the boss
// track about three minutes, yet not over the 180 s that the engine would stream), never reaches full
// scale, starts near silence, and joins its end to its start without a jump when it loops.
TEST(GeneratedMusic, DecodesWithItsLengthAndLoopsCleanly) {
    struct Track {
        const char* name;
        double minSeconds, maxSeconds;
        bool loops;
    };
    const Track tracks[] = {{"titl", 30, 120, true},
                            {"end", 30, 120, true},
                            {"bgm01", 45, 150, true},
                            {"bgm02", 150, 180, false}};
    for (const Track& t : tracks) {
        SCOPED_TRACE(t.name);
        const std::string path = std::string(VELMORAN_BUILD_DIR "/data/music/") + t.name + ".ogg";
        OggVorbis_File vf;
        ASSERT_EQ(ov_fopen(path.c_str(), &vf), 0);
        const vorbis_info* info = ov_info(&vf, -1);
        EXPECT_EQ(info->channels, 2);
        EXPECT_EQ(info->rate, 44100);
        const ogg_int64_t total = ov_pcm_total(&vf, -1);
        const double seconds = static_cast<double>(total) / info->rate;
        EXPECT_GE(seconds, t.minSeconds);
        EXPECT_LE(seconds, t.maxSeconds);

        std::vector<int16_t> pcm;
        pcm.reserve(static_cast<size_t>(total) * 2);
        char buffer[16384];
        int section = 0;
        long got = 0;
        while ((got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
            const size_t old = pcm.size();
            pcm.resize(old + got / 2);
            std::copy_n(reinterpret_cast<const char*>(buffer), got,
                        reinterpret_cast<char*>(pcm.data() + old));
        }
        ov_clear(&vf);
        EXPECT_EQ(got, 0) << "decoding error";
        ASSERT_EQ(static_cast<ogg_int64_t>(pcm.size()), total * 2);

        int peak = 0;
        for (int16_t v : pcm) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 8000);
        EXPECT_LT(peak, 32767);
        for (int ch = 0; ch < 2; ++ch) {
            EXPECT_LT(std::abs(pcm[ch]), 1500) << "the first play starts with a click, channel " << ch;
            if (t.loops)
                EXPECT_LT(std::abs(pcm[ch] - pcm[pcm.size() - 2 + ch]), 3000) << "seam, channel " << ch;
            else
                EXPECT_LT(std::abs(pcm[pcm.size() - 2 + ch]), 300) << "played once, it fades out";
        }
    }
}

}  // namespace
