// Streamed sounds must sound exactly like the same sound held decoded: a play, a loop, a stop and resume.
#include <gtest/gtest.h>

#include "engine/sound/sound.h"
#include "engine/sound/sound_internal.h"
#include "tests/engine/sound/sound_fixture.h"

namespace {

using namespace soundtest;

int PeakOf(const std::vector<int16_t>& s, size_t fromFrame = 0, size_t toFrame = SIZE_MAX) {
    int peak = 0;
    for (size_t f = fromFrame; f < toFrame && f * 2 < s.size(); ++f)
        peak = std::max(peak, std::abs(int(s[f * 2])));
    return peak;
}

class StreamTest : public SoundSession {
protected:
    // Loads `path` held decoded or streamed and returns what a scripted play of it sounded like.
    std::vector<int16_t> Render(const std::string& path, bool streamed, void (StreamTest::*script)(int)) {
        return Render(
            path, streamed, [script](StreamTest* t, int h, int*) { (t->*script)(h); }, nullptr);
    }
    template <class Script>
    std::vector<int16_t> Render(const std::string& path, bool streamed, Script script, int* out) {
        engine::sound::Sounds().decodeAtLoadSeconds = streamed ? 0.0 : 1000.0;
        const int h = engine::LoadSound(path, 3);
        EXPECT_GE(h, 0);
        EXPECT_EQ(engine::sound::Sounds().slots[size_t(h & 0xFFFF)]->streamed, streamed);
        const size_t from = Captured().size();
        script(this, h, out);
        engine::DeleteSound(h);
        engine::sound::Sounds().decodeAtLoadSeconds = 2.0;
        return std::vector<int16_t>(Captured().begin() + long(from), Captured().end());
    }

public:
    // Game-like pacing: a pump every 17 ms keeps streams fed.
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            AdvanceMillis(17);
            engine::PumpMessages();
        }
    }
    void PlayOnce(int h) {
        engine::StartSound(h, engine::kPlayBackground, 1);
        Frames(400);  // past the end
        EXPECT_EQ(engine::IsSoundPlaying(h), 0);
    }
    void Loop(int h) {
        engine::StartSound(h, engine::kPlayLoop, 1);
        Frames(800);  // two rounds and more
        EXPECT_EQ(engine::IsSoundPlaying(h), 1);
        engine::StopSound(h);
        Frames(2);
    }
    void StopResumeRestart(int h) {
        engine::StartSound(h, engine::kPlayBackground, 1);
        Frames(150);
        engine::StopSound(h);
        Frames(10);
        engine::StartSound(h, engine::kPlayBackground, 0);  // resumes on the next buffer
        Frames(40);
        engine::StartSound(h, engine::kPlayBackground, 1);  // a second play over it
        AdvanceMillis(3000);  // a long gap without pumps: the mixer refills by itself
        Frames(300);
        engine::StopSound(h);
    }
};

// The shift (in frames) that best lines up b with a over [from, from + length).
int BestLag(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t from, size_t length,
            int maxLag) {
    int best = 0;
    double bestError = 1e300;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double e = 0;
        for (size_t f = from; f < from + length; ++f) {
            const double d = double(a[f * 2]) - b[(f + size_t(lag)) * 2];
            e += d * d;
        }
        if (e < bestError) bestError = e, best = lag;
    }
    return best;
}

// Bit for bit from the start and through loops. A resume past the head seeks the decoder and restarts
// the resampler there; SDL's resampler rounds the length of every piece it converts, so the resumed
// play may sit a few frames (well under a millisecond) from where the decoded kind's does.
TEST_F(StreamTest, SoundsLikeTheDecodedKind) {
    const std::string path = RealOgg();  // 6.1 s at 48 kHz: resampled on the way
    struct Case {
        void (StreamTest::*script)(int);
        bool exact;
    } cases[] = {
        {&StreamTest::PlayOnce, true}, {&StreamTest::Loop, true}, {&StreamTest::StopResumeRestart, false}};
    for (const Case& c : cases) {
        const std::vector<int16_t> decoded = Render(path, false, c.script);
        const std::vector<int16_t> streamed = Render(path, true, c.script);
        ASSERT_EQ(decoded.size(), streamed.size());
        size_t firstDiff = 0;
        while (firstDiff < decoded.size() && decoded[firstDiff] == streamed[firstDiff]) ++firstDiff;
        EXPECT_GT(PeakOf(decoded), 10000);
        if (c.exact) {
            EXPECT_EQ(firstDiff, decoded.size());
            continue;
        }
        const size_t resumed = (150 + 10) * 17 * 441 / 10;  // the frame of the resume
        EXPECT_GE(firstDiff / 2, resumed - 441);
        EXPECT_LE(std::abs(BestLag(decoded, streamed, resumed + 1000, 2000, 500)), 20);
        // The restart from the start plays over the resumed play.
        EXPECT_GT(PeakOf(streamed, resumed + 32000, resumed + 33000), 0);
    }
}

// A run nobody hears (a replay being verified) plays its music past the head as silence of the
// stream's length, never decoding it: the play still ends when the heard one does, give or take the
// resampler's rounding of each piece, and the game, which reads only whether a sound plays, sees the same.
TEST_F(StreamTest, UnheardMusicIsSilenceOfItsLength) {
    const std::string path = RealOgg();
    int frames[2] = {0, 0};
    std::vector<int16_t> played[2];
    for (int unheard = 0; unheard < 2; ++unheard) {
        engine::sound::Sounds().unheard = unheard == 1;
        played[unheard] = Render(
            path, true,
            [](StreamTest* t, int h, int* n) {
                engine::StartSound(h, engine::kPlayBackground, 1);
                while (engine::IsSoundPlaying(h) == 1 && *n < 1000) t->Frames(1), ++*n;
            },
            &frames[unheard]);
    }
    engine::sound::Sounds().unheard = false;
    EXPECT_GT(PeakOf(played[0]), 10000);
    EXPECT_EQ(PeakOf(played[1], 44100 / 2), 0);  // past the head, decoded at load for a play's start
    EXPECT_GT(frames[0], 300);                   // 6.1 s
    EXPECT_NEAR(frames[1], frames[0], 1);
}

// A WAV longer than 180 s is not held decoded either; it plays to its end on time.
TEST_F(StreamTest, LongWavStreams) {
    std::vector<uint8_t> square(8000 * 181);
    for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 40) % 2 ? 0xC0 : 0x40;
    WriteFile("long.wav",
              WavBuilder().Chunk("fmt ", WavBuilder::Fmt(1, 1, 8000, 8)).Chunk("data", square).Done());
    const int h = engine::LoadSound("long.wav", 3);
    ASSERT_GE(h, 0);
    EXPECT_TRUE(engine::sound::Sounds().slots[size_t(h & 0xFFFF)]->streamed);
    const int64_t from = NowFrame();
    engine::StartSound(h, engine::kPlayBackground, 1);
    Frames(60 * 180);  // 183.6 s
    EXPECT_EQ(engine::IsSoundPlaying(h), 0);
    int64_t last = from;
    for (int64_t f = from; f < NowFrame(); ++f)
        if (Left(f) != 0) last = f;
    EXPECT_NEAR(double(last - from), 181.0 * 44100, 100);
    EXPECT_GT(Peak(from + 44100 * 170, from + 44100 * 171), 10000);
}

}  // namespace
