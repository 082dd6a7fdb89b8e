// The WAV chunk rules, as a table of images, plus sample widths and a real file with a "bext" chunk.
#include "engine/sound/wav_decoder.h"

#include <gtest/gtest.h>

#include "tests/engine/sound/sound_fixture.h"

namespace {

using namespace soundtest;
using engine::WavFormat;

std::vector<uint8_t> Fmt16() { return WavBuilder::Fmt(1, 2, 44100, 16); }
const std::vector<uint8_t> kData = Samples16({1, -1, 2, -2, 3, -3});  // 3 stereo frames

struct ChunkCase {
    const char* name;
    std::vector<uint8_t> image;
    bool accepted;
    size_t dataBytes;  // when accepted
};

std::vector<ChunkCase> Cases() {
    std::vector<uint8_t> notWave = WavBuilder().Chunk("fmt ", Fmt16()).Chunk("data", kData).Done();
    notWave[8] = 'X';
    std::vector<uint8_t> notRiff = WavBuilder().Chunk("fmt ", Fmt16()).Chunk("data", kData).Done();
    notRiff[0] = 'X';
    std::vector<uint8_t> wrongRiffSize = WavBuilder().Chunk("fmt ", Fmt16()).Chunk("data", kData).Done();
    wrongRiffSize[4] = 0x01, wrongRiffSize[5] = wrongRiffSize[6] = wrongRiffSize[7] = 0;
    const std::vector<uint8_t> odd = {1, 2, 3};
    std::vector<uint8_t> truncated = WavBuilder().Chunk("fmt ", Fmt16()).Chunk("data", kData).Done();
    truncated.resize(30);
    return {
        {"plain", WavBuilder().Chunk("fmt ", Fmt16()).Chunk("data", kData).Done(), true, 12},
        {"RIFF size plays no part", wrongRiffSize, true, 12},
        {"bext before fmt",
         WavBuilder()
             .Chunk("bext", std::vector<uint8_t>(602, 7))
             .Chunk("fmt ", Fmt16())
             .Chunk("data", kData)
             .Done(),
         true, 12},
        {"odd bext, padded",
         WavBuilder().Chunk("bext", odd).Chunk("fmt ", Fmt16()).Chunk("data", kData).Done(), true, 12},
        {"odd bext, unpadded",
         WavBuilder().Chunk("bext", odd, false).Chunk("fmt ", Fmt16()).Chunk("data", kData).Done(), true, 12},
        {"LIST before fmt",
         WavBuilder().Chunk("LIST", {1, 2, 3, 4}).Chunk("fmt ", Fmt16()).Chunk("data", kData).Done(), false,
         0},
        {"data before fmt", WavBuilder().Chunk("data", kData).Chunk("fmt ", Fmt16()).Done(), false, 0},
        {"chunks between fmt and data",
         WavBuilder()
             .Chunk("fmt ", Fmt16())
             .Chunk("LIST", {1, 2, 3, 4})
             .Chunk("fact", {0, 0, 0, 0})
             .Chunk("data", kData)
             .Done(),
         true, 12},
        {"odd chunk padded",
         WavBuilder().Chunk("fmt ", Fmt16()).Chunk("junk", odd).Chunk("data", kData).Done(), true, 12},
        {"odd chunk unpadded loses data",
         WavBuilder().Chunk("fmt ", Fmt16()).Chunk("junk", odd, false).Chunk("data", kData).Done(), false, 0},
        {"no data chunk", WavBuilder().Chunk("fmt ", Fmt16()).Chunk("LIST", {1, 2}).Done(), false, 0},
        {"data claims more than the file",
         WavBuilder().Chunk("fmt ", Fmt16()).Chunk("data", kData, true, 1000).Done(), true, 12},
        {"data of a part frame",
         WavBuilder().Chunk("fmt ", Fmt16()).Chunk("data", {1, 2, 3, 4, 5, 6, 7}).Done(), true, 4},
        {"chunk size past the end",
         WavBuilder().Chunk("fmt ", Fmt16()).Chunk("LIST", {}, true, 0xFFFFFFFF).Chunk("data", kData).Done(),
         false, 0},
        {"fmt shorter than 16",
         WavBuilder().Chunk("fmt ", std::vector<uint8_t>(14, 1)).Chunk("data", kData).Done(), false, 0},
        {"fmt larger than the file", WavBuilder().Chunk("fmt ", Fmt16(), true, 5000).Done(), false, 0},
        {"not WAVE", notWave, false, 0},
        {"not RIFF", notRiff, false, 0},
        {"truncated in fmt", truncated, false, 0},
        {"empty", {}, false, 0},
    };
}

TEST(WavDecoder, ChunkRules) {
    for (const ChunkCase& c : Cases()) {
        WavFormat f;
        const bool ok = engine::ParseWav(c.image.data(), c.image.size(), &f);
        EXPECT_EQ(ok, c.accepted) << c.name;
        if (ok && c.accepted) {
            EXPECT_EQ(f.dataBytes, c.dataBytes) << c.name;
            EXPECT_EQ(f.channels, 2) << c.name;
            EXPECT_EQ(f.rate, 44100u) << c.name;
            EXPECT_LE(f.dataOffset + f.dataBytes, c.image.size()) << c.name;
        }
    }
}

// A bare 16-byte format chunk takes its bits from the block size; a longer one trusts its field.
TEST(WavDecoder, SixteenByteFormatChunkDerivesTheBits) {
    auto withBits = [](uint16_t bits, int extra) {
        return WavBuilder()
            .Chunk("fmt ", WavBuilder::Fmt(1, 2, 22050, bits, extra, 4))
            .Chunk("data", kData)
            .Done();
    };
    WavFormat f;
    auto a = withBits(12, -1);
    ASSERT_TRUE(engine::ParseWav(a.data(), a.size(), &f));
    EXPECT_EQ(f.bits, 16);
    auto b = withBits(12, 0);
    ASSERT_TRUE(engine::ParseWav(b.data(), b.size(), &f));
    EXPECT_EQ(f.bits, 12);
    auto c = withBits(0, -1);
    EXPECT_NE(engine::OpenPcmWav(c.data(), c.size()), nullptr);
}

TEST(WavDecoder, SampleWidthsReadAsSixteenBits) {
    struct Case {
        uint16_t tag, bits;
        std::vector<uint8_t> sample;
        int16_t expect;
    } cases[] = {
        {1, 8, {0x00}, -32768},
        {1, 8, {0x80}, 0},
        {1, 8, {0xFF}, 32512},
        {1, 16, {0x34, 0x12}, 0x1234},
        {1, 24, {0x56, 0x34, 0x12}, 0x1234},
        {1, 32, {0x78, 0x56, 0x34, 0x92}, int16_t(0x9234)},
        {3, 32, {0x00, 0x00, 0x00, 0x3F}, 16384},  // 0.5f
        {3, 32, {0x00, 0x00, 0x00, 0x40}, 32767},  // 2.0f clamps
    };
    for (const Case& c : cases) {
        auto image = WavBuilder()
                         .Chunk("fmt ", WavBuilder::Fmt(c.tag, 1, 8000, c.bits, 0))
                         .Chunk("data", c.sample)
                         .Done();
        auto src = c.tag == 1 ? engine::OpenPcmWav(image.data(), image.size())
                              : engine::OpenOtherWav(image.data(), image.size());
        ASSERT_NE(src, nullptr) << c.bits;
        int16_t out = 1;
        ASSERT_EQ(src->Read(&out, 4), 1);
        EXPECT_EQ(out, c.expect) << "tag " << c.tag << ", " << c.bits << " bits";
    }
    // The PCM decoder leaves other tags to the next decoder, which takes only what it can read.
    auto adpcm = WavBuilder().Chunk("fmt ", WavBuilder::Fmt(2, 1, 8000, 4, 0)).Chunk("data", {1, 2}).Done();
    EXPECT_EQ(engine::OpenPcmWav(adpcm.data(), adpcm.size()), nullptr);
    EXPECT_EQ(engine::OpenOtherWav(adpcm.data(), adpcm.size()), nullptr);
    auto noChannels =
        WavBuilder().Chunk("fmt ", WavBuilder::Fmt(1, 0, 8000, 16, 0, 2)).Chunk("data", {1, 2}).Done();
    EXPECT_EQ(engine::OpenPcmWav(noChannels.data(), noChannels.size()), nullptr);
}

// A real recording re-wrapped with a "bext" chunk before "fmt " reads the same samples.
TEST(WavDecoder, RealFileWithBextChunk) {
    const std::vector<uint8_t> real = ReadFile(RealWav());
    auto plain = engine::OpenPcmWav(real.data(), real.size());
    ASSERT_NE(plain, nullptr);
    std::vector<uint8_t> bext = real;
    std::vector<uint8_t> chunk = {'b', 'e', 'x', 't'};
    Put32(&chunk, 602);
    chunk.resize(chunk.size() + 602, ' ');
    bext.insert(bext.begin() + 12, chunk.begin(), chunk.end());
    auto withBext = engine::OpenPcmWav(bext.data(), bext.size());
    ASSERT_NE(withBext, nullptr);
    EXPECT_EQ(withBext->TotalFrames(), plain->TotalFrames());
    EXPECT_GT(plain->TotalFrames(), 10000);
    std::vector<int16_t> a(size_t(plain->TotalFrames()) * plain->Channels()), b(a.size());
    EXPECT_EQ(plain->Read(a.data(), int(plain->TotalFrames())), plain->TotalFrames());
    EXPECT_EQ(withBext->Read(b.data(), int(plain->TotalFrames())), plain->TotalFrames());
    EXPECT_EQ(a, b);
    // The same file with an unknown chunk in front of "fmt " is refused.
    bext[12] = 'L', bext[13] = 'I', bext[14] = 'S', bext[15] = 'T';
    EXPECT_EQ(engine::OpenPcmWav(bext.data(), bext.size()), nullptr);
}

}  // namespace
