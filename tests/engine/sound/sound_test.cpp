// Sound handles and play buffers, heard through the headless mixer.
#include "engine/sound/sound.h"

#include <gtest/gtest.h>

#include "engine/sound/sound_internal.h"
#include "engine/sound/sound_system.h"
#include "tests/engine/sound/sound_fixture.h"

namespace {

using namespace soundtest;

class SoundTest : public SoundSession {
protected:
    int Load(const std::vector<uint8_t>& wav, int buffers, const char* name = "s.wav") {
        WriteFile(name, wav);
        return engine::LoadSound(name, buffers);
    }
};

TEST(SoundWithoutEngine, EveryOperationRefuses) {
    EXPECT_EQ(engine::LoadSound("x.wav", 3), -1);
    EXPECT_EQ(engine::DeleteAllSounds(), -1);
    EXPECT_EQ(engine::StartSound(0x10000000, 1, 1), -1);
}

TEST_F(SoundTest, HandlesAreTypeTwoAndDieWithTheirSound) {
    const int a = Load(ConstantWav(100, 1000), 3);
    ASSERT_GE(a, 0);
    EXPECT_EQ(a >> 27, 2);
    EXPECT_EQ(a & 0xFFFF, 0);
    const int b = Load(ConstantWav(100, 1000), 3);
    EXPECT_EQ(b & 0xFFFF, 1);
    EXPECT_NE((a >> 16) & 0x7FF, (b >> 16) & 0x7FF);

    EXPECT_EQ(engine::DeleteSound(a), 0);
    // The freed slot is taken again only once the hint passes the end; here b's slot is the highest.
    EXPECT_EQ(engine::DeleteSound(b), 0);
    const int c = Load(ConstantWav(100, 1000), 3);
    EXPECT_EQ(c & 0xFFFF, 0);  // the hint moved down past both empty slots
    for (int h : {a, b}) {
        EXPECT_EQ(engine::StartSound(h, 1, 1), -1);
        EXPECT_EQ(engine::StopSound(h), -1);
        EXPECT_EQ(engine::IsSoundPlaying(h), -1);
        EXPECT_EQ(engine::DeleteSound(h), -1);
    }
    for (int h : {0, -1, 0x08000000 | (c & 0xFFFF), c | 0x7FFF, c + 0x10000}) {
        EXPECT_EQ(engine::IsSoundPlaying(h), -1) << std::hex << h;
    }
    EXPECT_EQ(engine::IsSoundPlaying(c), 0);
}

TEST_F(SoundTest, BadFilesGiveMinusOneAndNoHandle) {
    EXPECT_EQ(engine::LoadSound("missing.wav", 3), -1);
    EXPECT_EQ(Load({'n', 'o', 'p', 'e'}, 3), -1);
    EXPECT_EQ(Load({}, 3), -1);
    EXPECT_EQ(
        Load(WavBuilder().Chunk("fmt ", WavBuilder::Fmt(2, 1, 22050, 4)).Chunk("data", {1, 2, 3, 4}).Done(),
             3),
        -1);  // ADPCM: no decoder for it
    const int h = Load(ConstantWav(10, 1), 3);
    EXPECT_EQ(h & 0xFFFF, 0);  // the failures took no slot
}

TEST_F(SoundTest, OnceEndsLoopGoesOnUntilStopped) {
    const int h = Load(ConstantWav(4410, 1000), 1);  // 100 ms
    EXPECT_EQ(engine::StartSound(h, engine::kPlayBackground, 1), 0);
    EXPECT_EQ(engine::IsSoundPlaying(h), 1);
    AdvanceMillis(90);
    EXPECT_EQ(engine::IsSoundPlaying(h), 1);
    AdvanceMillis(20);
    EXPECT_EQ(engine::IsSoundPlaying(h), 0);

    EXPECT_EQ(engine::StartSound(h, engine::kPlayLoop, 1), 0);
    AdvanceMillis(1000);
    EXPECT_EQ(engine::IsSoundPlaying(h), 1);
    EXPECT_EQ(Peak(NowFrame() - 4410, NowFrame()), 1000);
    EXPECT_EQ(engine::StopSound(h), 0);
    EXPECT_EQ(engine::IsSoundPlaying(h), 0);
    EXPECT_EQ(engine::StartSound(h, 2, 1), -1);  // no such mode
}

TEST_F(SoundTest, WaitModeReturnsWhenTheSoundHasEnded) {
    const int h = Load(ConstantWav(22050, 1000), 1);  // 500 ms
    const int64_t before = NowFrame();
    EXPECT_EQ(engine::StartSound(h, engine::kPlayWait, 1), 0);
    EXPECT_EQ(engine::IsSoundPlaying(h), 0);
    EXPECT_GE(NowFrame() - before, 22050);
    EXPECT_LT(NowFrame() - before, 22050 + 441);
}

// Three buffers started four times: the fourth start restarts the first play, so three are heard.
// Twelve buffers behave as ten.
TEST_F(SoundTest, PlayBuffersRotateAndCapOverlap) {
    struct Case {
        int buffers, starts, level;
    } cases[] = {{3, 4, 3000}, {3, 2, 2000}, {12, 12, 10000}, {10, 11, 10000}, {1, 5, 1000}};
    for (const Case& c : cases) {
        const int h = Load(ConstantWav(44100, 1000), c.buffers);
        for (int i = 0; i < c.starts; ++i) {
            EXPECT_EQ(engine::StartSound(h, engine::kPlayBackground, 1), 0);
            AdvanceMillis(1);
        }
        AdvanceMillis(10);
        EXPECT_EQ(Left(NowFrame() - 1), c.level) << c.buffers << " buffers, " << c.starts << " starts";
        engine::DeleteSound(h);
        AdvanceMillis(10);
    }
}

TEST_F(SoundTest, FromStartZeroLeavesABusyBufferAlone) {
    const int h = Load(RampWav(20000), 1);
    engine::StartSound(h, engine::kPlayBackground, 1);
    AdvanceMillis(100);  // 4410 frames
    EXPECT_EQ(engine::StartSound(h, engine::kPlayBackground, 0), 0);
    AdvanceMillis(10);
    const int64_t f = NowFrame() - 1;
    EXPECT_EQ(Left(f), f - (NowFrame() - 4851));  // the ramp went on undisturbed: no restart
    EXPECT_EQ(Left(f), 4850);
}

// With several buffers a resume starts the next buffer at the position of the one last started.
TEST_F(SoundTest, StopThenFromStartZeroResumesWhereItStopped) {
    for (int buffers : {1, 2}) {
        const int h = Load(RampWav(20000), buffers);
        engine::StartSound(h, engine::kPlayBackground, 1);
        AdvanceMillis(100);
        engine::StopSound(h);
        const int stoppedAt = Left(NowFrame() - 1) + 1;
        EXPECT_NEAR(stoppedAt, 4410, 2);
        AdvanceMillis(50);
        EXPECT_EQ(Peak(NowFrame() - 2000, NowFrame()), 0);
        const int64_t resumed = NowFrame();
        EXPECT_EQ(engine::StartSound(h, engine::kPlayBackground, 0), 0);
        AdvanceMillis(10);
        EXPECT_EQ(Left(resumed), stoppedAt) << buffers;
        EXPECT_EQ(Left(resumed + 100), stoppedAt + 100) << buffers;
        engine::DeleteSound(h);
    }
}

TEST_F(SoundTest, LoudMixesSaturate) {
    const int hi = Load(ConstantWav(44100, 30000), 3, "hi.wav");
    const int lo = Load(ConstantWav(44100, -30000), 3, "lo.wav");
    engine::StartSound(hi, engine::kPlayBackground, 1);
    engine::StartSound(hi, engine::kPlayBackground, 1);
    AdvanceMillis(5);
    EXPECT_EQ(Left(NowFrame() - 1), 32767);
    engine::StopSound(hi);
    engine::StartSound(lo, engine::kPlayBackground, 1);
    engine::StartSound(lo, engine::kPlayBackground, 1);
    AdvanceMillis(5);
    EXPECT_EQ(Left(NowFrame() - 1), -32768);
}

TEST_F(SoundTest, OtherRatesAndChannelsAreConvertedOnce) {
    // Mono 22,050 Hz, 200 ms: 8820 frames at the output rate, on both channels.
    const int h = Load(Pcm16Wav(22050, 1, std::vector<int16_t>(4410, 8000)), 1);
    ASSERT_GE(h, 0);
    const int64_t from = NowFrame();
    engine::StartSound(h, engine::kPlayBackground, 1);
    AdvanceMillis(300);
    int64_t heard = 0;
    for (int64_t f = from; f < NowFrame(); ++f) heard += Captured()[size_t(f) * 2 + 1] != 0;
    EXPECT_NEAR(double(heard), 8820, 50);
    // SDL's resampling filter passes a constant at a hair under full gain.
    EXPECT_NEAR(Left(from + 4000), 8000, 80);
    EXPECT_EQ(Captured()[size_t(from + 4000) * 2 + 1], Left(from + 4000));
}

TEST_F(SoundTest, AllSlotsFullRefusesTheNextLoad) {
    WriteFile("t.wav", ConstantWav(1, 1));
    int last = -1;
    for (int i = 0; i < engine::sound::kSlots; ++i) last = engine::LoadSound("t.wav", 1);
    EXPECT_EQ(last & 0xFFFF, engine::sound::kSlots - 1);
    EXPECT_EQ(engine::LoadSound("t.wav", 1), -1);
    EXPECT_EQ(engine::DeleteSound(last), 0);
    EXPECT_EQ(engine::LoadSound("t.wav", 1) & 0xFFFF, engine::sound::kSlots - 1);
    EXPECT_EQ(engine::DeleteAllSounds(), 0);
    EXPECT_EQ(engine::IsSoundPlaying(last), -1);
}

TEST_F(SoundTest, RealWavAndOggLoadAndSound) {
    for (const std::string& path : {RealWav(), RealOgg("bell"), RealOgg()}) {
        const int h = engine::LoadSound(path, 3);
        ASSERT_GE(h, 0) << path;
        const int64_t from = NowFrame();
        engine::StartSound(h, engine::kPlayBackground, 1);
        AdvanceMillis(400);
        EXPECT_GT(Peak(from, NowFrame()), 3000) << path;
        engine::StopSound(h);
        AdvanceMillis(10);
        engine::DeleteSound(h);
    }
}

// Without an audio device the game runs silently: plays still start, end on the clock, never block.
class SilentSoundTest : public SoundSession {
protected:
    void SetUp() override { Start(true); }
};

TEST_F(SilentSoundTest, PlaysEndOnTheClock) {
    WriteFile("s.wav", ConstantWav(4410, 1000));
    const int h = engine::LoadSound("s.wav", 3);
    ASSERT_GE(h, 0);
    EXPECT_EQ(engine::StartSound(h, engine::kPlayBackground, 1), 0);
    EXPECT_EQ(engine::IsSoundPlaying(h), 1);
    for (int i = 0; i < 10; ++i) {
        AdvanceMillis(17);
        engine::PumpMessages();
    }
    EXPECT_EQ(engine::IsSoundPlaying(h), 0);
    EXPECT_EQ(engine::StartSound(h, engine::kPlayWait, 1), 0);
    EXPECT_EQ(engine::IsSoundPlaying(h), 0);
    EXPECT_TRUE(Captured().empty());
}

}  // namespace
